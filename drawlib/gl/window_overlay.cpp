// The window's overlay: the status text, the messages and the labels over
// the views, on plates of their own, and the mini view's frame.
#include "drawlib/gl/window_backend.h"

#define GL_GLEXT_PROTOTYPES
#define GLFW_INCLUDE_NONE
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Text with a soft shadow.
void shadowedText(ImDrawList* list, ImFont* font, float size, ImVec2 at, const char* begin,
                  const char* end = nullptr)
{
    list->AddText(font, size, ImVec2(at.x + 1, at.y + 1), IM_COL32(0, 0, 0, 170), begin, end);
    list->AddText(font, size, at, IM_COL32(255, 255, 255, 255), begin, end);
}

} // namespace

// The mini view's frame under everything; the text over everything, the
// panels included, so no panel ever hides a message or the status.
void WindowBackend::drawOverlay()
{
    const ImGuiIO& io = ImGui::GetIO();
    if (pip_) {
        // A thin frame around the mini view.
        const ViewSize mini = miniViewSize(static_cast<int>(io.DisplaySize.x),
                                           static_cast<int>(io.DisplaySize.y));
        const float w = static_cast<float>(mini.width), h = static_cast<float>(mini.height);
        ImGui::GetBackgroundDrawList()->AddRect(ImVec2(0, 0), ImVec2(w, h),
                                                IM_COL32(20, 28, 40, 200), 0.0f, 0, 2.0f);
    }
    ImDrawList* list = ImGui::GetForegroundDrawList();
    const float margin = 8.0f;
    textRects_.clear();
    for (const Text& t : texts_) {
        if (t.text.empty())
            continue;
        ImFont* font = t.size >= kMessageTextSize ? largeFont_ : smallFont_;
        const float size = font->FontSize * io.FontGlobalScale;
        const ImVec2 extent = font->CalcTextSizeA(size, 1e9f, 0.0f, t.text.c_str());
        if (t.label) {
            // A label: centred above its point, on a plate of its own. It
            // belongs to the scene, so the panels and charts cover it.
            ImDrawList* scene = ImGui::GetBackgroundDrawList();
            const ImVec2 at(std::floor(t.x - extent.x * 0.5f), std::floor(t.y - extent.y - 4));
            textRects_.push_back(TextRect{at.x, at.y, extent.x, extent.y, t.size, true});
            scene->AddRectFilled(ImVec2(at.x - 5, at.y - 1),
                                 ImVec2(at.x + extent.x + 5, at.y + extent.y + 1),
                                 IM_COL32(30, 24, 8, 170), 4.0f);
            shadowedText(scene, font, size, at, t.text.c_str());
            continue;
        }
        if (t.size < kMessageTextSize) {
            // Status text sits on a soft dark plate so it reads over the sky.
            const ImVec2 at(t.x, t.y);
            textRects_.push_back(TextRect{at.x, at.y, extent.x, extent.y, t.size, false});
            list->AddRectFilled(ImVec2(at.x - 3, at.y + 2),
                                ImVec2(at.x + extent.x + 8, at.y + extent.y + 2),
                                IM_COL32(15, 22, 35, 110), 5.0f);
            shadowedText(list, font, size, at, t.text.c_str());
            continue;
        }
        // A message: its lines centred on the point, on a darker plate, the
        // whole kept inside the window.
        ImVec2 at(t.x - extent.x * 0.5f, t.y);
        at.x = std::max(margin, std::min(at.x, io.DisplaySize.x - margin - extent.x));
        at.y = std::max(margin, std::min(at.y, io.DisplaySize.y - margin - extent.y));
        textRects_.push_back(TextRect{at.x, at.y, extent.x, extent.y, t.size, false});
        list->AddRectFilled(ImVec2(at.x - 10, at.y - 4),
                            ImVec2(at.x + extent.x + 10, at.y + extent.y + 4),
                            IM_COL32(15, 22, 35, 160), 8.0f);
        const char* line = t.text.c_str();
        float y = at.y;
        while (*line) {
            const char* end = std::strchr(line, '\n');
            if (!end)
                end = line + std::strlen(line);
            const float w = font->CalcTextSizeA(size, 1e9f, 0.0f, line, end).x;
            shadowedText(list, font, size, ImVec2(at.x + (extent.x - w) * 0.5f, y), line, end);
            y += size;
            line = *end ? end + 1 : end;
        }
    }
    if (paused_) {
        // A mark at the top of the window while the loop is paused.
        const char* text = "Paused";
        const float size = largeFont_->FontSize * io.FontGlobalScale;
        const ImVec2 extent = largeFont_->CalcTextSizeA(size, 1e9f, 0.0f, text);
        const ImVec2 at((io.DisplaySize.x - extent.x) * 0.5f, margin + 4);
        list->AddRectFilled(ImVec2(at.x - 14, at.y - 4),
                            ImVec2(at.x + extent.x + 14, at.y + extent.y + 4),
                            IM_COL32(150, 40, 30, 190), 8.0f);
        shadowedText(list, largeFont_, size, at, text);
    }
}

void WindowBackend::drawStr(int size, int x, int y, int, int, const char* text)
{
    if (text)
        texts_.push_back(Text{size, static_cast<float>(x), static_cast<float>(y), text});
}

void WindowBackend::drawLabel(const double* pos, const char* text)
{
    if (!text || picker_.active() || currentView_ != 0 || framebufferW_ <= 0 || framebufferH_ <= 0)
        return;
    const float p[3] = {static_cast<float>(pos[0]), static_cast<float>(pos[1]),
                        static_cast<float>(pos[2])};
    float x = 0, y = 0;
    if (!renderer_.project(p, x, y))
        return;
    // Framebuffer pixels to the window's points, in which text is placed.
    x *= static_cast<float>(windowW_) / framebufferW_;
    y *= static_cast<float>(windowH_) / framebufferH_;
    texts_.push_back(Text{kStatusTextSize, x, y, text, true});
}
