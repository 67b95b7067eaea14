#include "host/api/loader.h"

#include "runtime/sink_interfaces.h"

#include <cstdio>

#if defined(_WIN32)
#include "platform/structured_exception.h"
#else
#include <dlfcn.h>
#endif

namespace lxhost {

namespace {

#if defined(_WIN32)

std::string LastSystemError() {
    DWORD code = GetLastError();
    char buffer[512] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, buffer, sizeof buffer, nullptr);
    std::string text(buffer, n);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (text.empty())
        text = "system error " + std::to_string(code);
    return text;
}

HMODULE OpenModule(const std::string& path, std::string* reason) {
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module)
        *reason = LastSystemError();
    return module;
}

ClientInitEntry FindEntry(HMODULE module, std::string* reason) {
    FARPROC entry = GetProcAddress(module, kClientInitEntryName);
    if (!entry)
        *reason = LastSystemError();
    return reinterpret_cast<ClientInitEntry>(reinterpret_cast<void*>(entry));
}

void CloseLibrary(HMODULE module) {
    FreeLibrary(module);
}

#else

std::string LastDlError() {
    const char* text = dlerror();
    return text ? text : "unknown error";
}

HMODULE OpenModule(const std::string& path, std::string* reason) {
    // A bare file name would make the loader search the library path instead of the current
    // folder, which is not what a user naming a file means.
    std::string name = path.find('/') == std::string::npos ? "./" + path : path;
    dlerror();
    // The module stays mapped after dlclose, as a host keeps its clients until it exits: what the
    // client's libraries keep for the life of the process (ICU's data directory, for one) stays
    // reachable, and leak reports can still name the client's code.
    void* module = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!module)
        *reason = LastDlError();
    return module;
}

ClientInitEntry FindEntry(HMODULE module, std::string* reason) {
    dlerror();
    void* entry = dlsym(module, kClientInitEntryName);
    if (!entry)
        *reason = LastDlError();
    return reinterpret_cast<ClientInitEntry>(entry);
}

void CloseLibrary(HMODULE module) {
    dlclose(module);
}

#endif

std::string Hex(HRESULT result) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(result));
    return buffer;
}

} // namespace

bool PluginLoader::Fail(const std::string& reason) {
    error_ = "plug-in '" + path_ + "': " + reason;
    return false;
}

void PluginLoader::CloseModule() {
    if (module_)
        CloseLibrary(module_);
    module_ = nullptr;
}

bool PluginLoader::Load(const std::string& path) {
    Unload();
    path_ = path;
    error_.clear();
    std::string reason;
    HMODULE module = OpenModule(path, &reason);
    if (!module)
        return Fail("cannot load: " + reason);
    module_ = module;
    ClientInitEntry entry = FindEntry(module, &reason);
    if (!entry) {
        CloseModule();
        return Fail(std::string("no entry ") + kClientInitEntryName + ": " + reason);
    }
    int answer = -1;
#if defined(_WIN32)
    auto run = [&] { answer = entry(module, &host_, nullptr, nullptr); };
    DWORD code = 0;
    if (!CallCatchingRaisedException(run, &code)) {
        Unload();
        return Fail(std::string(kClientInitEntryName) + " raised exception code " +
                    std::to_string(code));
    }
#else
    try {
        answer = entry(module, &host_, nullptr, nullptr);
    } catch (const PlatformException& e) {
        Unload();
        return Fail(std::string(kClientInitEntryName) + " raised exception code " +
                    std::to_string(e.code));
    }
#endif
    if (answer != 0) {
        Unload();
        return Fail(std::string(kClientInitEntryName) + " answered " + std::to_string(answer));
    }
    if (!host_.HasSink()) {
        Unload();
        return Fail("the client attached no notification sink");
    }
    return true;
}

bool PluginLoader::Initialize(std::int32_t code) {
    if (!loaded())
        return Fail("not loaded");
    HRESULT result = host_.InitializeClient(code);
    return SUCCEEDED(result) ||
           Fail("Initialize(" + std::to_string(code) + ") failed with " + Hex(result));
}

bool PluginLoader::Command(std::int32_t number) {
    if (!loaded())
        return Fail("not loaded");
    HRESULT result = host_.RunCommand(number);
    return SUCCEEDED(result) ||
           Fail("Command(" + std::to_string(number) + ") failed with " + Hex(result));
}

bool PluginLoader::SendMessage(const std::string& text) {
    if (!loaded())
        return Fail("not loaded");
    if (!host_.NotificationRequested(kNotifyCommandMessage))
        return Fail("the client did not ask for command messages; '" + text +
                    "' was not delivered");
    return host_.SendMessage(text) || Fail("the message '" + text + "' failed");
}

void PluginLoader::Unload() {
    if (!module_)
        return;
    // The sink's code lives in the module: its last Release must run before the module closes.
    host_.ReleaseSink();
    CloseModule();
}

} // namespace lxhost
