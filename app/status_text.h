// The status text in the top-left corner of the main view.
#pragma once

#include <string>

#include "ecology/world.h"

// Frame rate, simulated time, numbers of creatures and foods, and, while a
// creature is selected, its temperature, cooling factor, age, energy, foods
// eaten and children. One line-feed-terminated line per value.
std::string statusText(const World& w);
