#include "ecology/solver_random.h"

#include <ode/ode.h>

namespace {

// The state of the calling thread's generator.
thread_local std::uint32_t solverState = 0;

} // namespace

// The generator's step: a linear congruence modulo 2^32.
extern "C" unsigned long dRand()
{
    solverState = solverState * 1664525u + 1013904223u;
    return solverState;
}

extern "C" unsigned long dRandGetSeed()
{
    return solverState;
}

extern "C" void dRandSetSeed(unsigned long s)
{
    solverState = static_cast<std::uint32_t>(s);
}

// A number from 0 to n-1: the draw's bits folded down to about as many as n
// needs, then scaled.
extern "C" int dRandInt(int n)
{
    std::uint32_t r = static_cast<std::uint32_t>(dRand());
    const std::uint32_t un = static_cast<std::uint32_t>(n);
    if (un <= 0x10u) {
        r ^= r >> 16;
        r ^= r >> 8;
        const std::uint32_t d = r ^ (r >> 4);
        if (un <= 2u) {
            const std::uint32_t e = d ^ (d >> 2);
            return static_cast<int>((un >> 1) & (e ^ (e >> 1)));
        }
        if (un <= 4u)
            return static_cast<int>((((d ^ (d >> 2)) & 3u) * un) >> 2);
        return static_cast<int>(((d & 0xfu) * un) >> 4);
    }
    if (un <= 0x100u) {
        const std::uint32_t d = r ^ (r >> 16);
        return static_cast<int>((((d ^ (d >> 8)) & 0xffu) * un) >> 8);
    }
    if (un <= 0x10000u)
        return static_cast<int>((((r ^ (r >> 16)) & 0xffffu) * un) >> 16);
    return static_cast<int>((static_cast<std::uint64_t>(r) * un) >> 32);
}

extern "C" dReal dRandReal()
{
    return static_cast<dReal>(static_cast<double>(dRand()) / 4294967295.0);
}

bool solverRandomIsPerThread()
{
    // dTestRand is the library's own: it draws through the library's call
    // of dRand, which reaches the definition above only if it took the
    // library's place. It sets the state to 0 and draws; ours then holds
    // the first number of that sequence.
    solverState = 12345u;
    dTestRand();
    const bool ours = solverState != 12345u;
    solverState = 0;
    return ours;
}
