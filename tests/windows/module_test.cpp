// The real Windows module, loaded by the host with LoadLibraryA: a 32-bit DLL whose only export
// is the decorated entry, whose version resource gives the host the client identification, and
// whose sink hands out its own path and resources. And the host surviving the failure exception
// that the plug-in's allocation routines raise through RaiseException.
#include "fake_icu.h"
#include "host/api/loader.h"
#include "platform/structured_exception.h"
#include "runtime/sink_interfaces.h"
#include "support/mem.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using lxhost::Host;
using lxhost::PluginLoader;

constexpr unsigned kVersionResourceType = 16;
constexpr DWORD kFailureExceptionCode = 1;

class Module : public ::testing::Test {
  protected:
    void SetUp() override {
        host_.SetAlertStream(nullptr);
        host_.SetConsoleStream(nullptr);
        ASSERT_TRUE(loader_.Load(LX_PLUGIN_PATH)) << loader_.error();
        module_ = GetModuleHandleA(LX_PLUGIN_PATH);
        ASSERT_NE(module_, nullptr);
    }

    IFrameMakerNotifications0* Sink() {
        void* out = nullptr;
        EXPECT_EQ(host_.record().sink->QueryInterface(kIidNotifications, &out), S_OK);
        sink_ = static_cast<IFrameMakerNotifications0*>(out);
        return sink_;
    }

    void TearDown() override {
        if (sink_)
            sink_->Release();
        loader_.Unload();
    }

    Host host_;
    PluginLoader loader_{host_};
    HMODULE module_ = nullptr;
    IFrameMakerNotifications0* sink_ = nullptr;
};

TEST_F(Module, IsA32BitDllExportingOnlyTheDecoratedEntry) {
    const auto* base = reinterpret_cast<const unsigned char*>(module_);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(base + dos->e_lfanew);
    EXPECT_EQ(nt->FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_NE(nt->FileHeader.Characteristics & IMAGE_FILE_DLL, 0);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    ASSERT_NE(dir.VirtualAddress, 0u);
    const auto* exports =
        reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    EXPECT_EQ(exports->NumberOfFunctions, 1u);
    ASSERT_EQ(exports->NumberOfNames, 1u);
    const auto* names = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    EXPECT_STREQ(reinterpret_cast<const char*>(base + names[0]), "_F_ApiClientInit@16");
    EXPECT_EQ(GetProcAddress(module_, "F_ApiClientInit"), nullptr);
}

TEST_F(Module, TheVersionResourceIdentifiesTheClientToTheHost) {
    const auto& info = host_.record().clientInfo;
    ASSERT_EQ(info.size(), 4u);
    const char* expected[] = {"Lexameter", "Standard", "Lexameter (Frame 2017)", "Maker MakerSGML"};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(info[i].num, static_cast<std::int32_t>(i + 2));
        EXPECT_EQ(std::get<std::string>(info[i].value.payload), expected[i]);
    }
    EXPECT_EQ(host_.record().module, module_);

    // The fixed part and the keys the runtime does not read are there too.
    char path[MAX_PATH];
    ASSERT_NE(GetModuleFileNameA(module_, path, sizeof path), 0u);
    DWORD size = GetFileVersionInfoSizeA(path, nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040904b0\\OriginalFilename", &value,
                               &length));
    EXPECT_STREQ(static_cast<const char*>(value), "Lexameter.dll");
}

TEST_F(Module, GetResourceHandsOutTheModulePathAndItsResources) {
    IFrameMakerNotifications0* sink = Sink();
    ResourceRecord record{0, nullptr};
    ASSERT_EQ(sink->GetResource(0, nullptr, &record), S_OK);
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(module_, path, sizeof path);
    ASSERT_NE(n, 0u);
    ASSERT_EQ(record.size, static_cast<std::int32_t>(n + 1)); // with its terminator
    EXPECT_STREQ(static_cast<const char*>(record.bytes), path);
    EXPECT_NE(std::string(path).find("Lexameter.dll"), std::string::npos);
    CoTaskMemFree(record.bytes);

    ResourceRecord version{0, nullptr};
    ASSERT_EQ(sink->GetResource(kVersionResourceType, "#1", &version), S_OK);
    HRSRC found = FindResourceA(module_, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));
    ASSERT_NE(found, nullptr);
    ASSERT_EQ(version.size, static_cast<std::int32_t>(SizeofResource(module_, found)));
    EXPECT_EQ(std::memcmp(version.bytes, LockResource(LoadResource(module_, found)), version.size),
              0);
    CoTaskMemFree(version.bytes);

    ResourceRecord missing{7, nullptr};
    EXPECT_EQ(sink->GetResource(6, "#9", &missing), E_FAIL);
    EXPECT_EQ(missing.size, 7);
}

TEST(ModuleIcu, TheModuleBindsTheHostsIcuInTheInstallationDirectoryUntilItShutsDown) {
    constexpr std::int32_t kAppInstallDir = 89;
    Host host;
    host.SetAlertStream(nullptr);
    host.SetConsoleStream(nullptr);
    host.SetValue(0, kAppInstallDir, {std::optional<std::string>(LX_FAKE_ICU_DIR)});
    PluginLoader loader(host);
    ASSERT_TRUE(loader.Load(LX_PLUGIN_PATH)) << loader.error();
    ASSERT_NE(GetModuleHandleA("icuuc99.dll"), nullptr);
    // The start-up pointed the host's ICU at the installation directory's converter data.
    EXPECT_EQ(std::string(FakeIcuRead().dataDirectory),
              std::string(LX_FAKE_ICU_DIR) + "\\icu_data");
    loader.Unload();
    EXPECT_EQ(GetModuleHandleA("icuuc99.dll"), nullptr);
}

// A client whose command fails an allocation that must not fail, through the plug-in's own
// allocation routine: the failure exception, code 1, raised with RaiseException.
class FailingSink final : public IFrameMakerNotifications0 {
  public:
    HRESULT LX_STDCALL QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (!IsEqualGUID(iid, kIidNotifications) && !IsEqualGUID(iid, kIidUnknown))
            return E_NOINTERFACE;
        *out = static_cast<IFrameMakerNotifications0*>(this);
        AddRef();
        return S_OK;
    }
    ULONG LX_STDCALL AddRef() override { return ++count; }
    ULONG LX_STDCALL Release() override { return --count; }
    HRESULT LX_STDCALL Initialize(std::int32_t) override { return S_OK; }
    HRESULT LX_STDCALL Quit() override { return S_OK; }
    HRESULT LX_STDCALL Command(std::int32_t command) override {
        if (command == 1)
            MemAlloc(static_cast<std::size_t>(-1) / 2, kMemRaise);
        ++commandsFinished;
        return S_OK;
    }
    HRESULT LX_STDCALL Message(std::int32_t, std::int32_t, std::int32_t) override { return S_OK; }
    HRESULT LX_STDCALL DialogEvent(std::int32_t, std::int32_t, std::int32_t) override {
        return S_OK;
    }
    HRESULT LX_STDCALL Notify(std::int32_t, ObjectId, const char*, std::int32_t) override {
        return S_OK;
    }
    HRESULT LX_STDCALL GetResource(std::int32_t, const char*, ResourceRecord*) override {
        return E_FAIL;
    }

    ULONG count = 1;
    int commandsFinished = 0;
};

TEST(RaisedException, TheHostSeesTheFailureExceptionAsCodeOneAndGoesOn) {
    Host host;
    FailingSink sink;
    ASSERT_EQ(host.api().Connect(&sink, kClientAttachFlags, nullptr), S_OK);
    EXPECT_EQ(host.RunCommand(1), E_FAIL);
    EXPECT_EQ(host.RunCommand(1), E_FAIL);
    EXPECT_EQ(host.RunCommand(2), S_OK);
    EXPECT_EQ(host.record().raised, (std::vector<std::uint32_t>{1, 1}));
    EXPECT_EQ(sink.commandsFinished, 1);
    host.ReleaseSink();
}

TEST(RaisedException, TheGuardPassesOnNormalReturnsAndNests) {
    struct Case {
        const char* name;
        DWORD raise; // 0: return normally
        bool returned;
    };
    const Case cases[] = {
        {"normal return", 0, true},
        {"failure exception", kFailureExceptionCode, false},
        {"another code", 0x20000042u, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DWORD code = 0xFFFFFFFFu;
        int after = 0;
        auto body = [&] {
            if (c.raise)
                RaiseException(c.raise, 0, 0, nullptr);
            ++after;
        };
        EXPECT_EQ(CallCatchingRaisedException(body, &code), c.returned);
        EXPECT_EQ(after, c.returned ? 1 : 0);
        if (!c.returned) {
            EXPECT_EQ(code, c.raise);
        }
    }
    // An inner guard takes the exception; the outer call returns normally.
    DWORD inner = 0;
    DWORD outer = 0;
    bool innerReturned = true;
    auto nested = [&] {
        auto raising = [] { RaiseException(kFailureExceptionCode, 0, 0, nullptr); };
        innerReturned = CallCatchingRaisedException(raising, &inner);
    };
    EXPECT_TRUE(CallCatchingRaisedException(nested, &outer));
    EXPECT_FALSE(innerReturned);
    EXPECT_EQ(inner, kFailureExceptionCode);
}

} // namespace
