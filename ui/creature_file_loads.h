// Creature files the user names in the window (dropped on it, or typed in
// the control bar): each is added to the world near the middle of the view
// with the checks of a creature file given on the command line, and a
// message and a line on standard output say what was added or why not.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include <string>

#include "persist/creature_file.h"
#include "ui/world.h"

// Queues a file for the next frame, paused or not.
void requestCreatureFile(World& w, const std::string& path);

// Loads the queued files in order, each a few units beside the one before;
// a file that fails leaves the population as it was. Returns how many
// creatures were added.
int loadRequestedCreatureFiles(World& w);
