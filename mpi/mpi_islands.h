// An archipelago across processes: one island a process of an MPI run
// (mpirun -n N, or Slurm's srun), the same islands, epochs and ring as an
// archipelago on threads, the migrants passed on by MPI.
#pragma once
#ifndef CREATURES_FLOOR_MPI
#error "mpi/ is for mpi/ and the floors above it"
#endif

#include <cstdint>

#include "app/options.h"

// Runs the island of this process: island rank + 1 of as many as there are
// processes. Every process prints its island's closing lines; the first also
// the progress. The processes first check that they run one experiment
// (status 2 when not, said by the first that differs), and a process that
// waits while the one before it in the ring is silent for
// options.rankWait seconds ends the whole run (status 4). Returns the exit
// status.
int runMpiIsland(const RunOptions& options, std::uint32_t seed);
