// Running the requests the buttons queued (ui/requests.h): loading and saving
// whole simulations and single creatures, and starting a new world, each with
// the message that says how it went.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include <string>

#include "ui/world.h"

// Runs the queued requests in order, up to and including the first
// Initialize. False when an Initialize ran: the frame then makes no steps.
bool runRequests(World& w);

// Folder name of a request: "saveData3", "saveDataOneCreature2", ...
std::string requestFolder(const Request& r);

// A new world from the settings, as the Init button makes it: the
// simulation reset, the view let go of every creature and shown the new
// arena.
void initializeWorld(World& w);
