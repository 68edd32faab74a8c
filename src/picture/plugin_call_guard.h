// Calls into plug-in code with hardware faults contained. Image plug-ins run in
// the host's process; one that faults on an odd file must cost that file its
// picture, not the host its memos.
#pragma once
#include <windows.h>
#include <cstdint>
#include <type_traits>

// Calls the stdcall function at `function` with `count` 32-bit arguments (first
// argument first). Returns true and stores the function's result when it
// returned; returns false when a fault inside it, which the plug-in did not
// handle itself, abandoned the call. The stack and the FPU are restored either
// way, so a function declared with the wrong convention is survived as well.
bool CallGuardedWords(const void* function, const uint32_t* arguments, int count, int* result);

namespace guard_detail {
template <typename T>
uint32_t ToWord(T value) {
    static_assert(sizeof(T) == sizeof(uint32_t), "plug-in arguments are 32-bit");
    if constexpr (std::is_pointer_v<T>)
        return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(value));
    else
        return static_cast<uint32_t>(value);
}
}  // namespace guard_detail

// Typed form: `CallGuarded(fn, &result, a, b)` calls fn(a, b) under the guard.
template <typename... Params, typename... Args>
bool CallGuarded(int(WINAPI* function)(Params...), int* result, Args... args) {
    static_assert(sizeof...(Params) == sizeof...(Args), "argument count");
    const uint32_t words[] = {guard_detail::ToWord(static_cast<Params>(args))..., 0};
    return CallGuardedWords(reinterpret_cast<const void*>(function), words, sizeof...(Params), result);
}
