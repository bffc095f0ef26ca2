// Stands in for a flashing program that reports progress fast: prints
// "write page: k / 100\r" at a fixed rate, k running 1..99 over and over so that every
// line moves the progress bar, then "write page: 100 / 100\r" and "FOTA done\r".
// Usage: flashfeed [lines-per-second [lines]] (defaults 2000 and 20000); the firmware
// arguments kestrelup passes are ignored.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

int main(int argc, char **argv)
{
    const char *rateText = std::getenv("FLASHFEED_RATE");
    const char *linesText = std::getenv("FLASHFEED_LINES");
    const long rate = rateText ? std::atol(rateText) : 2000;
    const long lines = linesText ? std::atol(linesText) : 20000;
    (void)argc;
    (void)argv;
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < lines; ++i) {
        // An absolute schedule, so a slow reader cannot slow the writer down.
        std::this_thread::sleep_until(start + std::chrono::microseconds(i * 1000000 / rate));
        std::printf("write page: %ld / 100\r", i % 99 + 1);
        std::fflush(stdout);
    }
    std::printf("write page: 100 / 100\r");
    std::printf("FOTA done\r");
    std::fflush(stdout);
    return 0;
}
