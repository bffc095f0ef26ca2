// tovrek: flashes a USB audio device through the chip vendor's library.
// Its console output is read by the GUI, so the texts are part of the contract.
#include "FlashSequence.h"
#include "TextEncoding.h"
#include "VendorApi.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <chrono>
#include <thread>
#endif

namespace {

void sleepOneSecond()
{
#ifdef _WIN32
    Sleep(1000);
#else
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
#endif
}

// Refuses what would not fit the buffers handed to the library.
// Returns the message for stderr, or null when the arguments are usable.
const char *argumentProblem(const std::string &binPath, const std::string &vid,
                            const std::string &pid)
{
    if (vid.size() > kMaxIdLength)
        return "vid is too long (at most 17 characters)\n";
    if (pid.size() > kMaxIdLength)
        return "pid is too long (at most 17 characters)\n";
    try {
        if (ansiToUtf8(binPath).size() >= kFirmwareNameSize)
            return "bin_path is too long (at most 259 bytes as UTF-8)\n";
    } catch (const std::exception &) {
        return "bin_path is not valid text in the current encoding\n";
    }
    return nullptr;
}

} // namespace

int main(int argc, char **argv)
{
    static_assert(kMaxIdLength == 17, "keep the refusal messages in step");
    initTextEncoding();

    std::printf("use:tovrek  bin_path  vid pid usage usagePage \n");
    std::fflush(stdout);
    if (argc != 6) {
        std::fputs("path is empty!", stderr);
        std::fflush(stdout);
        return -1;
    }

    const std::string binPath = argv[1];
    const std::string vid = argv[2];
    const std::string pid = argv[3];
    if (const char *problem = argumentProblem(binPath, vid, pid)) {
        std::fputs(problem, stderr);
        return -1;
    }

    std::printf(" bin_path=%s  vid=%s pid=%s usage=%s usagePage=%s\n", argv[1], argv[2],
                argv[3], argv[4], argv[5]);
    std::fflush(stdout);

    VendorLibrary library;
    if (library.load() != 0) {
        std::fputs("Load btapi.dll failed!", stdout);
        return -1;
    }
    const VendorApi &api = library.api();

    BtHandle handle = api.getSlotHandler(0);
    try {
        FlashSequence(api, handle).run(vid, pid, binPath);
    } catch (...) {
        // Whatever went wrong has been printed as far as it got; the device
        // still needs its handle released below.
    }

    sleepOneSecond(); // lets the device settle before the handle goes
    api.destroyHandler(handle);
    api.globalFreeResource();
    return 0;
}
