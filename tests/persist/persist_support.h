// Test support for saving and loading: a fresh working directory per test,
// file helpers, and a fingerprint of everything a load may change.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <iostream>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "base/random.h"
#include "ui/world.h"
#include "persist/save_folder.h"
#include "persist/sha256.h"
#include "support/creature_helpers.h"
#include "support/ode_fixture.h"

namespace persist_test {

// Lowers the file-size limit for its lifetime (a write beyond it fails
// instead of raising SIGXFSZ). On leaving, the limit and the signal's
// handler are put back and the standard streams cleared: a stream whose
// file outgrew the limit meanwhile would otherwise stay failed for every
// later test.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        struct rlimit small = previous_;
        small.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
        std::cout.clear();
        std::cerr.clear();
        std::clog.clear();
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    struct rlimit previous_ {};
    void (*previousHandler_)(int) = nullptr;
};

inline std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

inline bool exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// Every file of a folder by name, with its contents.
inline std::map<std::string, std::string> folderContents(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        files[e.path().filename().string()] = readBytes(e.path().string());
    return files;
}

// Every entry of a folder with the SHA-256 of its contents (an empty sum for
// a sub-folder): short to print when two differ.
inline std::map<std::string, std::string> folderDigest(const std::string& folder)
{
    std::map<std::string, std::string> sums;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        sums[e.path().filename().string()] =
            e.is_regular_file() ? sha256Hex(readBytes(e.path().string())) : std::string();
    return sums;
}

// Names in the working directory that start with a prefix.
inline std::vector<std::string> entriesStartingWith(const std::string& prefix)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator("."))
        if (e.path().filename().string().rfind(prefix, 0) == 0)
            names.push_back(e.path().filename().string());
    return names;
}

inline void copyFolder(const std::string& from, const std::string& to)
{
    std::filesystem::copy(from, to, std::filesystem::copy_options::recursive);
}

// Runs a save in a child process that is killed at the save's checkpoint
// `point` (the save is handed the checkpoint to pass on): true when it was
// killed there, false when the save ended first.
template <class Op> bool killedAtCheckpoint(int point, Op save)
{
    const pid_t pid = ::fork();
    if (pid < 0) {
        ADD_FAILURE() << "cannot fork";
        return false;
    }
    if (pid == 0) {
        const SaveCheckpoint kill = [point](int at) {
            if (at == point)
                ::raise(SIGKILL);
        };
        ::freopen("/dev/null", "w", stdout);
        save(kill);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

template <class T> void putRaw(std::string& bytes, std::size_t at, T value)
{
    ASSERT_LE(at + sizeof value, bytes.size());
    std::memcpy(&bytes[at], &value, sizeof value);
}

template <class T> T getRaw(const std::string& bytes, std::size_t at)
{
    T value{};
    EXPECT_LE(at + sizeof value, bytes.size());
    if (at + sizeof value <= bytes.size())
        std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

// Everything of a world that a load may change, flattened to numbers: the
// common world fingerprint, the movement stores, the settings a load
// replaces, the selection, the creature ids and the generator; two
// fingerprints are compared bit for bit.
inline std::vector<double> fingerprint(const World& w)
{
    std::vector<double> f = worldFingerprint(w);
    auto add = [&f](double v) { f.push_back(v); };
    for (const auto& a : w.sim.population) {
        for (const auto& m : a.learning.moves) {
            add(m.meanX);
            add(m.count);
            for (double v : m.gene.values)
                add(v);
        }
        for (const auto& p : a.parts)
            add(p.exists);
    }
    add(static_cast<double>(w.sim.foods.foods.size()));
    add(w.settings.groundSize);
    add(w.settings.minPopulation);
    add(w.sim.extras.populationCount);
    add(w.view.selectedAgent ? 1 : 0);
    add(w.sim.nextCreatureId);
    add(w.sim.random.state());
    return f;
}

// Index of the first difference, or -1 when the fingerprints are identical.
inline long firstDifference(const std::vector<double>& a, const std::vector<double>& b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(double)) != 0)
            return static_cast<long>(i);
    return a.size() == b.size() ? -1 : static_cast<long>(n);
}

// What an operation prints on standard output and standard error. An
// exception from the operation ends the capture before it passes on, so the
// test's own report is not swallowed.
struct Printed {
    std::string out;
    std::string err;
};

template <class Op> Printed printedBy(Op op)
{
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    try {
        op();
    } catch (...) {
        ::testing::internal::GetCapturedStdout();
        ::testing::internal::GetCapturedStderr();
        throw;
    }
    Printed p;
    p.out = ::testing::internal::GetCapturedStdout();
    p.err = ::testing::internal::GetCapturedStderr();
    return p;
}

} // namespace persist_test

// A fresh world of 10 creatures, run in a fresh temporary working directory
// that is removed afterwards.
class PersistTest : public WorldTest {
protected:
    void SetUp() override
    {
        char here[PATH_MAX];
        ASSERT_NE(::getcwd(here, sizeof here), nullptr);
        previous_ = here;
        std::string pattern = ::testing::TempDir() + "persist-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        ASSERT_EQ(::chdir(folder_.c_str()), 0);
        WorldTest::SetUp();
    }
    void TearDown() override
    {
        WorldTest::TearDown();
        if (!previous_.empty()) {
            EXPECT_EQ(::chdir(previous_.c_str()), 0);
        }
        std::error_code ignored;
        if (!folder_.empty())
            std::filesystem::remove_all(folder_, ignored);
    }

    // Runs an operation that must fail; returns the text it threw.
    template <class Op> std::string failureOf(Op op)
    {
        try {
            op();
        } catch (const std::string& text) {
            return text;
        }
        ADD_FAILURE() << "the operation did not fail";
        return std::string();
    }

private:
    std::string previous_;
    std::string folder_;
};
