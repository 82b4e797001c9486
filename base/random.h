// The simulation's pseudo-random generator.
//
// A linear congruential generator with the multiplier 214013 and increment
// 2531011 (modulo 2^32) whose result is bits 16..30 of the state, so every
// draw is an integer from 0 to 32767. All randomness of a world comes from
// the one instance its simulation record holds; seeding it fixes a run.
#pragma once
#ifndef CREATURES_FLOOR_BASE
#error "base/ is for base/ and the floors above it"
#endif

#include <cstdint>

class Random {
public:
    static constexpr int kMax = 32767;

    explicit Random(std::uint32_t seed = 1) : state_(seed) {}

    void seed(std::uint32_t seed) { state_ = seed; }
    std::uint32_t state() const { return state_; }

    // Next integer in [0, 32767].
    int next()
    {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

    // Uniform draw r / 32767, both ends included.
    double uniform() { return next() / 32767.0; }

    // Signed draw (r - 16384) * 2 / 32767, in [-1.0000305, 0.9999695].
    double signedDraw() { return (next() - 16384) * 2 / 32767.0; }

private:
    std::uint32_t state_;
};
