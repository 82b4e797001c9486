// Shared steps of the loaders: reading a record from a file with the failure
// texts, and putting back the process-wide counters a failed load touched.
#pragma once

#include <cstdint>
#include <string>

#include "app/base/random.h"
#include "creature/agent.h"
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
    LoadGuard() : rngState_(rng().state()), nextId_(nextCreatureId) {}
    ~LoadGuard()
    {
        if (!committed_) {
            rng().seed(rngState_);
            nextCreatureId = nextId_;
        }
    }
    LoadGuard(const LoadGuard&) = delete;
    LoadGuard& operator=(const LoadGuard&) = delete;
    void commit() { committed_ = true; }

private:
    std::uint32_t rngState_;
    int nextId_;
    bool committed_ = false;
};
