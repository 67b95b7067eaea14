// A fresh headless host with the plug-in module loaded the way the command-line tool loads it,
// for fuzz targets that run commands end to end. Whatever the input, loading, every command and
// unloading must succeed, and the client must give back every host reference and host block.
#pragma once

#include "fuzz/fuzz_target.h"
#include "host/api/host.h"
#include "host/api/loader.h"

#include <cstdint>

class PluginRun {
  public:
    PluginRun() : baseline_(TaskMemGetStats()) {
        host_.SetAlertStream(nullptr);
        host_.SetConsoleStream(nullptr);
        host_.session().installDir = LX_FUZZ_INSTALL_DIR;
    }
    PluginRun(const PluginRun&) = delete;
    PluginRun& operator=(const PluginRun&) = delete;

    lxhost::Host& host() { return host_; }
    lxhost::Session& session() { return host_.session(); }

    // Loads and starts the plug-in; call after the documents are in the session.
    void Start() {
        FuzzCheck(loader_.Load(LX_FUZZ_PLUGIN) && loader_.Initialize(1),
                  "the plug-in did not load and start");
    }
    void Command(std::int32_t number) {
        FuzzCheck(loader_.Command(number), "a command failed");
        FuzzCheck(host_.record().raised.empty(), "a command raised an exception");
    }
    // Unloads the plug-in and checks what it gave back.
    void Finish() {
        loader_.Unload();
        FuzzCheck(host_.OutstandingReferences() == 0, "the client kept host references");
        host_.memory().ReleaseKept();
        const TaskMemStats now = TaskMemGetStats();
        FuzzCheck(now.liveBlocks == baseline_.liveBlocks, "host blocks were not released");
        FuzzCheck(now.badReleases == baseline_.badReleases, "a host block was released twice");
    }

  private:
    TaskMemStats baseline_;
    lxhost::Host host_;
    lxhost::PluginLoader loader_{host_};
};
