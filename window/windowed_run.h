// Running the simulation in a window: the drawing library's window backend
// drives the step driver, the cameras and the frame callback at 30 frames per
// second until the window closes, the step or time limit is reached, or
// Ctrl-C. With a screenshot file it draws a number of frames on a frame
// clock, writes the picture and ends.
#pragma once
#ifndef CREATURES_FLOOR_WINDOW
#error "window/ is for window/ and the floors above it"
#endif

#include <string>
#include <vector>

#include "app/options.h"
#include "ui/world.h"

class RunOutputs;

// Opens the window and makes it the drawing library's backend: of the given
// size, or (0 by 0) four fifths of the screen's work area. False with a
// reason when there is no display or no usable OpenGL.
bool openWindow(int width, int height, std::string& error);
// A window of the size every test and benchmark draws in: 640 by 480.
bool openWindow(std::string& error);

// Runs the frame loop in the open window on an already reset world. Returns
// the process exit status.
int runWindowed(World& w, const RunOptions& options, int argc, char** argv,
                RunOutputs* outputs = nullptr);

class Archipelago;
// Runs the frame loop on an archipelago: the scene shows one island (the
// panel's Islands window and keys 1 to 9 choose which), the others are
// stepped on the other cores. `worlds` are its islands as the window's
// worlds (made by shownWorlds). Returns the process exit status.
int runWindowedIslands(Archipelago& archipelago, const std::vector<World*>& worlds,
                       const RunOptions& options, int argc, char** argv);

// Closes the window and puts the headless backend back.
void closeWindow();

class WindowBackend;
// The open window's backend, or null (for measurements).
WindowBackend* windowBackend();
