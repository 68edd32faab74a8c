// The guard is a structured exception frame of our own, pushed onto the 32-bit
// handler chain right below the plug-in's code. The plug-in's own handlers see
// a fault first; one that reaches ours is contained: the handler resumes at a
// recovery point in the thunk with our stack frame and the handler chain as
// they were before the call. A vectored handler would come before the plug-in's
// own handlers and take faults it means to catch itself.
#include "picture/plugin_call_guard.h"

namespace {
// Offsets used by the thunk below.
struct GuardFrame {
    uint16_t fpuControl;   // 0: control word at entry, reloaded after a fault
    uint16_t unused;
    uint32_t faulted;      // 4: set by the recovery path
};
static_assert(sizeof(GuardFrame) == 8, "GuardFrame layout");

// The registration record sits 24 bytes below the thunk's frame pointer.
constexpr uint32_t kRegistrationBelowFrame = 24;

// Fault codes of the processor; software exceptions (C++ throws, breakpoints)
// and stack overflow pass through untouched.
bool IsContainedFault(DWORD code) {
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
}  // namespace

extern "C" {
int BrimselGuardedCall(GuardFrame* frame, const void* function, const uint32_t* arguments, int count);
void BrimselGuardResume();
EXCEPTION_DISPOSITION __cdecl BrimselGuardHandler(EXCEPTION_RECORD* record, void* registration, CONTEXT* context,
                                                  void* dispatcher);
}

// cdecl: BrimselGuardedCall(frame, function, arguments, count)
//   8(%ebp) frame, 12(%ebp) function, 16(%ebp) arguments, 20(%ebp) count
// Below the saved ebx/esi/edi: the registration record {next, handler} and the
// frame pointer after it.
asm(R"(
    .text
    .globl _BrimselGuardedCall
    .globl _BrimselGuardResume
_BrimselGuardedCall:
    pushl %ebp
    movl  %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    pushl 8(%ebp)
    pushl $_BrimselGuardHandler
    pushl %fs:0
    movl  %esp, %fs:0
    movl  8(%ebp), %eax
    fnstcw (%eax)
    movl  16(%ebp), %esi
    movl  20(%ebp), %ecx
1:  testl %ecx, %ecx
    jz    2f
    decl  %ecx
    pushl (%esi,%ecx,4)
    jmp   1b
2:  call  *12(%ebp)
    jmp   3f
_BrimselGuardResume:
    movl  8(%ebp), %ecx
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

EXCEPTION_DISPOSITION __cdecl BrimselGuardHandler(EXCEPTION_RECORD* record, void* registration, CONTEXT* context,
                                                  void*) {
    constexpr DWORD kUnwinding = 0x2 | 0x4;   // EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND
    if (record->ExceptionFlags & kUnwinding) return ExceptionContinueSearch;
    if (!IsContainedFault(record->ExceptionCode)) return ExceptionContinueSearch;
    // Resume in the thunk's frame; the recovery path drops whatever handler
    // records the plug-in left on the chain.
    const DWORD at = static_cast<DWORD>(reinterpret_cast<uintptr_t>(registration));
    context->Esp = at;
    context->Ebp = at + kRegistrationBelowFrame;
    context->Eip = static_cast<DWORD>(reinterpret_cast<uintptr_t>(&BrimselGuardResume));
    return ExceptionContinueExecution;
}

bool CallGuardedWords(const void* function, const uint32_t* arguments, int count, int* result) {
    GuardFrame frame{};
    const int value = BrimselGuardedCall(&frame, function, arguments, count);
    if (frame.faulted) return false;
    *result = value;
    return true;
}
