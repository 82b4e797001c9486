// The frame driver's state: the pacing and the frame rate of the window,
// skipping the drawing, the requests the buttons queue for the next frame and
// the message the driver shows about them.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include <cstdint>
#include <list>
#include <string>

#include "base/clock.h"
#include "base/message.h"
#include "base/request.h"
#include "drawlib/drawstuff.h"
#include "ui/speed_gauge.h"


// Pacing and the frame-rate measurement of the window.
struct FramePacing {
    int frameCount = 0;
    bool windowStarted = false;
    std::uint32_t windowIndex = 0;
    long long pacingTick = 0;
    float lastPacingTarget = -1.0f;
};

struct DriverState {
    std::uint8_t skipRender = 0;    // "Skip Render(x)": step for a budget, draw seldom
    float skipRenderBudget = 0.2f;  // wall seconds of steps per frame while skipping
    float targetFps = kFramesPerSecond; // 0: no pacing
    int fps = 0;                    // measured over windows of 3 seconds
    SpeedGauge speed;               // simulated seconds per wall second
    FramePacing pacing;
    std::list<Request> requestQueue;
    std::list<std::string> creatureFiles; // dropped or named, to be added to the world
    Message message;
    // The clock the frames read: the machine's, or fixed for a screenshot.
    FrameClock clock;
    // Simulated seconds since the previous frame, for the cameras' and the
    // drawing's smoothing.
    double timeDelta = 0.0;
    bool timeDeltaStarted = false;
    double previousTime = 0.0;
};
