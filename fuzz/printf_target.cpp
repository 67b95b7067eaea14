// The printf engine's fuzz target. The input picks the encoding in force and the output buffer's
// size, and the rest is the format. Whatever the widths and precisions (up to 2147483647 and
// beyond), the output stays within the buffer, is terminated, and no block larger than a bound
// set by the buffer is asked of the heap.
//
// The format decides which arguments the engine takes, so the target passes arguments that are
// safe under every reading on the x86-64 calling convention: eight doubles, which fill the vector
// registers, then pointers to one writable, terminated cell. An argument read as int is the low
// half of the address (a large width or precision, which is the point); one read as a string or
// a pointer is the cell; "%n" writes into the cell. The format is cut before its 25th "%" or "*",
// so that no more arguments are taken than are passed.
#include "fuzz/fuzz_target.h"
#include "support/enc.h"
#include "support/printf.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LX_MALLOC_HOOKS 1
#include <sanitizer/allocator_interface.h>
#endif
#endif

namespace {

constexpr std::size_t kMaxArguments = 24;
constexpr std::size_t kMaxBuffer = 65536;
// The engine's own storage and the standard formatter's work need some room beyond the output.
constexpr std::size_t kHeapSlack = 64 * 1024;

std::size_t largestBlock = 0;

#if defined(LX_MALLOC_HOOKS)
void OnMalloc(const volatile void*, std::size_t size) {
    if (size > largestBlock)
        largestBlock = size;
}
#endif

// The format up to its (kMaxArguments + 1)-th "%" or "*".
std::string CutFormat(std::string_view text) {
    std::size_t takers = 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        if ((text[i] == '%' || text[i] == '*') && ++takers > kMaxArguments)
            return std::string(text.substr(0, i));
    return std::string(text);
}

} // namespace

LX_FUZZ_TARGET(input) {
    if (input.size() < 3)
        return;
#if defined(LX_MALLOC_HOOKS)
    static const int installed = __sanitizer_install_malloc_and_free_hooks(OnMalloc, nullptr);
    (void)installed;
#endif
    EncSetCurrent(kEncRanges[static_cast<unsigned char>(input[0]) % kEncCount].name);
    const std::size_t size =
        1 + (static_cast<unsigned char>(input[1]) |
             static_cast<std::size_t>(static_cast<unsigned char>(input[2])) << 8) %
                kMaxBuffer;
    input.remove_prefix(3);
    const std::string format = CutFormat(input.substr(0, input.find('\0')));

    std::unique_ptr<char[]> buffer(new char[size]);
    std::memset(buffer.get(), 0x55, size);
    alignas(8) static char cell[32];
    static const char kCellText[] = "cell text \xC3\xA9\xE3\x81\x82 end";
    std::memset(cell, 0, sizeof cell);
    std::memcpy(cell, kCellText, sizeof kCellText);
    char* c = cell;
    largestBlock = 0;
    const std::size_t written =
        StrPrintfN(buffer.get(), size, format.c_str(), 1.5, -0.0, 1e300, -2.5e-310, 3.0e38,
                   123456789.125, 1e-5, 42.0, c, c, c, c, c, c, c, c, c, c, c, c, c, c, c, c, c, c,
                   c, c, c, c, c, c, c, c, c, c, c, c, c, c, c, c, c, c, c, c, c, c, c, c, c, c);
    FuzzCheck(written < size, "more bytes written than the buffer holds");
    FuzzCheck(std::memchr(buffer.get(), '\0', size) != nullptr, "the output is not terminated");
    FuzzCheck(largestBlock <= size + kHeapSlack, "a heap block far beyond what the buffer shows");
}
