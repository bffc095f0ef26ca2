// Stand-in for the VELD flashing program: same command lines, same output
// texts, outcome picked by environment variables instead of a chip.
//
//   VELD version <vid> <pid> <usage> <usagePage>
//   VELD <bin path> <vid> <pid> <usage> <usagePage>
//
// VELD_SIM_VERSION       version text reported (default "1,05")
// VELD_SIM_VERSION_FAIL  if set, the version query prints nothing and exits 1
// VELD_SIM_OUTCOME       success | loader | fail | command-fail |
//                        unable-to-read | received | no-device
// VELD_SIM_DELAY_MS      pause after each progress line (default 0)
// VELD_SIM_ARGS_LOG      if set, each command line is appended to this file
// VELD_SIM_VERSION_FILE, VELD_SIM_OUTCOME_FILE, VELD_SIM_DELAY_MS_FILE
//                        a file whose first line overrides that variable

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

constexpr long kPageSize = 4096;

void out(const char *text)
{
    std::fputs(text, stdout);
    std::fflush(stdout);
}

void err(const char *text)
{
    std::fputs(text, stderr);
    std::fflush(stderr);
}

void sleepMs(long ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// <NAME>_FILE, when set, names a file whose first line is the value, read at each
// call: a bench can change the outcome of the next flash while the tool runs.
std::string env(const char *name, const char *fallback)
{
    const char *fileName = std::getenv((std::string(name) + "_FILE").c_str());
    if (fileName && *fileName) {
        if (FILE *file = std::fopen(fileName, "rb")) {
            char line[256] = {};
            const bool read = std::fgets(line, sizeof line, file) != nullptr;
            std::fclose(file);
            std::string value = read ? line : "";
            value = value.substr(0, value.find_first_of("\r\n"));
            if (!value.empty())
                return value;
        }
    }
    const char *value = std::getenv(name);
    return value ? value : fallback;
}

// Lets a test check what the product passed without VELD echoing it: a path
// containing "fail" must not reach stdout.
void logArguments(int argc, char **argv)
{
    const char *logName = std::getenv("VELD_SIM_ARGS_LOG");
    if (!logName || !*logName)
        return;
    FILE *log = std::fopen(logName, "a");
    if (!log)
        return;
    for (int i = 1; i < argc; ++i)
        std::fprintf(log, i == 1 ? "%s" : " %s", argv[i]);
    std::fputc('\n', log);
    std::fclose(log);
}

// Size of a readable regular file, or -1.
long fileSize(const char *path)
{
    FILE *f = std::fopen(path, "rb");
    if (!f)
        return -1;
    long size = 0;
    char buf[8192];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        size += static_cast<long>(n);
    const bool failed = std::ferror(f); // e.g. a directory
    std::fclose(f);
    return failed ? -1 : size;
}

int version()
{
    if (std::getenv("VELD_SIM_VERSION_FAIL"))
        return 1;
    const std::string text = std::string("version=") + env("VELD_SIM_VERSION", "1,05") + ";";
    out(text.c_str());
    return 0;
}

int flash(const char *binPath)
{
    const long size = fileSize(binPath);
    if (size < 0) {
        out("open file fail\r\n");
        return 1;
    }
    const std::string outcome = env("VELD_SIM_OUTCOME", "success");
    const long delayMs = std::atol(env("VELD_SIM_DELAY_MS", "0").c_str());
    const long pages = size == 0 ? 1 : (size + kPageSize - 1) / kPageSize;
    for (long i = 1; i <= pages; ++i) {
        const std::string line = "write page: " + std::to_string(i) + " / " + std::to_string(pages) + "\r\n";
        out(line.c_str());
        sleepMs(delayMs);
    }

    if (outcome == "success") {
        out("FOTA done\r\n");
    } else if (outcome == "loader") {
        out("FOTA done, wait loader update code ...\r\n");
    } else if (outcome == "fail") {
        out("update fail\r\n");
    } else if (outcome == "command-fail") {
        err("[FOTA] command fail(-1)\n");
    } else if (outcome == "unable-to-read") {
        err("Error: Unable to read, err 1167\n");
    } else if (outcome == "received") {
        err("Error: reply received from the chip\n");
    } else if (outcome == "no-device") {
        // "done" still follows the error, so a caller that only looks for it
        // gets this case wrong.
        err("no device to read\n");
        sleepMs(100);
        out("FOTA done\r\n");
    } else {
        const std::string text = "VELD sim: unknown VELD_SIM_OUTCOME '" + outcome + "'\n";
        err(text.c_str());
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    logArguments(argc, argv);
    if (argc != 6) {
        err("usage: VELD version <vid> <pid> <usage> <usagePage>\n"
            "       VELD <bin path> <vid> <pid> <usage> <usagePage>\n");
        return 2;
    }
    if (std::strcmp(argv[1], "version") == 0)
        return version();
    return flash(argv[1]);
}
