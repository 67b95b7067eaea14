// The notification sink: the COM object the client hands the host at start-up. The host calls
// its methods; it turns each into a call of one of the client's callbacks, and its destruction at
// the host's last Release tears the connection down.
#pragma once

#include "runtime/marshal.h"
#include "runtime/sink_interfaces.h"

#include <cstdint>

// A minimal reference-counted COM object.
class ComUltraliteC : public IUnknown {
  public:
    HRESULT LX_STDCALL QueryInterface(REFIID iid, void** out) override;
    ULONG LX_STDCALL AddRef() override;
    ULONG LX_STDCALL Release() override;
    // Sets out to the interface for iid with a reference added, or leaves it untouched.
    virtual void FindInterface(REFIID iid, void** out);
    virtual int CanDelete() { return 1; }
    virtual ~ComUltraliteC() = default;

    std::int32_t ReferenceCount() const { return refCount; }

  protected:
    std::int32_t refCount = 1;
};

// Joins the object base with the two host interfaces. The IUnknown methods of the interfaces
// forward to the object base, so that every interface acts on the whole object.
class FmApiInterfacesC : public ComUltraliteC,
                         public IFrameMakerCMSNotifications0,
                         public IFrameMakerNotifications0 {
  public:
    HRESULT LX_STDCALL QueryInterface(REFIID iid, void** out) override {
        return ComUltraliteC::QueryInterface(iid, out);
    }
    ULONG LX_STDCALL AddRef() override { return ComUltraliteC::AddRef(); }
    ULONG LX_STDCALL Release() override { return ComUltraliteC::Release(); }
};

class FrameMakerNotificationsC final : public FmApiInterfacesC {
  public:
    void FindInterface(REFIID iid, void** out) override;
    ~FrameMakerNotificationsC() override;

    HRESULT LX_STDCALL Initialize(std::int32_t code) override;
    HRESULT LX_STDCALL Quit() override;
    HRESULT LX_STDCALL Command(std::int32_t command) override;
    HRESULT LX_STDCALL Message(std::int32_t a, std::int32_t b, std::int32_t c) override;
    HRESULT LX_STDCALL DialogEvent(std::int32_t a, std::int32_t b, std::int32_t c) override;
    HRESULT LX_STDCALL Notify(std::int32_t notification, ObjectId doc, const char* text,
                              std::int32_t number) override;
    HRESULT LX_STDCALL GetResource(std::int32_t type, const char* name,
                                   ResourceRecord* record) override;
    HRESULT LX_STDCALL CMSCommand(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d,
                                  CmsRecord* record) override;
};

// The one sink, while it lives.
extern FrameMakerNotificationsC* NotificationSink;
// The interface passed as the third argument of the entry, held until the sink is destroyed.
extern IUnknown* ClientExtraInterface;
