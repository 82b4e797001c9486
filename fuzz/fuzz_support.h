// Shared parts of the loader fuzz targets.
//
// A fuzz input holds several files in a simple container: each file is a
// 4-byte little-endian length followed by that many bytes (fewer when the
// input ends first). The targets name the files in a fixed order, and a file
// missing from the input is a file that cannot be opened.
//
// Run with CREATURES_FUZZ_CORPUS=<folder> set, a target writes seed inputs
// made from real saves into the folder and exits.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <streambuf>
#include <string>
#include <vector>

#include "app/scene.h"
#include "ui/world.h"
#include "persist/file_io.h"

namespace fuzz {

inline std::vector<std::string> splitFiles(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> files;
    std::size_t at = 0;
    while (at + 4 <= size) {
        std::uint32_t n = 0;
        for (int i = 0; i < 4; ++i)
            n |= static_cast<std::uint32_t>(data[at + i]) << (8 * i);
        at += 4;
        const std::size_t take = std::min<std::size_t>(n, size - at);
        files.emplace_back(reinterpret_cast<const char*>(data + at), take);
        at += take;
    }
    return files;
}

inline std::string joinFiles(const std::vector<std::string>& files)
{
    std::string out;
    for (const auto& f : files) {
        const auto n = static_cast<std::uint32_t>(f.size());
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
        out += f;
    }
    return out;
}

// The contents of the named file in a save, empty when absent.
inline std::string fileOf(const SavedFiles& files, const std::string& name)
{
    for (const auto& [n, bytes] : files)
        if (n == name)
            return bytes;
    return std::string();
}

inline void writeSeed(const std::string& folder, const std::string& name,
                      const std::string& contents)
{
    ::mkdir(folder.c_str(), 0777);
    std::ofstream out(folder + "/" + name, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    if (!out) {
        std::cerr << "cannot write seed " << folder << "/" << name << "\n";
        std::exit(1);
    }
}

// A creature's movement store cut down to its first movements, for small
// seeds.
inline void keepMoves(World& w, std::size_t n)
{
    for (auto& a : w.sim.population) {
        while (a.learning.moves.size() > n)
            a.learning.moves.pop_back();
        a.currentMove = nullptr;
    }
}

// A whole save held in memory, its file `name` replaced by `contents`.
inline void putSave(MemorySource& source, const SavedFiles& files, const std::string& name,
                    const std::string& contents)
{
    for (const auto& [n, bytes] : files)
        source.put(n, bytes);
    source.put(name, contents);
}

// Start of a target: with CREATURES_FUZZ_CORPUS set, writes the seed corpus
// into that folder and exits; otherwise discards what the loaders print (the
// failure texts, "read").
inline void startTarget(void (*writeCorpus)(const std::string& folder))
{
    if (const char* folder = std::getenv("CREATURES_FUZZ_CORPUS")) {
        writeCorpus(folder);
        std::exit(0);
    }
    static std::streambuf* const none = nullptr;
    std::cerr.rdbuf(none);
    std::cout.rdbuf(none);
}

} // namespace fuzz
