#include "VendorApi.h"

#include <dlfcn.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace vendorloader {

namespace {

std::string executableFolder()
{
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return {};
        if (static_cast<size_t>(length) < buffer.size()) {
            const std::string path(buffer.data(), static_cast<size_t>(length));
            const size_t slash = path.rfind('/');
            return path.substr(0, slash == 0 ? 1 : slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace

void *openBesideExecutable()
{
    const std::string folder = executableFolder();
    if (folder.empty())
        return nullptr;
    // An absolute path keeps dlopen away from the library search path.
    return dlopen((folder + "/libbtapi.so").c_str(), RTLD_NOW | RTLD_LOCAL);
}

void *findSymbol(void *module, const char *name)
{
    return dlsym(module, name);
}

void close(void *module)
{
    dlclose(module);
}

} // namespace vendorloader
