// Calls into plug-in code with hardware faults contained. Image plug-ins run in
// the host's process; one that faults on an odd file must cost that file its
// picture, not the host its memos.
//
// The guard is a structured exception frame of our own, pushed onto the 32-bit
// handler chain right below the plug-in's code. The plug-in's own handlers see
// a fault first; one that reaches ours is contained: the handler resumes at a
// recovery point in the thunk with our stack frame and the handler chain as
// they were before the call. A vectored handler would come before the plug-in's
// own handlers and take faults it means to catch itself.
//
// Header only, so that the reference host asks plug-ins under the same guard
// without compiling any of the library.
#pragma once
#include <windows.h>
#include <cstdint>
#include <type_traits>

namespace guard_detail {
// Shared by the thunk and the handler; the offsets are the thunk's.
struct GuardFrame {
    uint16_t fpuControl;   // 0: control word at entry, reloaded after a fault
    uint16_t unused;
    uint32_t faulted;      // 4: set by the recovery path
    const void* resume;    // 8: the recovery point, stored by the thunk
    const void* handler;   // 12: pushed as the registration's handler
};
static_assert(sizeof(GuardFrame) == 16, "GuardFrame layout");

// The registration record {next, handler, frame} sits 24 bytes below the
// thunk's frame pointer, under the saved ebx, esi and edi.
constexpr uint32_t kRegistrationBelowFrame = 24;

// Fault codes of the processor; software exceptions (C++ throws, breakpoints)
// and stack overflow pass through untouched.
inline bool IsContainedFault(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_IN_PAGE_ERROR:
        return true;
    default:
        return false;
    }
}

inline EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void* registration, CONTEXT* context,
                                                  void*) {
    constexpr DWORD kUnwinding = 0x2 | 0x4;   // EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND
    if (record->ExceptionFlags & kUnwinding) return ExceptionContinueSearch;
    if (!IsContainedFault(record->ExceptionCode)) return ExceptionContinueSearch;
    // Resume in the thunk's frame; the recovery path drops whatever handler
    // records the plug-in left on the chain.
    const GuardFrame* frame = static_cast<GuardFrame* const*>(registration)[2];
    const DWORD at = static_cast<DWORD>(reinterpret_cast<uintptr_t>(registration));
    context->Esp = at;
    context->Ebp = at + kRegistrationBelowFrame;
    context->Eip = static_cast<DWORD>(reinterpret_cast<uintptr_t>(frame->resume));
    return ExceptionContinueExecution;
}

// cdecl: GuardedCallThunk(frame, function, arguments, count)
//   8(%ebp) frame, 12(%ebp) function, 16(%ebp) arguments, 20(%ebp) count
// Pushes `count` words from arguments (first argument first) and calls
// function, inside the registration record; label 9 is the recovery point.
__attribute__((naked, noinline)) inline int GuardedCallThunk(GuardFrame*, const void*, const uint32_t*, int) {
    asm(R"(
    pushl %ebp
    movl  %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl  8(%ebp), %eax
    pushl %eax
    pushl 12(%eax)
    pushl %fs:0
    movl  %esp, %fs:0
    fnstcw (%eax)
    movl  $9f, 8(%eax)
    movl  16(%ebp), %esi
    movl  20(%ebp), %ecx
1:  testl %ecx, %ecx
    jz    2f
    decl  %ecx
    pushl (%esi,%ecx,4)
    jmp   1b
2:  call  *12(%ebp)
    jmp   3f
9:  movl  8(%ebp), %ecx
    movl  $1, 4(%ecx)
    fninit
    fldcw (%ecx)
    cld
    xorl  %eax, %eax
3:  leal  -24(%ebp), %esp
    popl  %ecx
    movl  %ecx, %fs:0
    addl  $8, %esp
    popl  %edi
    popl  %esi
    popl  %ebx
    popl  %ebp
    ret
)");
}

template <typename T>
uint32_t ToWord(T value) {
    static_assert(sizeof(T) == sizeof(uint32_t), "plug-in arguments are 32-bit");
    if constexpr (std::is_pointer_v<T>)
        return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(value));
    else
        return static_cast<uint32_t>(value);
}
}  // namespace guard_detail

// Calls the stdcall function at `function` with `count` 32-bit arguments (first
// argument first). Returns true and stores the function's result when it
// returned; returns false when a fault inside it, which the plug-in did not
// handle itself, abandoned the call. The stack and the FPU are restored either
// way, so a function declared with the wrong convention is survived as well.
inline bool CallGuardedWords(const void* function, const uint32_t* arguments, int count, int* result) {
    guard_detail::GuardFrame frame{};
    frame.handler = reinterpret_cast<const void*>(&guard_detail::GuardHandler);
    const int value = guard_detail::GuardedCallThunk(&frame, function, arguments, count);
    if (frame.faulted) return false;
    *result = value;
    return true;
}

// Typed form: `CallGuarded(fn, &result, a, b)` calls fn(a, b) under the guard.
template <typename... Params, typename... Args>
bool CallGuarded(int(WINAPI* function)(Params...), int* result, Args... args) {
    static_assert(sizeof...(Params) == sizeof...(Args), "argument count");
    const uint32_t words[] = {guard_detail::ToWord(static_cast<Params>(args))..., 0};
    return CallGuardedWords(reinterpret_cast<const void*>(function), words, sizeof...(Params), result);
}
