// Heap allocation with an optional raise-on-failure mode, and the failure hooks.
#pragma once

#include <cstddef>
#include <cstdint>

// Bit 0 of an allocation's flags: a failed allocation raises the failure exception instead of
// returning null.
constexpr unsigned kMemRaise = 1u;

using FailureHook = void (*)();

// Called, when set, just before an allocation made with kMemRaise raises the failure exception.
extern FailureHook FailureCallback;
// Called by FatalError when it holds anything other than the default handler.
extern FailureHook FatalHandler;
// The default FatalHandler: raises the failure exception.
void DefaultFatalHandler();

// Raises the failure exception (platform exception code 1); does not return.
[[noreturn]] void RaiseFailure();
// What a failed allocation made with kMemRaise does: FailureCallback, when set, then the
// failure exception. For callers that must release something of their own before raising.
[[noreturn]] void RaiseAllocationFailure();
// Calls FatalHandler unless it is the default, then RaiseFailure; does not return.
[[noreturn]] void FatalError();

// Fault injection for tests, in the manner of mature C libraries: while AllocFailCountdown is n >
// 0, the n-th allocation from now fails (returns null, or raises under kMemRaise). It serves the
// Mem and Raw allocators and the host's task memory; 0, the default, turns it off.
extern std::int64_t AllocFailCountdown;
// Counts one allocation down; true when this one must fail.
bool AllocFailsNow();

void* MemAlloc(std::size_t size, unsigned flags);
void* MemCalloc(std::size_t count, std::size_t size, unsigned flags);
// On failure the old block stays valid and owned by the caller.
void* MemRealloc(void* block, std::size_t size, unsigned flags);
// Frees the block (null is ignored) and returns null, so callers can clear their pointer.
void* MemFree(void* block);
// Frees the block the variable holds, if any; the variable itself is left unchanged. Returns 0.
int MemFreeRef(void* blockVariable);
// Sets length bytes to 0. Returns 0, or 1 when the buffer is null.
int MemZero(void* buffer, std::size_t length);
