#ifndef TOVREK_FLASHSEQUENCE_H
#define TOVREK_FLASHSEQUENCE_H

#include "VendorApi.h"

#include <cstddef>
#include <initializer_list>
#include <string>

// "0x" + the id text + terminating zero; the library keeps these pointers.
constexpr std::size_t kIdTextSize = 20;
constexpr std::size_t kMaxIdLength = kIdTextSize - 3;
// The library's limit for the firmware name, UTF-8 with terminating zero.
constexpr std::size_t kFirmwareNameSize = 260;

extern char g_vendorIdText[kIdTextSize];
extern char g_productIdText[kIdTextSize];

// Device progress lines from the library: one console line each, flushed so
// a watching GUI sees them as they happen.
int printDeviceText(void *context, const char *text);

// One update of the device: log level, connect, firmware download, disconnect.
// Each step prints its outcome; the first failing step ends the sequence.
class FlashSequence {
public:
    FlashSequence(const VendorApi &api, BtHandle handle);

    void run(const std::string &vid, const std::string &pid, std::string firmwarePath);

private:
    struct Param {
        const char *key;
        const char *value;
    };

    int setToolLogLevel();
    int connectDut();
    int runUsbHidDfu(std::string firmwarePath);
    void disconnectDut();

    // Start, parameters, complete; the result text is read when asked for.
    // Returns the completion code (0 = success).
    int transact(std::initializer_list<Param> params, std::string *result);

    const VendorApi &m_api;
    BtHandle m_handle;
};

#endif
