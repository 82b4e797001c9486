// Entry point of the creatures program.
#include "app/program.h"

#ifdef CREATURES_WINDOW
#include "window/windowed_run.h"
#endif
#ifdef CREATURES_MPI_RUN
#include "mpi/mpi_islands.h"
#endif

int main(int argc, char** argv)
{
    WindowRunner* window = nullptr;
    const ProcessIslands* processes = nullptr;
#ifdef CREATURES_WINDOW
    ProgramWindow programWindow;
    window = &programWindow;
#endif
#ifdef CREATURES_MPI_RUN
    static const ProcessIslands mpiIslands{runMpiIsland};
    processes = &mpiIslands;
#endif
    return runProgram(argc, argv, window, processes);
}
