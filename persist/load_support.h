// Shared steps of the loaders: reading a record from a file with the failure
// texts, and putting back the generator and the next id a failed load
// touched.
#pragma once
#ifndef CREATURES_FLOOR_PERSIST
#error "persist/ is for persist/ and the floors above it"
#endif

#include <cstdint>
#include <string>

#include "base/random.h"
#include "creature/agent.h"
#include "ecology/simulation.h"
#include "persist/archive_io.h"
#include "persist/file_io.h"

// Reads the named file into the record; a file that cannot be decoded, or
// whose record `check` refuses, ends the load with the damaged text.
template <class Record, class Check>
void readRecord(const FileSource& source, const std::string& name, Record& record, Check check)
{
    const std::string bytes = source.read(name);
    try {
        loadArchive(bytes, record);
    } catch (const ArchiveError& e) {
        throwDamaged(source.path(name), e.what());
    }
    const std::string reason = check(record);
    if (!reason.empty())
        throwDamaged(source.path(name), reason);
}

// A load draws random numbers (new creatures start from random genomes
// before the archive overwrites them) and takes creature ids. Unless the load
// commits, both are put back, so a refused load leaves no trace.
class LoadGuard {
public:
    explicit LoadGuard(Simulation& sim)
        : sim_(sim), rngState_(sim.random.state()), nextId_(sim.nextCreatureId)
    {
    }
    ~LoadGuard()
    {
        if (!committed_) {
            sim_.random.seed(rngState_);
            sim_.nextCreatureId = nextId_;
        }
    }
    LoadGuard(const LoadGuard&) = delete;
    LoadGuard& operator=(const LoadGuard&) = delete;
    void commit() { committed_ = true; }

private:
    Simulation& sim_;
    std::uint32_t rngState_;
    int nextId_;
    bool committed_ = false;
};
