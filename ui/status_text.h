// The status text in the top-left corner of the main view.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include <string>

#include "ui/world.h"

// Frame rate, simulated time, speed (simulated seconds per wall second), numbers of creatures and foods, and, while a
// creature is selected, its temperature, cooling factor, age, energy, foods
// eaten and children. One line-feed-terminated line per value.
std::string statusText(const World& w);
