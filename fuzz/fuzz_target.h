// What every fuzz target shares: the entry libFuzzer (and the replay of the stored inputs) calls,
// taking the input as a string view, and the way a target reports a broken invariant.
//
//   LX_FUZZ_TARGET(input) {
//       ... read input ...
//       FuzzCheck(result == again, "reading twice gave two results");
//   }
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

// Reports a broken invariant on standard error and stops the run with a trap, which libFuzzer
// records as a crash with its input.
[[noreturn]] inline void FuzzFail(const char* what) {
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::fflush(stderr);
    __builtin_trap();
}

inline void FuzzCheck(bool holds, const char* what) {
    if (!holds)
        FuzzFail(what);
}

#define LX_FUZZ_TARGET(input)                                                                      \
    static void LxFuzzOneInput(std::string_view input);                                            \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {            \
        LxFuzzOneInput(std::string_view(reinterpret_cast<const char*>(data), size));               \
        return 0;                                                                                  \
    }                                                                                              \
    static void LxFuzzOneInput(std::string_view input)
