// Entry point of the creatures program.
#include "app/program.h"

#ifdef CREATURES_WINDOW
#include "window/windowed_run.h"
#endif

int main(int argc, char** argv)
{
#ifdef CREATURES_WINDOW
    static const WindowRunner window{
        [](int width, int height, std::string& error) { return openWindow(width, height, error); },
        runWindowed, closeWindow};
    return runProgram(argc, argv, &window);
#else
    return runProgram(argc, argv);
#endif
}
