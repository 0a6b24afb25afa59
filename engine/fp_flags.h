#pragma once

// Testing and clearing the IEEE flags that mean a failed operation (invalid, division by zero,
// overflow), shared by the scalar and the batch paths of the engine. Internal to engine/.

#include <cfenv>

namespace engine_detail {

#if defined(__x86_64__) && !defined(_WIN32)
// On x86-64 Linux all double arithmetic, glibc's libm included, runs on SSE, whose sticky flags
// live in MXCSR. feclearexcept() also rewrites the whole x87 environment, which costs more than
// the calculation it guards; reading MXCSR and rewriting it only when a flag is up is cheap.
constexpr unsigned kFailBits = 0x01 | 0x04 | 0x08; // invalid, divide-by-zero, overflow

inline unsigned readMxcsr()
{
    unsigned csr;
    asm volatile("stmxcsr %0" : "=m"(csr));
    return csr;
}

inline void clearFailFlags()
{
    unsigned csr = readMxcsr();
    if (csr & kFailBits) {
        csr &= ~kFailBits;
        asm volatile("ldmxcsr %0" : : "m"(csr));
    }
}

inline bool failFlagRaised()
{
    return readMxcsr() & kFailBits;
}

// glibc's sqrt and pow raise the IEEE flags their results call for.
constexpr bool kLibmRaisesFlags = true;

#else
// Elsewhere (MinGW's libm may use the x87 unit) the portable interface sees every unit.
// MinGW's sqrt and pow return NaN or infinity for a negative or zero argument without raising
// any flag: callers also count a non-finite result as a failed operation.
constexpr bool kLibmRaisesFlags = false;
constexpr int kFailFlags = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;

inline void clearFailFlags()
{
    std::feclearexcept(kFailFlags);
}

inline bool failFlagRaised()
{
    return std::fetestexcept(kFailFlags) != 0;
}
#endif

// GCC has no FENV_ACCESS, so the optimiser may move arithmetic across the calls that clear and
// test the flags. The empty volatile asm statements below stop that: openFence() claims to
// rewrite `data`, so nothing computed from it can be hoisted above the point where the flags
// were cleared; closeFence() claims to read the result, so it must exist before the flags are
// tested. Neither emits an instruction.
template <class T> inline void openFence(T &data)
{
    asm volatile("" : "+m"(data));
}
template <class T> inline void closeFence(const T &result)
{
    asm volatile("" : : "m"(result));
}

} // namespace engine_detail
