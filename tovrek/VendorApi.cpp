#include "VendorApi.h"

namespace {

// dlsym/GetProcAddress hand back untyped addresses; the slot's type says
// what the entry point is.
template <typename Function>
bool resolve(void *module, const char *name, Function &slot)
{
    void *symbol = vendorloader::findSymbol(module, name);
    slot = reinterpret_cast<Function>(symbol);
    return symbol != nullptr;
}

bool resolveAll(VendorApi &api)
{
    void *m = api.module;
    return resolve(m, "globalInitResource", api.globalInitResource)
        && resolve(m, "globalFreeResource", api.globalFreeResource)
        && resolve(m, "getHandler", api.getHandler)
        && resolve(m, "getSlotHandler", api.getSlotHandler)
        && resolve(m, "destroyHandler", api.destroyHandler)
        && resolve(m, "transactStart", api.transactStart)
        && resolve(m, "transactParam", api.transactParam)
        && resolve(m, "transactComplete", api.transactComplete)
        && resolve(m, "transactResult", api.transactResult)
        && resolve(m, "regCallbackDevice", api.regCallbackDevice)
        && resolve(m, "setLogResult", api.setLogResult);
}

} // namespace

VendorLibrary::~VendorLibrary()
{
    if (m_api.module)
        vendorloader::close(m_api.module);
}

int VendorLibrary::load()
{
    if (m_api.module)
        return 0;
    VendorApi api;
    api.module = vendorloader::openBesideExecutable();
    if (!api.module)
        return -1;
    if (!resolveAll(api)) {
        vendorloader::close(api.module);
        return -1;
    }
    m_api = api;
    m_api.globalInitResource(); // the library reports nothing useful here
    return 0;
}
