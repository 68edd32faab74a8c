// The guard around plug-in calls: results and arguments pass through, a fault
// abandons only the call it happened in, and the caller's registers, stack and
// FPU state come back intact.
#include <gtest/gtest.h>
#include <cstdint>
#include "win/plugin_call_guard.h"

namespace {
volatile uintptr_t g_unmapped = 24;
volatile int g_zero = 0;

int WINAPI Combine(int a, int b, int c) { return a * 100 + b * 10 + c; }
int WINAPI WriteUnmapped(int) {
    *reinterpret_cast<volatile int*>(g_unmapped) = 1;
    return 7;
}
int WINAPI DivideByZero(int a) { return a / g_zero; }
// Declared cdecl: leaves its argument for the caller to pop.
int __cdecl LeavesItsArgument(int a) { return a + 1; }
int WINAPI FaultsInsideAGuard(int) {
    int inner = -1;
    const bool returned = CallGuarded(&WriteUnmapped, &inner, 0);
    return returned ? 1 : 2;
}

TEST(PluginCallGuard, PassesArgumentsInOrderAndReturnsTheResult) {
    int result = 0;
    EXPECT_TRUE(CallGuarded(&Combine, &result, 1, 2, 3));
    EXPECT_EQ(result, 123);
}

TEST(PluginCallGuard, FaultsAbandonTheCallAndLeaveTheCallerIntact) {
    // Values live across the call in callee-saved registers and on the stack.
    volatile int before = 0x1234;
    int sum = 0;
    for (int round = 0; round < 50; ++round) {
        int result = -1;
        EXPECT_FALSE(CallGuarded(&WriteUnmapped, &result, round));
        EXPECT_EQ(result, -1) << "a faulted call has no result";
        EXPECT_FALSE(CallGuarded(&DivideByZero, &result, round));
        sum += round;
    }
    EXPECT_EQ(before, 0x1234);
    EXPECT_EQ(sum, 50 * 49 / 2);
}

TEST(PluginCallGuard, NestedGuardContainsTheInnerFaultOnly) {
    int result = 0;
    EXPECT_TRUE(CallGuarded(&FaultsInsideAGuard, &result, 0));
    EXPECT_EQ(result, 2);
}

TEST(PluginCallGuard, FunctionOfTheWrongConventionDoesNotUnbalanceTheStack) {
    const uint32_t argument = 41;
    int result = 0;
    for (int i = 0; i < 1000; ++i)
        ASSERT_TRUE(CallGuardedWords(reinterpret_cast<const void*>(&LeavesItsArgument), &argument, 1, &result));
    EXPECT_EQ(result, 42);
}

uint16_t FpuControlWord() {
    uint16_t word = 0;
    asm volatile("fnstcw %0" : "=m"(word));
    return word;
}
void SetFpuControlWord(uint16_t word) { asm volatile("fldcw %0" : : "m"(word)); }

// Plug-ins set their own precision and rounding; a fault must not leave ours
// changed.
int WINAPI ChangesTheFpuThenFaults(int word) {
    SetFpuControlWord(static_cast<uint16_t>(word));
    return WriteUnmapped(0);
}

TEST(PluginCallGuard, FpuControlWordSurvivesAFault) {
    const uint16_t old = FpuControlWord();
    const uint16_t single = static_cast<uint16_t>(old & ~0x0300);   // 24-bit precision
    SetFpuControlWord(single);
    int result = 0;
    EXPECT_FALSE(CallGuarded(&ChangesTheFpuThenFaults, &result, 0x0F7F));   // 64-bit, round toward zero
    EXPECT_EQ(FpuControlWord(), single);
    SetFpuControlWord(old);
}
}  // namespace
