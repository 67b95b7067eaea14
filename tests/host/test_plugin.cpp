// A tiny client module for the loader's tests: it connects to the host through the API
// interface alone, attaches a minimal notification sink, and shows every call it receives as an
// alert, so that a test (or the command-line tool) sees what reached it. At initialisation it
// installs the same menu path as the real plug-in's About command. Built in several variants
// (TEST_PLUGIN_MODE) to exercise the loader's failure paths.
#include "runtime/api_slots.h"
#include "runtime/interface_ids.h"
#include "runtime/sink_interfaces.h"

#include <cstdint>
#include <string>

#define TEST_PLUGIN_OK 0
#define TEST_PLUGIN_ENTRY_FAILS 1 // the entry answers -1 without connecting
#define TEST_PLUGIN_NO_SINK 2     // the entry answers 0 but attaches nothing
#define TEST_PLUGIN_NO_ENTRY 3    // the module exports no client entry

#ifndef TEST_PLUGIN_MODE
#define TEST_PLUGIN_MODE TEST_PLUGIN_OK
#endif

#if defined(_WIN32)
#define TEST_PLUGIN_EXPORT __declspec(dllexport)
#else
#define TEST_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

namespace {

constexpr std::int32_t kAboutCommand = 1000;

class Sink final : public IFrameMakerNotifications0 {
  public:
    explicit Sink(ApiHostInterface* api) : api_(api) {}

    HRESULT LX_STDCALL QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (IsEqualGUID(iid, kIidNotifications) || IsEqualGUID(iid, kIidUnknown))
            *out = static_cast<IFrameMakerNotifications0*>(this);
        if (!*out)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG LX_STDCALL AddRef() override { return ++count_; }
    ULONG LX_STDCALL Release() override {
        if (--count_ != 0)
            return count_;
        Show("Release: last");
        api_->Release();
        delete this;
        return 0;
    }

    HRESULT LX_STDCALL Initialize(std::int32_t code) override {
        Show("Initialize " + std::to_string(code));
        if (code == 1)
            InstallMenus();
        std::int32_t err = 0;
        api_->Notification(kNotifyCommandMessage, 1, &err);
        return S_OK;
    }
    HRESULT LX_STDCALL Quit() override { return S_OK; }
    HRESULT LX_STDCALL Command(std::int32_t command) override {
        Show(command == kAboutCommand ? std::string("About the test client")
                                      : "Command " + std::to_string(command));
        return S_OK;
    }
    HRESULT LX_STDCALL Message(std::int32_t, std::int32_t, std::int32_t) override { return S_OK; }
    HRESULT LX_STDCALL DialogEvent(std::int32_t, std::int32_t, std::int32_t) override {
        return S_OK;
    }
    HRESULT LX_STDCALL Notify(std::int32_t notification, ObjectId, const char* text,
                              std::int32_t) override {
        Show("Notify " + std::to_string(notification) + " " + (text ? text : "(null)"));
        return S_OK;
    }
    HRESULT LX_STDCALL GetResource(std::int32_t, const char*, ResourceRecord*) override {
        return E_FAIL;
    }

  private:
    ~Sink() = default;

    void Show(const std::string& text) {
        std::int32_t answer = 0;
        api_->Alert(text.c_str(), 2, &answer);
    }

    ObjectId Named(std::int32_t type, const char* name) {
        std::int32_t err = 0;
        ObjectId id = 0;
        api_->GetNamedObject(0, type, name, &err, &id);
        return err == 0 ? id : 0;
    }

    // The About command's place in the real plug-in's menus: Tools > Readability.
    void InstallMenus() {
        std::int32_t err = 0;
        ObjectId tools = Named(55, "LXTools");
        if (!tools)
            api_->DefineAndAddMenu(Named(55, "!MakerMainMenu"), "LXTools", "Tools", &err, &tools);
        ObjectId sub = 0;
        api_->DefineMenu("TestClient", "Readability", &err, &sub);
        ObjectId command = 0;
        api_->DefineAndAddCommand(7, sub, "TestCommand", "Test Command", "", &err, &command);
        api_->AddCommandToMenu(sub, Named(57, "Separator1"), &err);
        api_->DefineAndAddCommand(kAboutCommand, sub, "TestAbout", "About Lexameter...", "", &err,
                                  &command);
        api_->AddMenuToMenu(tools, sub, &err);
    }

    ApiHostInterface* api_;
    ULONG count_ = 1;
};

} // namespace

#if TEST_PLUGIN_MODE != TEST_PLUGIN_NO_ENTRY
extern "C" TEST_PLUGIN_EXPORT int LX_STDCALL F_ApiClientInit(HMODULE, IUnknown* host, IUnknown*,
                                                             PropValList*) {
#if TEST_PLUGIN_MODE == TEST_PLUGIN_ENTRY_FAILS
    (void)host;
    return -1;
#else
    if (!host)
        return -1;
    ApiHostInterface* api = nullptr;
    if (FAILED(host->QueryInterface(kIidHostApi, reinterpret_cast<void**>(&api))) || !api)
        return -1;
#if TEST_PLUGIN_MODE == TEST_PLUGIN_NO_SINK
    api->Release();
    return 0;
#else
    // The sink owns the API reference from here on and drops it at its last release.
    Sink* sink = new Sink(api);
    api->Connect(sink, kClientAttachFlags, nullptr);
    sink->Release();
    return 0;
#endif
#endif
}
#else
extern "C" TEST_PLUGIN_EXPORT int TestPluginWithoutEntry() {
    return 0;
}
#endif
