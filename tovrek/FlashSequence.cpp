#include "FlashSequence.h"

#include "TextEncoding.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

char g_vendorIdText[kIdTextSize];
char g_productIdText[kIdTextSize];

namespace {

constexpr int kTransactionKind = 5;
constexpr int kDeviceTextCallbackKind = 8;
constexpr int kResultSize = 4096;
const char *const kDeviceName = "DUT";

void setIdText(char (&target)[kIdTextSize], const std::string &id)
{
    std::snprintf(target, sizeof target, "0x%s", id.c_str());
}

} // namespace

int printDeviceText(void * /*context*/, const char *text)
{
    std::printf("%s\n", text ? text : "");
    return std::fflush(stdout);
}

FlashSequence::FlashSequence(const VendorApi &api, BtHandle handle)
    : m_api(api), m_handle(handle)
{
}

void FlashSequence::run(const std::string &vid, const std::string &pid, std::string firmwarePath)
{
    if (setToolLogLevel() != 0)
        return;

    setIdText(g_vendorIdText, vid);
    setIdText(g_productIdText, pid);

    const int connected = connectDut();
    m_api.setLogResult(m_handle, 1);
    if (connected != 0) {
        std::fputs(connectErrorText().c_str(), stdout);
        return;
    }

    m_api.regCallbackDevice(m_handle, kDeviceName, kDeviceTextCallbackKind, printDeviceText);
    if (runUsbHidDfu(std::move(firmwarePath)) != 0) {
        std::fputs(firmwareErrorText().c_str(), stdout);
        return;
    }
    disconnectDut();
}

int FlashSequence::setToolLogLevel()
{
    std::fputs("Send log => ", stdout);
    std::string ignored;
    return transact({{"tovrek_task", "ToolLogLevel"}, {"level", "0"}}, &ignored);
}

int FlashSequence::connectDut()
{
    std::fputs("Connect USB => ", stdout);
    std::string result;
    const int rc = transact({{"tovrek_task", "ConnectDutByUsbHid"},
                             {"action", "connect"},
                             {"vendor_id", g_vendorIdText},
                             {"product_id", g_productIdText},
                             {"device_name", kDeviceName}},
                            &result);
    std::printf("%s\n", result.c_str());
    return rc;
}

int FlashSequence::runUsbHidDfu(std::string firmwarePath)
{
    if (firmwarePath.empty()) {
        std::fputs("UsbHidDfu path is empty", stdout);
        return -1;
    }
    std::fputs("usbHidDfu => ", stdout);

    const std::string utf8 = ansiToUtf8(firmwarePath);
    if (utf8.size() >= kFirmwareNameSize)
        throw std::length_error("firmware path does not fit the library's name buffer");
    std::vector<char> name(kFirmwareNameSize, '\0');
    std::memcpy(name.data(), utf8.data(), utf8.size());

    std::string result;
    const int rc = transact({{"tovrek_task", "usbHidDfu"},
                             {"device_name", kDeviceName},
                             {"fota_package_filename", name.data()}},
                            &result);
    std::printf("%s\n", result.c_str());
    return rc;
}

void FlashSequence::disconnectDut()
{
    transact({{"tovrek_task", "DisconnectDUT"}, {"device_name", kDeviceName}}, nullptr);
}

int FlashSequence::transact(std::initializer_list<Param> params, std::string *result)
{
    m_api.transactStart(m_handle, kTransactionKind);
    for (const Param &param : params)
        m_api.transactParam(m_handle, param.key, param.value);
    const int rc = m_api.transactComplete(m_handle);
    if (result) {
        std::vector<char> buffer(kResultSize, '\0');
        m_api.transactResult(m_handle, "result", buffer.data(), kResultSize);
        buffer.back() = '\0'; // a library filling the whole buffer must not run us off its end
        *result = buffer.data();
    }
    return rc;
}
