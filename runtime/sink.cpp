#include "runtime/sink.h"

#include "platform/module.h"
#include "runtime/client_callbacks.h"
#include "runtime/connection.h"
#include "runtime/interface_ids.h"
#include "support/prop_list.h"
#include "support/str.h"

#include <cstring>

FrameMakerNotificationsC* NotificationSink = nullptr;
IUnknown* ClientExtraInterface = nullptr;

namespace {

// While the object is destroyed its count stands this high, so that a reference taken and
// dropped during destruction does not bring it to 0 again.
constexpr std::int32_t kDestructionGuard = 100;
constexpr DWORD kModulePathSize = 260;
constexpr std::int32_t kResourceTypeMask = 0xFFFF;

} // namespace

HRESULT LX_STDCALL ComUltraliteC::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_NOINTERFACE;
    *out = nullptr;
    FindInterface(iid, out);
    return *out ? S_OK : E_NOINTERFACE;
}

ULONG LX_STDCALL ComUltraliteC::AddRef() {
    return static_cast<ULONG>(++refCount);
}

ULONG LX_STDCALL ComUltraliteC::Release() {
    if (--refCount != 0)
        return static_cast<ULONG>(refCount);
    refCount += kDestructionGuard;
    if (CanDelete())
        delete this;
    else
        refCount -= kDestructionGuard;
    return 0;
}

void ComUltraliteC::FindInterface(REFIID iid, void** out) {
    if (IsEqualGUID(iid, kIidUnknown)) {
        AddRef();
        *out = static_cast<IUnknown*>(this);
    }
}

void FrameMakerNotificationsC::FindInterface(REFIID iid, void** out) {
    if (IsEqualGUID(iid, kIidCmsNotifications)) {
        IFrameMakerCMSNotifications0* cms = this;
        cms->AddRef();
        *out = cms;
    } else if (IsEqualGUID(iid, kIidNotifications)) {
        IFrameMakerNotifications0* notifications = this;
        notifications->AddRef();
        *out = notifications;
    } else if (IsEqualGUID(iid, kIidUnknown)) {
        AddRef();
        *out = static_cast<IUnknown*>(static_cast<ComUltraliteC*>(this));
    }
}

FrameMakerNotificationsC::~FrameMakerNotificationsC() {
    if (NotificationSink == this)
        NotificationSink = nullptr;
    ClientShutdown();
    if (ClientExtraInterface)
        ClientExtraInterface->Release();
    ClientExtraInterface = nullptr;
}

HRESULT LX_STDCALL FrameMakerNotificationsC::Initialize(std::int32_t code) {
    HandleInitialize(code);
    return S_OK;
}

HRESULT LX_STDCALL FrameMakerNotificationsC::Quit() {
    return S_OK;
}

HRESULT LX_STDCALL FrameMakerNotificationsC::Command(std::int32_t command) {
    HandleCommand(command);
    return S_OK;
}

HRESULT LX_STDCALL FrameMakerNotificationsC::Message(std::int32_t a, std::int32_t b,
                                                     std::int32_t c) {
    HandleMessage(a, b, c);
    return S_OK;
}

HRESULT LX_STDCALL FrameMakerNotificationsC::DialogEvent(std::int32_t a, std::int32_t b,
                                                         std::int32_t c) {
    HandleDialogEvent(a, b, c);
    return S_OK;
}

HRESULT LX_STDCALL FrameMakerNotificationsC::Notify(std::int32_t notification, ObjectId doc,
                                                    const char* text, std::int32_t number) {
    if (notification != kNotifyFieldRecord) {
        HandleNotify(notification, doc, text, number);
        return S_OK;
    }
    // This notification's text arrives split into fields; the record takes the text's place.
    FieldRecord* record = FieldRecordParse(text);
    HandleNotify(notification, doc, reinterpret_cast<const char*>(record), number);
    FieldRecordFree(record);
    RawFree(record);
    return S_OK;
}

HRESULT LX_STDCALL FrameMakerNotificationsC::GetResource(std::int32_t type, const char* name,
                                                         ResourceRecord* record) {
    if (!record)
        return E_FAIL;
    const void* bytes = nullptr;
    DWORD size = 0;
    char path[kModulePathSize];
    if (type != 0) {
        HRSRC found = FindResourceA(static_cast<HMODULE>(ClientModule), name,
                                    MAKEINTRESOURCEA(type & kResourceTypeMask));
        if (!found)
            return E_FAIL;
        size = SizeofResource(static_cast<HMODULE>(ClientModule), found);
        HGLOBAL loaded = LoadResource(static_cast<HMODULE>(ClientModule), found);
        bytes = loaded ? LockResource(loaded) : nullptr;
        if (!bytes)
            return E_FAIL;
    } else {
        DWORD length =
            GetModuleFileNameA(static_cast<HMODULE>(ClientModule), path, kModulePathSize);
        if (length == 0)
            return E_FAIL;
        path[kModulePathSize - 1] = '\0';
        size = static_cast<DWORD>(StrLen(path) + 1); // the path with its terminator
        bytes = path;
    }
    void* copy = CoTaskMemAlloc(size);
    if (!copy)
        return E_FAIL;
    std::memcpy(copy, bytes, size);
    record->size = static_cast<std::int32_t>(size);
    record->bytes = copy;
    return S_OK;
}

HRESULT LX_STDCALL FrameMakerNotificationsC::CMSCommand(std::int32_t a, std::int32_t b,
                                                        std::int32_t c, std::int32_t d,
                                                        CmsRecord* record) {
    CmsRecord local = {0, 0, nullptr, 0, nullptr};
    HandleCmsCommand(a, b, c, d, &local);
    if (record)
        CmsRecordCopyWith(record, &local, RawAllocBlock);
    return S_OK;
}

// The callbacks this client leaves as they are.
void HandleMessage(std::int32_t, std::int32_t, std::int32_t) {}
void HandleDialogEvent(std::int32_t, std::int32_t, std::int32_t) {}
void HandleCmsCommand(std::int32_t, std::int32_t, std::int32_t, std::int32_t, CmsRecord*) {}
