// Loading the plug-in module the way the real host does: open the library, look up its client
// entry, call it with the module handle and the host object, and keep the notification sink the
// client attached. Unloading drops the host's reference to the sink (normally its last, which
// shuts the client down) before the library is closed.
#pragma once

#include "host/api/host.h"

#include <cstdint>
#include <string>

namespace lxhost {

class PluginLoader {
  public:
    explicit PluginLoader(Host& host) : host_(host) {}
    PluginLoader(const PluginLoader&) = delete;
    PluginLoader& operator=(const PluginLoader&) = delete;
    ~PluginLoader() { Unload(); }

    // Opens the module at path and connects it: true when the entry answered 0 and a sink is
    // attached. On failure nothing stays loaded and error() says what went wrong, naming the
    // module.
    bool Load(const std::string& path);
    bool loaded() const { return module_ != nullptr; }
    const std::string& path() const { return path_; }
    const std::string& error() const { return error_; }

    // The sink's methods; false (with error()) when nothing is loaded or the call failed.
    bool Initialize(std::int32_t code = 1);
    bool Command(std::int32_t number);
    // A command message; false when the client did not ask for messages.
    bool SendMessage(const std::string& text);

    // Releases the sink and closes the module; safe to call when nothing is loaded.
    void Unload();

  private:
    bool Fail(const std::string& reason);
    void CloseModule();

    Host& host_;
    HMODULE module_ = nullptr;
    std::string path_;
    std::string error_;
};

} // namespace lxhost
