#include "support/mem.h"

#include "platform/com.h"

#include <cstdlib>
#include <cstring>

FailureHook FailureCallback = nullptr;
std::int64_t AllocFailCountdown = 0;
FailureHook FatalHandler = DefaultFatalHandler;

// The code carried by the failure exception.
constexpr DWORD kFailureExceptionCode = 1;

void RaiseFailure() {
    RaiseException(kFailureExceptionCode, 0, 0, nullptr);
    // RaiseException does not come back for a non-continuable exception; make sure of it.
    std::abort();
}

void DefaultFatalHandler() {
    RaiseFailure();
}

void FatalError() {
    if (FatalHandler && FatalHandler != DefaultFatalHandler)
        FatalHandler();
    RaiseFailure();
}

void RaiseAllocationFailure() {
    if (FailureCallback)
        FailureCallback();
    RaiseFailure();
}

namespace {

void* CheckAllocation(void* block, unsigned flags) {
    if (block || (flags & kMemRaise) == 0)
        return block;
    RaiseAllocationFailure();
}

} // namespace

bool AllocFailsNow() {
    if (AllocFailCountdown <= 0)
        return false;
    return --AllocFailCountdown == 0;
}

void* MemAlloc(std::size_t size, unsigned flags) {
    return CheckAllocation(AllocFailsNow() ? nullptr : std::malloc(size), flags);
}

void* MemCalloc(std::size_t count, std::size_t size, unsigned flags) {
    return CheckAllocation(AllocFailsNow() ? nullptr : std::calloc(count, size), flags);
}

void* MemRealloc(void* block, std::size_t size, unsigned flags) {
    return CheckAllocation(AllocFailsNow() ? nullptr : std::realloc(block, size), flags);
}

void* MemFree(void* block) {
    std::free(block);
    return nullptr;
}

int MemFreeRef(void* blockVariable) {
    if (blockVariable) {
        void* block = nullptr;
        std::memcpy(&block, blockVariable, sizeof block);
        std::free(block);
    }
    return 0;
}

int MemZero(void* buffer, std::size_t length) {
    if (!buffer)
        return 1;
    std::memset(buffer, 0, length);
    return 0;
}
