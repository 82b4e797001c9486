// The right column of docked windows: the control bar, the creature
// inspector and the hall of fame, one under the other from the top. Each
// window tells the column how tall it would be and the least it must keep;
// the column shares its height among them once per frame (shareColumn) from
// what they told in the frame before, and every window is given its place
// and its height, scrolling what does not fit.
#pragma once
#ifndef CREATURES_FLOOR_UI_IMGUI
#error "ui/imgui/ is for ui/imgui/ and the floors above it"
#endif

#include "ui/panel_layout.h"
#include "ui/world.h"

enum class ColumnSlot { ControlBar = 0, Inspector = 1, HallOfFame = 2 };
constexpr int kColumnSlots = 3;

// Shares the column for this frame's window size; the inspector takes part
// only while it is shown.
void beginColumn(const World& w, bool inspectorShown);

// Before ImGui::Begin of a column window: its place and height.
void placeInColumn(ColumnSlot slot);

// Inside the window: how tall it would be with everything in sight and the
// least it must keep, both with its title bar; used from the next frame on.
// A collapsed window tells its title bar alone.
void wishInColumn(ColumnSlot slot, float wanted, float least);

// Where the column put the window in this frame (no area when not shown).
PanelRect columnPlace(ColumnSlot slot);

// Whether the window of that name was shown expanded in the last frame.
bool expandedLastFrame(const char* name);

// Within a window: the height it needs for all it has drawn so far, its
// title bar and padding included, however far it is scrolled.
float heightSoFar();

// Within a window: whether the last item lies wholly inside what the window
// shows of its contents.
bool lastItemWhollyShown();
