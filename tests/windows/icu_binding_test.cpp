// The run-time binding of the host's ICU: found in the installation directory and used for every
// conversion when it is there; when it is not, conversions yield only the control characters
// and nothing crashes. The ICU library here is the stand-in icuuc99.dll (fake_icu.cpp).
#include "fake_icu.h"
#include "support/enc.h"
#include "support/enc_convert.h"
#include "support/icu_binding.h"
#include "support/mem.h"
#include "support/str.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

// The folder the host's string getter names as the installation directory.
std::string gInstallDir;

char* InstallDirGetter(ObjectId, ObjectId, std::int32_t prop) {
    return prop == kEncPropInstallDir ? StrDup(gInstallDir.c_str()) : nullptr;
}

std::vector<std::string> gConsole;

std::int32_t RecordConsole(const char* utf8) {
    gConsole.emplace_back(utf8 ? utf8 : "(null)");
    return 0;
}

std::string Converted(char* text) {
    std::string s = text ? text : "(null)";
    MemFree(text);
    return s;
}

class IcuBinding : public ::testing::Test {
  protected:
    void SetUp() override {
        IcuUnbind();
        EncHostGetString = InstallDirGetter;
        ConsoleCallback = RecordConsole;
        gConsole.clear();
    }
    void TearDown() override {
        IcuUnbind();
        EncHostGetString = nullptr;
        ConsoleCallback = nullptr;
    }

    // Binds the stand-in through the start-up, as the plug-in does, and returns its state.
    FakeIcuState StartWithFakeIcu() {
        gInstallDir = LX_FAKE_ICU_DIR;
        EXPECT_EQ(EncStartup(), 0);
        EXPECT_EQ(IcuIsBound(), 1);
        EXPECT_NE(GetModuleHandleA("icuuc99.dll"), nullptr);
        return FakeIcuRead();
    }
};

TEST_F(IcuBinding, WithoutALibraryConversionsKeepOnlyTheControlCharacters) {
    struct Case {
        const char* name;
        const char* installDir;
    };
    const Case cases[] = {
        {"no installation directory", ""},
        {"a folder without ICU", LX_NO_ICU_DIR},
        {"a folder that does not exist", "C:\\no\\such\\folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        gInstallDir = c.installDir;
        EXPECT_EQ(EncStartup(), 1);
        EXPECT_EQ(IcuIsBound(), 0);
        EXPECT_STREQ(u_getDataDirectory(), "");
        EXPECT_EQ(Converted(EncToUtf8("Tab\there\nend", kEncFrameRoman)), "\t\n");
        EXPECT_EQ(Converted(EncToUtf8("no controls", kEncFrameRoman)), "");
        // Copies need no converter.
        EXPECT_EQ(Converted(EncConvert("same", "UTF-8", "UTF-8", 0, 0)), "same");
        gConsole.clear();
        ConsolePrint("cannot open \x8E.mif\n");
        ASSERT_EQ(gConsole.size(), 1u);
        EXPECT_EQ(gConsole[0], "\n");
    }
}

TEST_F(IcuBinding, TheLibraryInTheInstallationDirectoryDoesTheConversions) {
    FakeIcuState state = StartWithFakeIcu();
    EXPECT_EQ(IcuBoundVersion(), 99);
    // The data directory is the installation directory's converter folder.
    EXPECT_EQ(std::string(state.dataDirectory), std::string(LX_FAKE_ICU_DIR) + "\\icu_data");
    EXPECT_STREQ(u_getDataDirectory(), state.dataDirectory);

    EXPECT_EQ(Converted(EncToUtf8("caf\xE9\tok", kEncFrameRoman)), "caf\xC3\xA9\tok");
    ConsolePrint("na\xEFve\n");
    ASSERT_EQ(gConsole.size(), 1u);
    EXPECT_EQ(gConsole[0], "na\xC3\xAFve\n");
    // A converter the library lacks fails like a missing one.
    EXPECT_EQ(Converted(EncConvert("abc", "adobe-fm-big5", "UTF-8", 0, 0)), "");
    state = StartWithFakeIcu();
    EXPECT_EQ(state.openConverters, 0) << "every converter opened was closed";
    EXPECT_GT(state.fallbackCalls, 0);
}

TEST_F(IcuBinding, EscapingHandsIcuItsOwnCallback) {
    StartWithFakeIcu();
    Converted(EncConvert("x\xFFy", "adobe-fm-roman-windows", "UTF-8", 0, 1));
    HMODULE fake = GetModuleHandleA("icuuc99.dll");
    FakeIcuState state = StartWithFakeIcu();
    EXPECT_NE(state.toUCallback, nullptr);
    EXPECT_EQ(state.toUCallback,
              reinterpret_cast<const void*>(GetProcAddress(fake, "UCNV_TO_U_CALLBACK_ESCAPE_99")));
}

TEST_F(IcuBinding, UnbindingReleasesTheLibraryAndConversionsFailAgain) {
    StartWithFakeIcu();
    IcuUnbind();
    EXPECT_EQ(GetModuleHandleA("icuuc99.dll"), nullptr);
    EXPECT_EQ(IcuBoundVersion(), 0);
    EXPECT_EQ(Converted(EncToUtf8("abc\t", kEncFrameRoman)), "\t");
}

} // namespace
