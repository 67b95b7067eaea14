// The interfaces of the client's notification sink, through which the host calls the client.
#pragma once

#include "platform/com.h"
#include "support/api_types.h"

#include <cstdint>

// The record GetResource fills for the host: a size and bytes in task memory the host then owns.
struct ResourceRecord {
    std::int32_t size;
    void* bytes;
};

struct CmsRecord;

// The host's notification interface: slots 3 to 9 after those of IUnknown.
struct IFrameMakerNotifications0 : IUnknown {
    virtual HRESULT LX_STDCALL Initialize(std::int32_t code) = 0;
    virtual HRESULT LX_STDCALL Quit() = 0;
    virtual HRESULT LX_STDCALL Command(std::int32_t command) = 0;
    virtual HRESULT LX_STDCALL Message(std::int32_t a, std::int32_t b, std::int32_t c) = 0;
    virtual HRESULT LX_STDCALL DialogEvent(std::int32_t a, std::int32_t b, std::int32_t c) = 0;
    virtual HRESULT LX_STDCALL Notify(std::int32_t notification, ObjectId doc, const char* text,
                                      std::int32_t number) = 0;
    virtual HRESULT LX_STDCALL GetResource(std::int32_t type, const char* name,
                                           ResourceRecord* record) = 0;

  protected:
    ~IFrameMakerNotifications0() = default;
};

// The host's CMS notification interface: one method after those of IUnknown.
struct IFrameMakerCMSNotifications0 : IUnknown {
    virtual HRESULT LX_STDCALL CMSCommand(std::int32_t a, std::int32_t b, std::int32_t c,
                                          std::int32_t d, CmsRecord* record) = 0;

  protected:
    ~IFrameMakerCMSNotifications0() = default;
};

// The notifications the client asks for or receives.
constexpr std::int32_t kNotifyCommandMessage = 13;
constexpr std::int32_t kNotifyFieldRecord = 75;

// The entry the host calls after loading the client library.
using ClientInitEntry = int(LX_STDCALL*)(HMODULE module, IUnknown* host, IUnknown* extra,
                                         PropValList* clientInfo);
// The name the host looks the entry up by.
#if defined(_WIN32) && !defined(_WIN64)
constexpr const char* kClientInitEntryName = "_F_ApiClientInit@16";
#else
constexpr const char* kClientInitEntryName = "F_ApiClientInit";
#endif
