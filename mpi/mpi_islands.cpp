#include "mpi/mpi_islands.h"

#include <mpi.h>

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/archipelago.h"

namespace {

// The ring across processes: this process's migrant goes to the next rank,
// and the one of the rank before arrives.
std::vector<std::string> passOn(const std::vector<std::string>& chosen, int rank, int size)
{
    const int next = (rank + 1) % size;
    const int before = (rank + size - 1) % size;
    const std::string& mine = chosen.front();
    std::uint64_t outgoing = mine.size(), incoming = 0;
    MPI_Sendrecv(&outgoing, 1, MPI_UINT64_T, next, 1, &incoming, 1, MPI_UINT64_T, before, 1,
                 MPI_COMM_WORLD, MPI_STATUS_IGNORE);
    std::string theirs(static_cast<std::size_t>(incoming), '\0');
    MPI_Sendrecv(mine.data(), static_cast<int>(outgoing), MPI_BYTE, next, 2, theirs.data(),
                 static_cast<int>(incoming), MPI_BYTE, before, 2, MPI_COMM_WORLD,
                 MPI_STATUS_IGNORE);
    return {theirs};
}

// The processes of the run save the archipelago together: the first writes
// the top of the save and puts the islands in place.
class MpiSaveCollective : public SaveCollective {
public:
    MpiSaveCollective(int rank, int size) : rank_(rank), size_(size) {}
    bool leads() const override { return rank_ == 0; }
    int fromLead(int value) override
    {
        MPI_Bcast(&value, 1, MPI_INT, 0, MPI_COMM_WORLD);
        return value;
    }
    std::vector<std::string> gatherAtLead(const std::string& mine) override
    {
        int length = static_cast<int>(mine.size());
        std::vector<int> lengths(static_cast<std::size_t>(size_));
        MPI_Gather(&length, 1, MPI_INT, lengths.data(), 1, MPI_INT, 0, MPI_COMM_WORLD);
        std::vector<int> offsets(static_cast<std::size_t>(size_), 0);
        int total = 0;
        for (int i = 0; i < size_; ++i) {
            offsets[static_cast<std::size_t>(i)] = total;
            total += lengths[static_cast<std::size_t>(i)];
        }
        std::string all(static_cast<std::size_t>(rank_ == 0 ? total : 0), '\0');
        MPI_Gatherv(mine.data(), length, MPI_CHAR, all.data(), lengths.data(), offsets.data(),
                    MPI_CHAR, 0, MPI_COMM_WORLD);
        std::vector<std::string> texts;
        if (rank_ == 0)
            for (int i = 0; i < size_; ++i)
                texts.push_back(all.substr(static_cast<std::size_t>(offsets[static_cast<std::size_t>(i)]),
                                           static_cast<std::size_t>(lengths[static_cast<std::size_t>(i)])));
        return texts;
    }
    long long smallest(long long value) override
    {
        long long least = value;
        MPI_Allreduce(&value, &least, 1, MPI_LONG_LONG, MPI_MIN, MPI_COMM_WORLD);
        return least;
    }

private:
    int rank_;
    int size_;
};

} // namespace

int runMpiIsland(const RunOptions& options, std::uint32_t seed)
{
    MPI_Init(nullptr, nullptr);
    int rank = 0, size = 1;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    MPI_Comm_size(MPI_COMM_WORLD, &size);
    // The first process speaks before the others can load anything: they
    // wait for its seed below.
    if (rank == 0) {
        // Its own line on one stream: the launcher passes each stream on
        // separately, so a line ended on the other may end elsewhere.
        std::printf("%d\n", options.runNumber);
        std::fflush(stdout);
        for (const std::string& file : replacedOutputs(options))
            std::cerr << "creatures: " << file << " exists and will be replaced" << std::endl;
    }
    // A seed from the clock differs between processes: the first one's holds.
    std::uint32_t runSeed = seed;
    MPI_Bcast(&runSeed, 1, MPI_UINT32_T, 0, MPI_COMM_WORLD);
    int status = 0;
    {
        const int saved = options.loadAllDir.empty() ? 0 : savedIslands(options.loadAllDir);
        Archipelago archipelago;
        MpiSaveCollective collective(rank, size);
        archipelago.setCollective(&collective);
        archipelago.setRing([rank, size](const std::vector<std::string>& chosen) {
            return passOn(chosen, rank, size);
        });
        int built = 1;
        if (saved < 0) {
            built = 0; // not one whole save: said
        } else if (!options.loadAllDir.empty() && saved != size) {
            if (rank == 0)
                std::cerr << "creatures: " << options.loadAllDir << " holds " << saved
                          << " islands, not " << size << "; the run does not start\n";
            built = 0;
        } else if (!archipelago.build(options, runSeed, rank + 1, 1, size)) {
            built = 0;
        }
        // Every process starts, or none: a run with an island missing would
        // wait for it at the first epoch.
        int all = 0;
        MPI_Allreduce(&built, &all, 1, MPI_INT, MPI_MIN, MPI_COMM_WORLD);
        if (all == 0) {
            status = 1;
        } else {
            long long start = archipelago.startStep();
            MPI_Bcast(&start, 1, MPI_LONG_LONG, 0, MPI_COMM_WORLD);
            archipelago.setStartStep(start);
            std::ostringstream quiet;
            status = archipelago.runHeadless(rank == 0 ? std::cerr : quiet);
            if (!archipelago.finish() && status == 0)
                status = 1;
            // The closing lines of the other islands, in island order after
            // the first's.
            const std::string text = quiet.str();
            const std::size_t at = text.find("  island ");
            const std::string closing = at == std::string::npos ? text : text.substr(at);
            if (rank != 0) {
                MPI_Send(closing.data(), static_cast<int>(closing.size()), MPI_CHAR, 0, 3,
                         MPI_COMM_WORLD);
            } else {
                for (int from = 1; from < size; ++from) {
                    MPI_Status got;
                    MPI_Probe(from, 3, MPI_COMM_WORLD, &got);
                    int length = 0;
                    MPI_Get_count(&got, MPI_CHAR, &length);
                    std::string lines(static_cast<std::size_t>(length), '\0');
                    MPI_Recv(lines.data(), length, MPI_CHAR, from, 3, MPI_COMM_WORLD,
                             MPI_STATUS_IGNORE);
                    std::cerr << lines;
                }
            }
        }
        int worst = 0;
        MPI_Allreduce(&status, &worst, 1, MPI_INT, MPI_MAX, MPI_COMM_WORLD);
        status = worst;
    }
    MPI_Finalize();
    return status;
}
