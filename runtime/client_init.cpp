#include "runtime/client_init.h"

#include "platform/module.h"
#include "runtime/api.h"
#include "runtime/connection.h"
#include "runtime/sink.h"
#include "support/enc.h"
#include "support/enc_convert.h"
#include "support/prop_list.h"
#include "support/str.h"

#include <cstdlib>

namespace {

constexpr DWORD kModulePathSize = 260;
constexpr DWORD kVersionBlockSize = 4096;
constexpr std::size_t kQuerySize = 512;

struct VersionKey {
    std::int32_t property;
    const char* key;
};

// The identification properties and the version keys they come from, in the order added.
constexpr VersionKey kVersionKeys[] = {
    {2, "ClientName"},      {3, "ClientType"},       {4, "FileDescription"}, {5, "ClientProducts"},
    {6, "ClientFacet"},     {7, "ClientFormatId"},   {8, "ClientVendor"},    {9, "ClientSuffix"},
    {10, "ClientInFormat"}, {11, "ClientOutFormat"},
};

} // namespace

int ClientInfoAddVersionKey(const void* block, PropValList* list, std::int32_t property,
                            const char* key) {
    char query[kQuerySize];
    StrCopyN(query, "\\StringFileInfo\\040904b0\\", kQuerySize);
    StrAppendN(query, key, kQuerySize);
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block, query, &value, &length) || !value)
        return 0;
    PropValListSetString(list, property, static_cast<const char*>(value));
    return 1;
}

int ClientInfoFromVersion(HMODULE module, PropValList* list) {
    char path[kModulePathSize];
    if (GetModuleFileNameA(module, path, kModulePathSize) == 0)
        return 0;
    path[kModulePathSize - 1] = '\0';
    void* block = std::calloc(1, kVersionBlockSize);
    if (!block)
        return 0;
    if (!GetFileVersionInfoA(path, 0, kVersionBlockSize, block)) {
        std::free(block);
        return 0;
    }
    for (const VersionKey& k : kVersionKeys)
        ClientInfoAddVersionKey(block, list, k.property, k.key);
    std::free(block);
    return 1;
}

int LX_STDCALL F_ApiClientInit(HMODULE module, IUnknown* host, IUnknown* extra,
                               PropValList* clientInfo) {
    ClientModule = module;
    if (ClientConnect(host) != 0)
        return -1;

    NotificationSink = new FrameMakerNotificationsC;

    PropValList local = {0, nullptr};
    PropValList* identification = clientInfo;
    if (!identification && module) {
        ClientInfoFromVersion(module, &local);
        identification = &local;
    }
    ApiInterface->Connect(static_cast<IUnknown*>(static_cast<ComUltraliteC*>(NotificationSink)),
                          kClientAttachFlags, identification);
    if (HostModuleInterface)
        HostModuleInterface->SetClientModule(module);
    PropValListFree(&local);

    // The encodings learn the host's installation directory through the host's string getter.
    EncHostGetString = ApiGetString;
    EncStartup();

    ClientExtraInterface = extra;
    if (extra)
        extra->AddRef();
    // From here on only the host's references hold the sink.
    NotificationSink->Release();
    ConsoleCallback = ApiPrintConsole;
    return 0;
}
