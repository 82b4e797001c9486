// The physics engine's generator, one per thread: the same numbers as the
// library's own, in ODE's every call, and threads that do not disturb each
// other.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <ode/ode.h>

#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "ecology/solver_random.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

// A copy of the physics library of its own, bound to its own functions
// (RTLD_DEEPBIND): the generator as the library has it, to compare with.
void* referenceLibrary()
{
    Dl_info info;
    if (!::dladdr(reinterpret_cast<void*>(&dWorldCreate), &info) || !info.dli_fname)
        return nullptr;
    const std::string copy = ::testing::TempDir() + "libode-reference.so";
    std::ifstream in(info.dli_fname, std::ios::binary);
    std::ofstream(copy, std::ios::binary) << in.rdbuf();
    return ::dlopen(copy.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_DEEPBIND);
}

TEST(SolverRandom, DrawsAsTheLibrarysOwnButOneStateAThread)
{
    ASSERT_TRUE(solverRandomIsPerThread());

    if (kAddressSanitizer)
        GTEST_SKIP() << "the sanitizer takes no library bound to itself";
    void* library = referenceLibrary();
    ASSERT_NE(library, nullptr) << ::dlerror();
    const auto setSeed = reinterpret_cast<void (*)(unsigned long)>(::dlsym(library, "dRandSetSeed"));
    const auto getSeed = reinterpret_cast<unsigned long (*)()>(::dlsym(library, "dRandGetSeed"));
    const auto randInt = reinterpret_cast<int (*)(int)>(::dlsym(library, "dRandInt"));
    const auto randReal = reinterpret_cast<dReal (*)()>(::dlsym(library, "dRandReal"));
    ASSERT_TRUE(setSeed && getSeed && randInt && randReal);
    // Every range of dRandInt's folding, at both ends and between.
    const int ns[] = {1, 2, 3, 4, 5, 16, 17, 100, 256, 257, 4000, 65536, 65537, 1 << 20, 2147483647};
    for (unsigned long seed : {0ul, 1ul, 12345ul, 0xdeadbeeful, 0xfffffffful}) {
        for (int n : ns) {
            setSeed(seed);
            dRandSetSeed(seed);
            for (int i = 0; i < 50; ++i)
                ASSERT_EQ(dRandInt(n), randInt(n)) << seed << " " << n << " " << i;
            EXPECT_EQ(dRandGetSeed(), getSeed());
        }
        setSeed(seed);
        dRandSetSeed(seed);
        EXPECT_EQ(dRandReal(), randReal());
    }
    ::dlclose(library);
}

TEST(SolverRandom, ThreadsDrawTheirOwnSequences)
{
    // Two threads draw their own sequences, whatever the other does.
    auto sequence = [](unsigned long seed, int draws, bool interleaved) {
        std::vector<int> out;
        std::thread t([&] {
            dRandSetSeed(seed);
            for (int i = 0; i < draws; ++i) {
                out.push_back(dRandInt(1000));
                if (interleaved)
                    std::this_thread::yield();
            }
        });
        t.join();
        return out;
    };
    const std::vector<int> aAlone = sequence(7, 2000, false);
    std::vector<int> a, b;
    std::thread ta([&] { a = sequence(7, 2000, true); });
    std::thread tb([&] { b = sequence(8, 2000, true); });
    ta.join();
    tb.join();
    EXPECT_EQ(a, aAlone);
    EXPECT_NE(a, b);
}

} // namespace
