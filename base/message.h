// The centred on-screen message: a text shown over the scene for a while,
// for the results of saves and loads, resets and failures.
#pragma once
#ifndef CREATURES_FLOOR_BASE
#error "base/ is for base/ and the floors above it"
#endif

#include <string>

struct Message {
    std::string text;
    bool visible = false;
    double start = -1.0;   // ms of the window's frame clock when first drawn, -1 before
    double duration = 0.0; // ms
};

// Shows the text from the next frame on for the given number of seconds.
void showMessage(Message& m, const std::string& text, double seconds);
