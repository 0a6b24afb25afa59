/* A C host with its own floating-point environment calls the library: with traps enabled
 * nothing may trap, and whatever the host had set and raised must be there after each call.
 * Each case runs in a child process, so a trap is reported as that case's failure. */
#define _GNU_SOURCE
#include "tarnwell.h"

#include <fenv.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>
#if defined(__x86_64__)
#include <xmmintrin.h>
#endif

struct call
{
    double meter, plate, sg, temp, pressure, difference;
};

/* One object's history: steps that fail on a zero meter, an overflowing ratio and a
 * negative differential each fall back on what the calls before left; a signalling NaN is
 * refused before any arithmetic. */
static const struct call kCalls[] = {
    {2.067, 0.5, 0.615, 55, 100, 4.9},
    {0, 0.5, 0.615, 55, 100, 4.9},
    {1e-300, 1e300, 0.615, 55, 100, 4.9},
    {2.067, 0.5, 0.615, 55, 100, -1},
    {__builtin_nans(""), 0.5, 0.615, 55, 100, 4.9},
    {3.068, 1.5, 0.6, 80, 250, 2.0},
};
#define CALL_COUNT (sizeof kCalls / sizeof kCalls[0])

/* What a host can see of its environment. fegetexcept reads only the x87 unit on x86-64,
 * where doubles run on SSE, so MXCSR (its masks and flags) is compared whole. */
struct fp_state
{
    int traps;
    int flags;
    unsigned mxcsr;
};

static struct fp_state read_state(void)
{
    struct fp_state s;
    s.traps = fegetexcept();
    s.flags = fetestexcept(FE_ALL_EXCEPT);
#if defined(__x86_64__)
    s.mxcsr = _mm_getcsr();
#else
    s.mxcsr = 0;
#endif
    return s;
}

static int same_state(struct fp_state a, struct fp_state b)
{
    return a.traps == b.traps && a.flags == b.flags && a.mxcsr == b.mxcsr;
}

/* The calls on a new object; states, when given, gets the environment after each call. */
static int run_calls(double flows[CALL_COUNT], struct fp_state states[CALL_COUNT])
{
    tarnwell_flow_class *object = tarnwell_flow_class_new();
    if (!object)
        return 1;
    for (size_t i = 0; i < CALL_COUNT; ++i) {
        const struct call *c = &kCalls[i];
        flows[i] = tarnwell_calc_flow(object, c->meter, c->plate, c->sg, c->temp, c->pressure,
                                      c->difference);
        if (states)
            states[i] = read_state();
    }
    tarnwell_flow_class_free(object);
    return 0;
}

/* Runs the calls in the environment the case sets up; 0 when the results match the plain
 * environment's and the environment is the same after every call. Nothing is compared or
 * printed until the host's traps are off again, so only the library can trap. */
static int run_case(void (*setup)(void), const double expected[CALL_COUNT])
{
    double flows[CALL_COUNT];
    struct fp_state after[CALL_COUNT];
    feclearexcept(FE_ALL_EXCEPT);
    setup();
    const struct fp_state before = read_state();
    const int out_of_memory = run_calls(flows, after);
    fedisableexcept(FE_ALL_EXCEPT);
    if (out_of_memory)
        return 1;

    int failures = 0;
    for (size_t i = 0; i < CALL_COUNT; ++i) {
        if (!same_state(before, after[i])) {
            fprintf(stderr,
                    "  call %zu: environment changed: traps %#x -> %#x, flags %#x -> %#x, "
                    "mxcsr %#x -> %#x\n",
                    i, (unsigned)before.traps, (unsigned)after[i].traps, (unsigned)before.flags,
                    (unsigned)after[i].flags, before.mxcsr, after[i].mxcsr);
            ++failures;
        }
        if (memcmp(&flows[i], &expected[i], sizeof flows[i]) != 0) {
            fprintf(stderr, "  call %zu: flow %.17g, expected %.17g\n", i, flows[i], expected[i]);
            ++failures;
        }
    }
    return failures != 0;
}

static void enable_failure_traps(void)
{
    feenableexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW);
}

static void enable_every_trap(void)
{
    feenableexcept(FE_ALL_EXCEPT);
}

static void raise_invalid(void)
{
    feraiseexcept(FE_INVALID);
}

static void raise_every_flag(void)
{
    feraiseexcept(FE_ALL_EXCEPT);
}

int main(void)
{
    static const struct
    {
        const char *name;
        void (*setup)(void);
    } cases[] = {
        {"division, invalid and overflow traps enabled", enable_failure_traps},
        {"every trap enabled", enable_every_trap},
        {"invalid flag raised before the call", raise_invalid},
        {"every flag raised before the call", raise_every_flag},
    };

    double expected[CALL_COUNT];
    if (run_calls(expected, NULL)) {
        fputs("out of memory\n", stderr);
        return 2;
    }

    int failed = 0;
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        fflush(stdout);
        fflush(stderr);
        const pid_t child = fork();
        if (child < 0) {
            perror("fork");
            return 2;
        }
        if (child == 0)
            _exit(run_case(cases[i].setup, expected));
        int status = 0;
        if (waitpid(child, &status, 0) != child) {
            perror("waitpid");
            return 2;
        }
        if (WIFSIGNALED(status)) {
            printf("FAIL %s: killed by %s\n", cases[i].name, strsignal(WTERMSIG(status)));
            failed = 1;
        } else if (WEXITSTATUS(status) != 0) {
            printf("FAIL %s\n", cases[i].name);
            failed = 1;
        } else {
            printf("ok   %s\n", cases[i].name);
        }
    }
    return failed;
}
