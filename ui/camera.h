// The orbit cameras of the two views: zoom, orbit placement, looking across
// the target, and the per-view camera callback that follows creatures.
#pragma once
#ifndef CREATURES_FLOOR_UI
#error "ui/ is for ui/ and the floors above it"
#endif

#include "base/shared_types.h"
#include "ui/world.h"

// Advances the zoom clock by dt; with zoom mode 1 the distance approaches
// zoomEnd exponentially from zoomStart + zoomEnd.
void updateZoom(OrbitCamera& camera, double dt);

// Places the eye on the orbit around the target (after the zoom, with the
// distance held to maxDistance) and hands it to the view. dt is the simulated
// time since the previous frame, used by the zoom.
void applyOrbit(OrbitCamera& camera, double dt);

// As applyOrbit, then turns the heading so that the view runs across the
// target towards `point` (its z is not used). The eye is placed with the old
// heading, so it trails the turn by one frame.
void applyLookAt(OrbitCamera& camera, const MY_VECTOR3& point, double dt);

// Distance of the main camera at which the creature the follow mode would
// choose first (the best by score) fills `share` of the height of a view of
// the given size (about a tenth: the start distance of a windowed run).
float closeFollowDistance(World& w, int viewWidth, int viewHeight, double share = 0.1);

// Camera of one view before it is drawn: view 0 follows the creature chosen
// by the follow mode (or the one the hall of fame pinned) and looks across it
// towards the population centre. Every followInterval seconds the mode's
// leader is looked for; under a ranking mode (1 to 4) it takes the camera
// only when the followed creature has had it for half a minute and the
// leader leads it by a margin or has led for a while. View 1 follows the best-scoring creature. With no creature to
// follow (follow mode "none" among them) a view simply orbits, and view 0
// follows none. Other views are left alone.
void cameraCallback(World& w, int view);

// Where the main view frames the followed creature when the panels along the
// bottom edge reach up to `panelsTop` (window pixels; none when <= 0) in a
// view `viewHeight` pixels tall: how far above the middle of the view, as a
// share of half its height. At the middle while the panels leave it room
// for its ring; else higher, but never above the middle of the part the
// panels leave free.
double followedLift(int viewHeight, float panelsTop);
