#ifndef TOVREK_VENDORAPI_H
#define TOVREK_VENDORAPI_H

#include "BtApi.h"

// The vendor library's entry points, in the order they are resolved.
struct VendorApi {
    void *module = nullptr;
    decltype(&::globalInitResource) globalInitResource = nullptr;
    decltype(&::globalFreeResource) globalFreeResource = nullptr;
    decltype(&::getHandler) getHandler = nullptr;
    decltype(&::getSlotHandler) getSlotHandler = nullptr;
    decltype(&::destroyHandler) destroyHandler = nullptr;
    decltype(&::transactStart) transactStart = nullptr;
    decltype(&::transactParam) transactParam = nullptr;
    decltype(&::transactComplete) transactComplete = nullptr;
    decltype(&::transactResult) transactResult = nullptr;
    decltype(&::regCallbackDevice) regCallbackDevice = nullptr;
    decltype(&::setLogResult) setLogResult = nullptr;
};

// Owns the loaded vendor library and unloads it on destruction.
class VendorLibrary {
public:
    VendorLibrary() = default;
    ~VendorLibrary();
    VendorLibrary(const VendorLibrary &) = delete;
    VendorLibrary &operator=(const VendorLibrary &) = delete;

    // Loads the library that sits beside the executable, resolves every entry
    // point and initialises it. Returns 0 on success, -1 when the file cannot
    // be loaded or lacks any entry point (a partial table is never usable).
    int load();
    const VendorApi &api() const { return m_api; }

private:
    VendorApi m_api;
};

// Platform half of the loader: VendorLoader_win.cpp or VendorLoader_posix.cpp.
namespace vendorloader {
void *openBesideExecutable();
void *findSymbol(void *module, const char *name);
void close(void *module);
}

#endif
