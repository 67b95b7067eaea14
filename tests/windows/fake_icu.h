// What the stand-in ICU library (fake_icu.cpp, icuuc99.dll) recorded, read through its export
// FakeIcuGetState while it is loaded.
#pragma once

#include <windows.h>

struct FakeIcuState {
    const char* dataDirectory;
    const void* toUCallback;
    int fallbackCalls;
    int openConverters;
};

// The stand-in's record; all null and zero when it is not loaded.
inline FakeIcuState FakeIcuRead() {
    HMODULE fake = GetModuleHandleA("icuuc99.dll");
    auto get = fake ? reinterpret_cast<FakeIcuState (*)()>(
                          reinterpret_cast<void*>(GetProcAddress(fake, "FakeIcuGetState")))
                    : nullptr;
    return get ? get() : FakeIcuState{};
}
