#include "VendorApi.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shlwapi.h>

namespace vendorloader {

void *openBesideExecutable()
{
    char folder[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) // truncated: the folder would be wrong
        return nullptr;
    PathRemoveFileSpecA(folder);
    char libraryPath[MAX_PATH] = {};
    if (!PathCombineA(libraryPath, folder, "btapi.dll"))
        return nullptr;
    return LoadLibraryA(libraryPath);
}

void *findSymbol(void *module, const char *name)
{
    return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void close(void *module)
{
    FreeLibrary(static_cast<HMODULE>(module));
}

} // namespace vendorloader
