// Surviving a structured exception raised inside a call: what the host does around every call
// into a client, so that a client that raises (RaiseException, for instance its allocation
// failure with code 1) ends that call and not the host. Windows only; elsewhere the stand-in
// RaiseException throws PlatformException, which the host catches as a C++ exception.
#pragma once

#if defined(_WIN32)

#include "platform/com.h"

// Runs fn(context). true when it returned normally; false when a raised exception ended it, with
// the exception code in *code. Processor faults and the system's fatal errors (codes of error
// severity, 0xC0000000 and above, such as an access violation) are not caught: they are bugs
// and end the process as they would without the guard. The frames between the guard and the
// point of the raise are abandoned: C++ destructors in them do not run, as with the structured
// exception on the real host.
bool CallCatchingRaisedException(void (*fn)(void*), void* context, DWORD* code);

// The same for any callable: call() runs inside the guard.
template <typename Call> bool CallCatchingRaisedException(Call& call, DWORD* code) {
    return CallCatchingRaisedException([](void* c) { (*static_cast<Call*>(c))(); }, &call, code);
}

#endif
