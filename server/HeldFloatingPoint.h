#pragma once

// The engine finds a failed step by the IEEE flags it raises, so it must run with every
// floating-point trap masked; a host that unmasks them (feenableexcept, some runtimes do)
// would otherwise take SIGFPE inside a call that promises never to fail. The host's own
// traps and sticky flags are its business, so they must come back exactly as they were.
//
// HeldFloatingPoint masks every trap of the calling thread and clears the flags the engine
// tests for its lifetime, then restores the thread's control and status exactly.

#if defined(__x86_64__) && defined(__GNUC__)
#include <xmmintrin.h>

#include <cstdint>
#else
#include <cfenv>
#endif

#if defined(__x86_64__) && defined(__GNUC__)

// On x86-64 doubles run on SSE, whose traps and flags are MXCSR; MinGW's maths routines also
// use the x87 unit, glibc's do not. fegetenv/fesetenv save and load the whole x87 environment,
// which costs as much as a calculation; reading the control and status words is cheap, and in
// the usual case (traps masked, no failure flag up) nothing is written at all. Where nothing
// runs on the x87 unit its traps cannot fire and its flags cannot change, so it is left alone.
class HeldFloatingPoint
{
public:
    HeldFloatingPoint() noexcept : mxcsr_(_mm_getcsr())
    {
        const unsigned held = (mxcsr_ | kSseMasks) & ~kSseFailFlags;
        if (held != mxcsr_)
            _mm_setcsr(held);
        if constexpr (kUsesX87)
            holdX87();
    }

    ~HeldFloatingPoint()
    {
        if constexpr (kUsesX87)
            restoreX87();
        if (_mm_getcsr() != mxcsr_)
            _mm_setcsr(mxcsr_);
    }

    HeldFloatingPoint(const HeldFloatingPoint &) = delete;
    HeldFloatingPoint &operator=(const HeldFloatingPoint &) = delete;

private:
#if defined(_WIN32)
    static constexpr bool kUsesX87 = true;
#else
    static constexpr bool kUsesX87 = false;
#endif
    static constexpr unsigned kSseMasks = 0x1f80;    // all six exception masks
    static constexpr unsigned kSseFailFlags = 0x0d;  // invalid, divide-by-zero, overflow
    static constexpr std::uint16_t kX87Masks = 0x3f; // all six exception masks
    static constexpr std::uint16_t kX87FailFlags = 0x0d;
    // The six flags, stack fault, and the error-summary and busy bits that follow them.
    static constexpr std::uint16_t kX87StatusKept = 0x80ff;

    // The 28-byte environment fnstenv stores in 32- and 64-bit mode.
    struct X87Environment
    {
        std::uint16_t control, unused1;
        std::uint16_t status, unused2;
        std::uint32_t rest[5];
    };

    void holdX87()
    {
        __asm__ __volatile__("fnstcw %0" : "=m"(x87Control_));
        __asm__ __volatile__("fnstsw %0" : "=m"(x87Status_));
        if ((x87Control_ & kX87Masks) != kX87Masks || (x87Status_ & kX87FailFlags)) {
            // Clear first: loading a control word over a pending unmasked exception traps.
            const std::uint16_t held = x87Control_ | kX87Masks;
            __asm__ __volatile__("fnclex\n\tfldcw %0" : : "m"(held));
            x87Changed_ = true;
        }
    }

    void restoreX87()
    {
        std::uint16_t status = 0;
        __asm__ __volatile__("fnstsw %0" : "=m"(status));
        if ((status & kX87StatusKept) != (x87Status_ & kX87StatusKept)) {
            // Only a full environment load sets status bits back.
            X87Environment env;
            __asm__ __volatile__("fnstenv %0" : "=m"(env));
            env.control = x87Control_;
            env.status = (env.status & ~kX87StatusKept) | (x87Status_ & kX87StatusKept);
            __asm__ __volatile__("fldenv %0" : : "m"(env));
        } else if (x87Changed_) {
            __asm__ __volatile__("fldcw %0" : : "m"(x87Control_));
        }
    }

    unsigned mxcsr_;
    std::uint16_t x87Control_ = 0;
    std::uint16_t x87Status_ = 0;
    bool x87Changed_ = false;
};

#else

// Elsewhere the standard interface: feholdexcept saves the environment, clears the flags and
// masks every trap; fesetenv puts the saved one back as it was.
class HeldFloatingPoint
{
public:
    HeldFloatingPoint() noexcept { std::feholdexcept(&saved_); }
    ~HeldFloatingPoint() { std::fesetenv(&saved_); }

    HeldFloatingPoint(const HeldFloatingPoint &) = delete;
    HeldFloatingPoint &operator=(const HeldFloatingPoint &) = delete;

private:
    std::fenv_t saved_;
};

#endif
