// Keeping and sharing creatures from the window: a creature written to a
// file of its own in the working folder, and a creature shown alone in a
// second program window.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include <string>

#include "ui/world.h"

// "creature-12.creature", or "creature-12-2.creature" and on when that file
// is there already.
std::string freeCreatureFileName(int id);

// Writes the creature (a living one, or a hall-of-fame member kept after its
// death) to a new file in the working folder and puts up a message saying
// which; a failure's text instead. Returns the file's name, empty on failure.
std::string saveCreatureFile(World& w, const Agent& a);
std::string saveCreatureFile(World& w, const FameEntry& e);

// Starts a second program window showing the creature of the file alone on
// empty ground; the running world is untouched. False, with a message up,
// when it cannot be started.
bool showAlone(World& w, const std::string& file);
