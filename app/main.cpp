// Entry point of the creatures program.
#include "app/headless_run.h"

int main(int argc, char** argv)
{
    return runProgram(argc, argv);
}
