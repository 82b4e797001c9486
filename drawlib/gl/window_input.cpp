// The window's input: GLFW's events translated for the frame handler (mouse
// messages and button masks, command keys, dropped files), the library's
// own keys, which of the scene and the panels has the mouse, and the cursor.
#include "drawlib/gl/window_backend.h"

#define GL_GLEXT_PROTOTYPES
#define GLFW_INCLUDE_NONE
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <cmath>

namespace {

// Two presses of one button closer than this in time and space are a
// double click.
constexpr double kDoubleClickSeconds = 0.5;
constexpr double kDoubleClickPixels = 4.0;

WindowBackend* backendOf(GLFWwindow* w)
{
    return static_cast<WindowBackend*>(glfwGetWindowUserPointer(w));
}

void cursorCallback(GLFWwindow* w, double x, double y)
{
    backendOf(w)->onCursor(x, y);
}
void buttonCallback(GLFWwindow* w, int button, int action, int mods)
{
    backendOf(w)->onButton(button, action, mods);
}
void keyCallback(GLFWwindow* w, int key, int, int action, int mods)
{
    backendOf(w)->onKey(key, action, mods);
}
void charCallback(GLFWwindow* w, unsigned codepoint)
{
    backendOf(w)->onChar(codepoint);
}
void dropCallback(GLFWwindow* w, int count, const char** paths)
{
    backendOf(w)->onDrop(count, paths);
}

} // namespace

void WindowBackend::watchInput()
{
    glfwSetWindowUserPointer(window_, this);
    glfwSetCursorPosCallback(window_, cursorCallback);
    glfwSetMouseButtonCallback(window_, buttonCallback);
    glfwSetKeyCallback(window_, keyCallback);
    glfwSetCharCallback(window_, charCallback);
    glfwSetDropCallback(window_, dropCallback);
}

void WindowBackend::setHandCursor()
{
    handWanted_ = true;
}

// The cursor of this frame: over the panels the one Dear ImGui asks for
// (its own drawing of the cursor is off, so it only tells), over the scene
// the pointing hand once the program has asked for it, else the arrow.
void WindowBackend::updateCursor()
{
    int shape = -1; // the arrow
    if (ImGui::GetIO().WantCaptureMouse && !sceneOwnsMouse_) {
        switch (ImGui::GetMouseCursor()) {
        case ImGuiMouseCursor_TextInput: shape = GLFW_IBEAM_CURSOR; break;
        case ImGuiMouseCursor_ResizeNS: shape = GLFW_VRESIZE_CURSOR; break;
        case ImGuiMouseCursor_ResizeEW: shape = GLFW_HRESIZE_CURSOR; break;
        case ImGuiMouseCursor_Hand: shape = GLFW_HAND_CURSOR; break;
        case ImGuiMouseCursor_ResizeAll:
        case ImGuiMouseCursor_ResizeNESW:
        case ImGuiMouseCursor_ResizeNWSE: shape = GLFW_CROSSHAIR_CURSOR; break;
        default: break;
        }
    } else if (handWanted_) {
        shape = GLFW_HAND_CURSOR;
    }
    if (shape == cursorShape_)
        return;
    GLFWcursor* cursor = nullptr;
    if (shape >= 0) {
        GLFWcursor*& made = cursors_[shape];
        if (!made)
            made = glfwCreateStandardCursor(shape);
        cursor = made;
    }
    glfwSetCursor(window_, cursor);
    cursorShape_ = shape;
}

void WindowBackend::sendMouse(int message)
{
    if (!handler_)
        return;
    const int x = static_cast<int>(cursorX_), y = static_cast<int>(cursorY_);
    handler_->mouse(message, buttons_, x, y, x, y);
}

void WindowBackend::rememberPanelRects()
{
    panelRects_.clear();
    const ImGuiContext& g = *ImGui::GetCurrentContext();
    for (const ImGuiWindow* win : g.Windows) {
        if (!win->WasActive || win->Hidden || (win->Flags & ImGuiWindowFlags_NoMouseInputs) ||
            win->ParentWindow)
            continue;
        panelRects_.push_back({win->Pos.x, win->Pos.y, win->Pos.x + win->Size.x, win->Pos.y + win->Size.y});
    }
}

bool WindowBackend::overPanel(double x, double y) const
{
    for (const auto& r : panelRects_)
        if (x >= r[0] && x < r[2] && y >= r[1] && y < r[3])
            return true;
    return false;
}

void WindowBackend::onCursor(double x, double y)
{
    cursorX_ = x;
    cursorY_ = y;
    // The panel has the mouse first, unless a drag began in the scene.
    if (imguiReady_ && ImGui::GetIO().WantCaptureMouse && !sceneOwnsMouse_)
        return;
    sendMouse(MouseMove);
}

void WindowBackend::onButton(int button, int action, int)
{
    int bit = 0, down = 0, up = 0, dbl = 0, index = 0;
    switch (button) {
    case GLFW_MOUSE_BUTTON_LEFT:
        bit = kLeftButton, down = LeftDown, up = LeftUp, dbl = LeftDouble, index = 0;
        break;
    case GLFW_MOUSE_BUTTON_MIDDLE:
        bit = kMiddleButton, down = MiddleDown, up = MiddleUp, dbl = MiddleDown, index = 1;
        break;
    case GLFW_MOUSE_BUTTON_RIGHT:
        bit = kRightButton, down = RightDown, up = RightUp, dbl = RightDouble, index = 2;
        break;
    default: return;
    }
    // The panel's when the press lands on one of its windows, or when one of
    // its widgets is held (a slider dragged out of its window).
    const bool panel = imguiReady_ && (overPanel(cursorX_, cursorY_) || ImGui::IsAnyItemActive());
    if (action == GLFW_PRESS) {
        if (panel && !sceneOwnsMouse_)
            return;
        sceneOwnsMouse_ = true;
        buttons_ |= bit;
        const double t = glfwGetTime();
        const bool isDouble = t - lastPressTime_[index] < kDoubleClickSeconds &&
                              std::fabs(cursorX_ - lastPressX_[index]) <= kDoubleClickPixels &&
                              std::fabs(cursorY_ - lastPressY_[index]) <= kDoubleClickPixels;
        lastPressTime_[index] = isDouble ? -1.0 : t;
        lastPressX_[index] = cursorX_;
        lastPressY_[index] = cursorY_;
        sendMouse(isDouble ? dbl : down);
    } else if (action == GLFW_RELEASE) {
        if (!(buttons_ & bit))
            return; // pressed over the panel
        buttons_ &= ~bit;
        sendMouse(up);
        if (buttons_ == 0)
            sceneOwnsMouse_ = false;
    }
}

void WindowBackend::onKey(int key, int action, int mods)
{
    // Tab shows and hides the panels, unless one is taking the keys.
    if (key == GLFW_KEY_TAB && action == GLFW_PRESS && mods == 0 &&
        !(imguiReady_ && ImGui::GetIO().WantTextInput)) {
        panelsShown_ = !panelsShown_;
        return;
    }
    if (action != GLFW_PRESS || !(mods & GLFW_MOD_CONTROL))
        return;
    if (key == GLFW_KEY_P)
        paused_ = !paused_;
    else if (key == GLFW_KEY_Q || key == GLFW_KEY_X)
        glfwSetWindowShouldClose(window_, GLFW_TRUE);
}

void WindowBackend::onDrop(int count, const char** paths)
{
    if (handler_ && count > 0 && paths)
        handler_->drop(count, paths);
}

void WindowBackend::onChar(unsigned codepoint)
{
    if (imguiReady_ && ImGui::GetIO().WantCaptureKeyboard)
        return;
    if (handler_ && codepoint < 128)
        handler_->command(static_cast<int>(codepoint));
}
