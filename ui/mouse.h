// The mouse in the scene: a left press on or near a creature part selects
// its creature (paused or not) and a drag pulls the part, right, middle and combined drags turn,
// zoom, pan and tilt the main camera.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include "drawlib/drawstuff.h"
#include "ui/world.h"

// The creature part under the pixel (x, y) of the main view, or near it
// within a few pixels, or the root part of the followed creature when the
// pixel is on its ring; null for none.
GrabbedPart* partUnderCursor(World& w, int x, int y);

// Camera movement for a drag of dx, dy pixels with the given buttons held
// (4 right: turn and zoom; 5 left and right: tilt; 6 middle and right: raise
// or lower the target; 2 middle: pan).
void mouseMotion(OrbitCamera& camera, int buttons, int dx, int dy);

// One mouse event; buttons is the mask held after it (1 left, 2 middle, 4
// right). Only the left button alone makes the object drag the owner of the
// mouse (unless a camera drag is going on), only the middle or the right
// alone the camera drag (unless an object drag is going on); other events go
// to the current owner. True when the event was used.
bool mouseCallback(World& w, int message, int buttons, int x, int y, int pickX, int pickY);

// Before every step while an object drag holds a part: its creature becomes
// the selected one, and the part is pulled towards the drag target within
// one step.
void applyDragForce(World& w);
