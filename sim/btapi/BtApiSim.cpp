// Stand-in for the chip vendor's flashing library, driven by environment
// variables so tests and demos can steer it:
//   BTAPI_SIM_VID / BTAPI_SIM_PID   the only ids that connect (hex; unset = any)
//   BTAPI_SIM_FAIL                  loglevel | connect | update: that step fails
//   BTAPI_SIM_PAGE_DELAY_MS         pause between reported pages
//   BTAPI_SIM_LOG                   file receiving one line per transaction
//   BTAPI_SIM_FAIL_FILE, BTAPI_SIM_PAGE_DELAY_MS_FILE
//                                   a file whose first line overrides that variable
#ifdef _WIN32
#define BTAPI_EXPORT __declspec(dllexport)
#else
#define BTAPI_EXPORT __attribute__((visibility("default")))
#endif
#include "BtApi.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <chrono>
#include <thread>
#endif

namespace {

constexpr long kPageSize = 4096;

struct Session {
    std::vector<std::pair<std::string, std::string>> params;
    std::string result;
    std::map<std::string, BtTextCallback> callbacks;
    bool connected = false;
    bool logResult = false;
};

Session *sessionOf(BtHandle handle)
{
    return static_cast<Session *>(handle);
}

// <NAME>_FILE, when set, names a file whose first line is the value, read at each
// call: a bench can change the outcome of the next flash while the tool runs.
std::string env(const char *name)
{
    const char *fileName = std::getenv((std::string(name) + "_FILE").c_str());
    if (fileName && *fileName) {
        if (FILE *file = std::fopen(fileName, "rb")) {
            char line[256] = {};
            const bool read = std::fgets(line, sizeof line, file) != nullptr;
            std::fclose(file);
            std::string value = read ? line : "";
            value.erase(std::find_if(value.begin(), value.end(), [](char c) { return c == '\r' || c == '\n'; }),
                        value.end());
            return value;
        }
    }
    const char *value = std::getenv(name);
    return value ? value : "";
}

bool failing(const char *step)
{
    return env("BTAPI_SIM_FAIL") == step;
}

void sleepMs(int ms)
{
#ifdef _WIN32
    Sleep(static_cast<DWORD>(ms));
#else
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
#endif
}

std::string param(const Session &session, const char *key)
{
    for (const auto &entry : session.params)
        if (entry.first == key)
            return entry.second;
    return {};
}

void logTransaction(const Session &session)
{
    const std::string path = env("BTAPI_SIM_LOG");
    if (path.empty())
        return;
    FILE *log = std::fopen(path.c_str(), "ab");
    if (!log)
        return;
    std::string line;
    for (const auto &entry : session.params) {
        if (!line.empty())
            line += ' ';
        line += entry.first + '=' + entry.second;
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), log);
    std::fclose(log);
}

// Strips one "0x"/"0X" and reads the rest as hex digits only, so a doubled
// prefix is not a number.
bool parseId(std::string text, unsigned long long &value)
{
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.erase(0, 2);
    if (text.empty() || text.size() > 16)
        return false;
    value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        value = value * 16 + static_cast<unsigned long long>(digit);
    }
    return true;
}

bool idMatches(const std::string &given, const char *wantedVar)
{
    const char *wanted = std::getenv(wantedVar);
    if (!wanted)
        return true;
    unsigned long long a = 0;
    unsigned long long b = 0;
    return parseId(given, a) && parseId(wanted, b) && a == b;
}

FILE *openFirmware(const std::string &utf8Path)
{
#ifdef _WIN32
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8Path.c_str(), -1, nullptr, 0);
    if (length <= 0)
        return nullptr;
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8Path.c_str(), -1, wide.data(), length);
    return _wfopen(wide.c_str(), L"rb");
#else
    return std::fopen(utf8Path.c_str(), "rb");
#endif
}

bool firmwareSize(const std::string &utf8Path, long &size)
{
    if (utf8Path.empty())
        return false;
    FILE *file = openFirmware(utf8Path);
    if (!file)
        return false;
    size = 0;
    char chunk[kPageSize];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        size += static_cast<long>(got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

void report(Session &session, BtHandle handle, const std::string &device, const std::string &text)
{
    const auto callback = session.callbacks.find(device);
    if (callback != session.callbacks.end() && callback->second)
        callback->second(handle, text.c_str());
}

int toolLogLevel(Session &session)
{
    if (failing("loglevel")) {
        session.result = "log level rejected: tool busy";
        return -1;
    }
    session.result = "log level " + param(session, "level");
    return 0;
}

int connectDut(Session &session)
{
    const std::string vid = param(session, "vendor_id");
    const std::string pid = param(session, "product_id");
    if (failing("connect") || !idMatches(vid, "BTAPI_SIM_VID") || !idMatches(pid, "BTAPI_SIM_PID")) {
        session.connected = false;
        session.result = "connect error: no device " + vid + " " + pid;
        return -2;
    }
    session.connected = true;
    session.result = "connect ok: " + param(session, "device_name") + " " + vid + " " + pid;
    return 0;
}

int usbHidDfu(Session &session, BtHandle handle)
{
    const std::string device = param(session, "device_name");
    if (!session.connected) {
        session.result = "fota fail: " + device + " is not connected";
        return -3;
    }
    long size = 0;
    if (!firmwareSize(param(session, "fota_package_filename"), size)) {
        session.result = "fota fail: cannot open file";
        return -4;
    }
    const long pages = size > 0 ? (size + kPageSize - 1) / kPageSize : 1;
    const int delayMs = std::atoi(env("BTAPI_SIM_PAGE_DELAY_MS").c_str());
    for (long page = 1; page <= pages; ++page) {
        if (page > 1 && delayMs > 0)
            sleepMs(delayMs);
        report(session, handle, device,
               "write page: " + std::to_string(page) + " / " + std::to_string(pages) + "\r");
        if (failing("update")) {
            session.result = "update fail: device did not accept page " + std::to_string(page);
            return -5;
        }
    }
    report(session, handle, device, "FOTA done\r");
    session.result = "usbHidDfu ok";
    return 0;
}

int disconnectDut(Session &session)
{
    session.connected = false;
    session.result = "disconnected";
    return 0;
}

} // namespace

extern "C" {

int globalInitResource(void)
{
    return 0;
}

int globalFreeResource(void)
{
    return 0;
}

BtHandle getHandler(void)
{
    return new Session;
}

BtHandle getSlotHandler(int /*slot*/)
{
    return new Session;
}

int destroyHandler(BtHandle handle)
{
    delete sessionOf(handle);
    return 0;
}

int transactStart(BtHandle handle, int /*kind*/)
{
    if (!handle)
        return -1;
    sessionOf(handle)->params.clear();
    sessionOf(handle)->result.clear();
    return 0;
}

int transactParam(BtHandle handle, const char *key, const char *value)
{
    if (!handle || !key)
        return -1;
    sessionOf(handle)->params.emplace_back(key, value ? value : "");
    return 0;
}

int transactComplete(BtHandle handle)
{
    if (!handle)
        return -1;
    Session &session = *sessionOf(handle);
    logTransaction(session);
    const std::string task = param(session, "tovrek_task");
    if (task == "ToolLogLevel")
        return toolLogLevel(session);
    if (task == "ConnectDutByUsbHid")
        return connectDut(session);
    if (task == "usbHidDfu")
        return usbHidDfu(session, handle);
    if (task == "DisconnectDUT")
        return disconnectDut(session);
    session.result = "unknown task: " + task;
    return -1;
}

int transactResult(BtHandle handle, const char *name, char *buffer, int size)
{
    if (!handle || !name || !buffer || size <= 0 || std::strcmp(name, "result") != 0)
        return -1;
    const std::string &result = sessionOf(handle)->result;
    const size_t length = std::min(result.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, result.data(), length);
    buffer[length] = '\0';
    return 0;
}

int regCallbackDevice(BtHandle handle, const char *deviceName, int /*kind*/,
                      BtTextCallback callback)
{
    if (!handle || !deviceName)
        return -1;
    sessionOf(handle)->callbacks[deviceName] = callback;
    return 0;
}

#ifndef BTAPI_SIM_OMIT_SET_LOG_RESULT
int setLogResult(BtHandle handle, int enable)
{
    if (!handle)
        return -1;
    sessionOf(handle)->logResult = enable != 0;
    return 0;
}
#endif

} // extern "C"
