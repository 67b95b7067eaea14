#include "runtime/connection.h"

#include "runtime/api.h"

#if defined(_WIN32)
#include "support/icu_binding.h"
#endif

HMODULE ClientModule = nullptr;
IUnknown* HostInterfaces[kHostInterfaceCount] = {};
ApiHostInterface* ApiInterface = nullptr;
IHostMemory* HostMemoryInterface = nullptr;
IHostModule* HostModuleInterface = nullptr;
IUnknown* HostReserveInterface = nullptr;

namespace {

// The host's answer to the memory mode call that means it keeps the memory it hands back.
constexpr HRESULT kHostKeepsMemory = 0;
constexpr std::int32_t kClientMemoryMode = 1;

void* QueryHost(IUnknown* host, const IID& iid) {
    void* out = nullptr;
    if (FAILED(host->QueryInterface(iid, &out)))
        return nullptr;
    return out;
}

template <typename Interface> void ReleaseInterface(Interface*& p) {
    if (p)
        p->Release();
    p = nullptr;
}

} // namespace

void HostInterfacesQuery(IUnknown* host) {
    for (int i = 0; i < kHostInterfaceCount; ++i) {
        void* p = QueryHost(host, kHostInterfaceIds[i]);
        if (i == kHostApiEntry - 1) {
            ApiInterface = static_cast<ApiHostInterface*>(p);
            HostInterfaces[i] = ApiInterface;
        } else {
            HostInterfaces[i] = static_cast<IUnknown*>(p);
        }
    }
}

void HostInterfacesRelease() {
    // The API pointer goes first so that nothing reaches the host through a released interface.
    ApiInterface = nullptr;
    for (IUnknown*& p : HostInterfaces)
        ReleaseInterface(p);
}

int ClientConnect(IUnknown* host) {
    if (!host)
        return -1;
    HostInterfacesQuery(host);
    if (!ApiInterface)
        return -1;
    HostMemoryInterface = static_cast<IHostMemory*>(QueryHost(host, kIidHostMemory));
    HostModuleInterface = static_cast<IHostModule*>(QueryHost(host, kIidHostModule));
    HostReserveInterface = static_cast<IUnknown*>(QueryHost(host, kIidHostReserve));
    if (HostMemoryInterface &&
        HostMemoryInterface->SetClientMemoryMode(kClientMemoryMode) == kHostKeepsMemory)
        KeepHostMemory = 1;
    return 0;
}

void ClientShutdown() {
    HostInterfacesRelease();
    ReleaseInterface(HostMemoryInterface);
    ReleaseInterface(HostModuleInterface);
    ReleaseInterface(HostReserveInterface);
#if defined(_WIN32)
    // The reference the start-up took on the host's ICU library goes with the connection.
    IcuUnbind();
#endif
}
