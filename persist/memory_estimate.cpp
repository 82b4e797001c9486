#include "persist/memory_estimate.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iostream>
#include <sstream>

#include "persist/file_io.h"

namespace {

std::uint64_t limitOf(int resource)
{
    struct rlimit r;
    if (::getrlimit(resource, &r) != 0 || r.rlim_cur == RLIM_INFINITY)
        return UINT64_MAX;
    return static_cast<std::uint64_t>(r.rlim_cur);
}

// A "Vm...:" figure of this process from /proc/self/status, in bytes; 0
// where there is none.
std::uint64_t processFigure(const std::string& name)
{
    std::ifstream in("/proc/self/status");
    std::string key;
    while (in >> key) {
        std::uint64_t kb = 0;
        if (key == name + ":" && in >> kb)
            return kb * 1024u;
        std::string rest;
        std::getline(in, rest);
    }
    return 0;
}

// What is left under a process limit once what the process already uses is
// counted.
std::uint64_t leftUnder(int resource, const std::string& figure)
{
    const std::uint64_t limit = limitOf(resource);
    if (limit == UINT64_MAX)
        return limit;
    const std::uint64_t used = processFigure(figure);
    return used < limit ? limit - used : 0;
}

// MemAvailable from /proc/meminfo, else the physical memory.
std::uint64_t systemAvailable()
{
    std::ifstream in("/proc/meminfo");
    std::string key;
    std::uint64_t kb = 0;
    std::string unit;
    while (in >> key >> kb) {
        std::getline(in, unit);
        if (key == "MemAvailable:")
            return kb * 1024u;
    }
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
    return UINT64_MAX;
}

std::string megabytes(std::uint64_t bytes)
{
    return std::to_string((bytes + (1u << 19)) >> 20) + " MB";
}

} // namespace

int loadedPopulation(int saved, int minPopulation)
{
    return std::max(std::max(saved, minPopulation), 0);
}

std::uint64_t estimatedWorldBytes(int population)
{
    return static_cast<std::uint64_t>(std::max(population, 0)) * kBytesPerCreature;
}

std::uint64_t availableMemoryBytes()
{
    return std::min({systemAvailable(), leftUnder(RLIMIT_AS, "VmSize"),
                     leftUnder(RLIMIT_DATA, "VmData")});
}

MemoryVerdict judgeWorldSize(int population, std::uint64_t available)
{
    const std::uint64_t need = estimatedWorldBytes(population);
    if (need > available)
        return MemoryVerdict::TooLarge;
    if (need > available / 4 || population > kLargePopulation)
        return MemoryVerdict::Large;
    return MemoryVerdict::Fits;
}

void checkWorldSize(const std::string& folder, int saved, int minPopulation)
{
    const int population = loadedPopulation(saved, minPopulation);
    const std::uint64_t available = availableMemoryBytes();
    const std::uint64_t need = estimatedWorldBytes(population);
    switch (judgeWorldSize(population, available)) {
    case MemoryVerdict::Fits: return;
    case MemoryVerdict::Large:
        std::cerr << "warning: " << folder << " makes a world of " << population
                  << " creatures, about " << megabytes(need) << " of memory; it will run slowly"
                  << std::endl;
        return;
    case MemoryVerdict::TooLarge:
        throwFailed(folder, "a world of " + std::to_string(population) + " creatures needs about " +
                                megabytes(need) + " of memory, more than the " +
                                megabytes(available) + " available");
    }
}
