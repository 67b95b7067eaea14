// The guard of structured_exception.h for 32-bit Windows. The compiler has no __try, so the guard
// does what __try does there: it puts a registration record of its own on the thread's chain of
// exception handlers (fs:[0]) for the length of the call. When an exception that the guard takes
// reaches its handler, the handler unwinds the frames above the record (RtlUnwind calls their
// handlers for cleanup), and jumps back to the guard, which takes its record off the chain.
#include "platform/structured_exception.h"

#if defined(_WIN32)

#if !defined(__i386__)
#error "The structured-exception guard is written for 32-bit x86 Windows (the fs:[0] chain)"
#endif

#include <cstdint>

namespace {

// Codes at or above this are of error severity: processor faults and fatal system errors.
constexpr DWORD kFirstErrorSeverityCode = 0xC0000000u;
constexpr DWORD kUnwindFlags = EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND;

// The registration record must come first: the system hands it to the handler as the frame.
struct GuardFrame {
    EXCEPTION_REGISTRATION_RECORD record;
    void* resume[5]; // __builtin_setjmp's buffer: frame pointer, resume address, stack pointer
    volatile DWORD code;
};

// The head of the thread's handler chain: the first word of the thread information block, at
// fs:[0].
EXCEPTION_REGISTRATION_RECORD* ChainHead() {
    EXCEPTION_REGISTRATION_RECORD* head;
    __asm__ __volatile__("movl %%fs:0, %0" : "=r"(head) : : "memory");
    return head;
}

void SetChainHead(EXCEPTION_REGISTRATION_RECORD* head) {
    __asm__ __volatile__("movl %0, %%fs:0" : : "r"(head) : "memory");
}

EXCEPTION_DISPOSITION NTAPI GuardHandler(EXCEPTION_RECORD* record, void* establisher, CONTEXT*,
                                         void*) {
    if ((record->ExceptionFlags & kUnwindFlags) != 0 ||
        record->ExceptionCode >= kFirstErrorSeverityCode)
        return ExceptionContinueSearch;
    GuardFrame* frame = static_cast<GuardFrame*>(establisher);
    frame->code = record->ExceptionCode;
    // Unwinds every frame registered above ours and comes back here; our record stays on top.
    RtlUnwind(establisher, nullptr, record, nullptr);
    __builtin_longjmp(frame->resume, 1);
}

} // namespace

bool CallCatchingRaisedException(void (*fn)(void*), void* context, DWORD* code) {
    GuardFrame frame = {};
    frame.record.Next = ChainHead();
    frame.record.Handler = GuardHandler;
    bool raised = false;
    if (__builtin_setjmp(frame.resume) == 0) {
        SetChainHead(&frame.record);
        fn(context);
    } else {
        raised = true;
    }
    SetChainHead(frame.record.Next);
    if (raised && code)
        *code = frame.code;
    return !raised;
}

#endif
