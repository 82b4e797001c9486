// Contents: opening and closing the window; drawing state and primitives;
// picking. The frame loop, the overlay, input, and screenshots and videos
// each have a file of their own (window_loop, window_overlay, window_input,
// window_capture).
#include "drawlib/gl/window_backend.h"

#define GL_GLEXT_PROTOTYPES
#define GLFW_INCLUDE_NONE
#include <GL/gl.h>
#include <GLFW/glfw3.h>
#include <backends/imgui_impl_glfw.h>
#include <backends/imgui_impl_opengl2.h>
#include <imgui.h>

#include <algorithm>
#include <cmath>

#include "drawlib/body_detail.h"
#include "drawlib/gl/timed_scope.h"

namespace {

const char* kSmallFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char* kLargeFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

// Bounding sphere of a capsule or box centred at pos.
double capsuleReach(float length, float radius)
{
    return 0.5 * length + radius;
}

} // namespace

WindowBackend::WindowBackend() = default;

WindowBackend::~WindowBackend()
{
    close();
}

bool WindowBackend::open(int width, int height, const char* title, std::string& error)
{
    if (window_)
        return true;
    if (!glfwInit()) {
        const char* description = nullptr;
        glfwGetError(&description);
        error = description ? description : "the window system could not be started";
        return false;
    }
    // A size asked for is one of the screen's points; one taken from the
    // work area is in them already.
    bool scaleToScreen = true;
    if (width <= 0 || height <= 0) {
        scaleToScreen = false;
        // Four fifths of the work area of the main screen (without its
        // panels and docks).
        int x = 0, y = 0, w = 0, h = 0;
        if (GLFWmonitor* monitor = glfwGetPrimaryMonitor())
            glfwGetMonitorWorkarea(monitor, &x, &y, &w, &h);
        width = w > 0 ? w * 4 / 5 : kDefaultWindowWidth;
        height = h > 0 ? h * 4 / 5 : kDefaultWindowHeight;
    }
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 2);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 1);
    glfwWindowHint(GLFW_DEPTH_BITS, 24);
    glfwWindowHint(GLFW_STENCIL_BITS, 8);
    glfwWindowHint(GLFW_RESIZABLE, GLFW_TRUE);
    glfwWindowHint(GLFW_SCALE_TO_MONITOR, scaleToScreen ? GLFW_TRUE : GLFW_FALSE);
    window_ = glfwCreateWindow(width, height, title, nullptr, nullptr);
    if (!window_) {
        const char* description = nullptr;
        glfwGetError(&description);
        error = description ? description : "the window could not be created";
        glfwTerminate();
        return false;
    }
    glfwMakeContextCurrent(window_);
    glfwSwapInterval(0); // the step driver paces the frames
    watchInput();

    if (!renderer_.init(error)) {
        close();
        return false;
    }

    // Dear ImGui: fonts for the text and, later, the panel. Its GLFW backend
    // chains to the callbacks installed above.
    IMGUI_CHECKVERSION();
    ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    // The backend chooses the cursor itself (updateCursor).
    io.ConfigFlags |= ImGuiConfigFlags_NoMouseCursorChange;
    float scale = 1.0f;
    glfwGetWindowContentScale(window_, &scale, nullptr);
    scale = std::max(scale, 1.0f);
    ImFontConfig config;
    config.OversampleH = 2;
    smallFont_ = io.Fonts->AddFontFromFileTTF(kSmallFont, 14.0f * scale, &config);
    largeFont_ = io.Fonts->AddFontFromFileTTF(kLargeFont, 24.0f * scale, &config);
    if (!smallFont_ || !largeFont_) {
        io.Fonts->Clear();
        ImFontConfig fallback;
        fallback.SizePixels = 13.0f * scale;
        smallFont_ = largeFont_ = io.Fonts->AddFontDefault(&fallback);
    }
    io.FontGlobalScale = 1.0f / scale;
    ImGui_ImplGlfw_InitForOpenGL(window_, true);
    ImGui_ImplOpenGL2_Init();
    imguiReady_ = true;
    return true;
}

void WindowBackend::close()
{
    if (!window_)
        return;
    stopVideo();
    glfwMakeContextCurrent(window_);
    if (imguiReady_) {
        ImGui_ImplOpenGL2_Shutdown();
        ImGui_ImplGlfw_Shutdown();
        ImGui::DestroyContext();
        imguiReady_ = false;
    }
    renderer_.release();
    for (auto& shapeAndCursor : cursors_)
        glfwDestroyCursor(shapeAndCursor.second);
    cursors_.clear();
    cursorShape_ = -1;
    glfwDestroyWindow(window_);
    window_ = nullptr;
    glfwTerminate();
}

void WindowBackend::setLeanDrawing(bool on)
{
    leanDrawing_ = on;
    renderer_.setBackgroundLook(on ? SkyGround::Look::Lean : SkyGround::Look::Detailed);
}

void WindowBackend::setViewpoint(const float* xyz, const float* hpr)
{
    std::copy(xyz, xyz + 3, viewpoint_[currentView_]);
    std::copy(hpr, hpr + 3, viewpoint_[currentView_] + 3);
}

void WindowBackend::setColor(float r, float g, float b)
{
    color_[0] = r;
    color_[1] = g;
    color_[2] = b;
    color_[3] = 1.0f;
}

void WindowBackend::setColorAlpha(float r, float g, float b, float a)
{
    color_[0] = r;
    color_[1] = g;
    color_[2] = b;
    color_[3] = a;
}

void WindowBackend::materialColor(float ambient, float diffuse, float specular, float shininess)
{
    material_[0] = ambient;
    material_[1] = diffuse;
    material_[2] = specular;
    material_[3] = shininess;
}

void WindowBackend::fogDistance(float start, float end)
{
    fogStart_ = start;
    fogEnd_ = end;
}

Style WindowBackend::currentStyle() const
{
    Style s;
    std::copy(color_, color_ + 4, s.color);
    s.color[3] = std::clamp(s.color[3], 0.0f, 1.0f);
    std::copy(material_, material_ + 4, s.material);
    s.textured = (texture_ == 1 && texturesOn_) ? 1.0f : 0.0f;
    return s;
}

void WindowBackend::finishPrimitive(const double* centre)
{
    const float c[3] = {static_cast<float>(centre[0]), static_cast<float>(centre[1]),
                        static_cast<float>(centre[2])};
    renderer_.endPrimitive(color_[3] < 0.999f, c);
}

namespace {
bool seen(const GlRenderer& r, const double* pos, double radius)
{
    const float c[3] = {static_cast<float>(pos[0]), static_cast<float>(pos[1]),
                        static_cast<float>(pos[2])};
    return std::isfinite(c[0]) && std::isfinite(c[1]) && std::isfinite(c[2]) &&
           r.visible(c, static_cast<float>(radius));
}
} // namespace

void WindowBackend::drawSphere(const double* pos, const double* R, float radius)
{
    if (picker_.active()) {
        picker_.offer(currentName_, raySphere(picker_.ray(), pos, radius));
        pendingNames_.clear();
        return;
    }
    if (color_[3] <= 0.0f || !(radius > 0.0f) || !seen(renderer_, pos, radius))
        return;
    // Small spheres on screen need few faces.
    const float c[3] = {static_cast<float>(pos[0]), static_cast<float>(pos[1]),
                        static_cast<float>(pos[2])};
    const float pixels = renderer_.pixelRadius(c, radius);
    const int quality = std::min(sphereQuality_, pixels < 6.0f ? 0 : pixels < 20.0f ? 1 : 3);
    addSphere(renderer_.mesh(), currentStyle(), pos, R, radius, quality);
    if (shadows_)
        addSphere(renderer_.shadowMesh(), Style{}, pos, R, radius, 0);
    finishPrimitive(pos);
}

void WindowBackend::drawCapsule(const double* pos, const double* R, float length, float radius)
{
    if (picker_.active()) {
        picker_.offer(currentName_, rayCapsule(picker_.ray(), pos, R, length, radius));
        pendingNames_.clear();
        return;
    }
    if (color_[3] <= 0.0f || !seen(renderer_, pos, capsuleReach(length, radius)))
        return;
    addCapsule(renderer_.mesh(), currentStyle(), pos, R, length, radius, capsuleQuality_);
    if (shadows_)
        addCapsule(renderer_.shadowMesh(), Style{}, pos, R, length, radius, 1);
    finishPrimitive(pos);
}

void WindowBackend::drawBox(const double* pos, const double* R, const double* sides)
{
    if (picker_.active()) {
        picker_.offer(currentName_, rayBox(picker_.ray(), pos, R, sides));
        pendingNames_.clear();
        return;
    }
    const double reach =
        0.5 * std::sqrt(sides[0] * sides[0] + sides[1] * sides[1] + sides[2] * sides[2]);
    if (color_[3] <= 0.0f || !seen(renderer_, pos, reach))
        return;
    addBox(renderer_.mesh(), currentStyle(), pos, R, sides);
    if (shadows_)
        addBox(renderer_.shadowMesh(), Style{}, pos, R, sides);
    finishPrimitive(pos);
}

void WindowBackend::drawLine(const float* a, const float* b)
{
    if (picker_.active())
        return;
    renderer_.addLine(a, b, color_);
}

void WindowBackend::drawArrow(const double* base, const double* R, double length, double thickness,
                              int quality)
{
    if (picker_.active())
        return;
    const double tip[3] = {base[0] + R[2] * length * 0.5, base[1] + R[6] * length * 0.5,
                           base[2] + R[10] * length * 0.5};
    if (color_[3] <= 0.0f || !seen(renderer_, tip, length * 0.5 + thickness * 3))
        return;
    addArrow(renderer_.mesh(), currentStyle(), base, R, length, thickness, quality);
    if (shadows_)
        addArrow(renderer_.shadowMesh(), Style{}, base, R, length, thickness, 1);
    finishPrimitive(tip);
}

void WindowBackend::drawCapsuleArray(int n, const float* positions, const float* rotations,
                                     const float* radii, const float* lengths, const int* parents,
                                     const std::uint8_t* capFlags, const int* ints)
{
    // The key names this call's body only.
    const void* key = meshKey_;
    meshKey_ = nullptr;
    if (n <= 0)
        return;
    chain_.resize(n);
    double lo[3] = {1e30, 1e30, 1e30}, hi[3] = {-1e30, -1e30, -1e30};
    for (int i = 0; i < n; ++i) {
        ChainCapsule& c = chain_[i];
        std::copy(positions + 4 * i, positions + 4 * i + 3, c.pos);
        std::copy(rotations + 12 * i, rotations + 12 * i + 12, c.R);
        c.radius = radii[i];
        c.length = lengths[i];
        c.parent = parents[i];
        c.capNeg = capFlags[2 * i] != 0;
        c.capPos = capFlags[2 * i + 1] != 0;
        c.lit = ints && ints[i] == kLitCapsule;
        const double reach = capsuleReach(c.length, c.radius);
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], c.pos[k] - reach);
            hi[k] = std::max(hi[k], c.pos[k] + reach);
        }
    }
    const double centre[3] = {(lo[0] + hi[0]) * 0.5, (lo[1] + hi[1]) * 0.5, (lo[2] + hi[2]) * 0.5};
    const double reach =
        0.5 * std::sqrt((hi[0] - lo[0]) * (hi[0] - lo[0]) + (hi[1] - lo[1]) * (hi[1] - lo[1]) +
                        (hi[2] - lo[2]) * (hi[2] - lo[2]));
    if (picker_.active()) {
        // A ray that misses the whole body misses every capsule of it.
        if (raySphere(picker_.ray(), centre, reach) < 0.0) {
            pendingNames_.clear();
            return;
        }
        // Each capsule answers to the name set for its slot, in order.
        for (int i = 0; i < n; ++i) {
            const ChainCapsule& c = chain_[i];
            const double pos[3] = {c.pos[0], c.pos[1], c.pos[2]};
            double R[12];
            std::copy(c.R, c.R + 12, R);
            const void* name =
                i < static_cast<int>(pendingNames_.size()) ? pendingNames_[i] : currentName_;
            picker_.offer(name, rayCapsule(picker_.ray(), pos, R, c.length, c.radius));
        }
        pendingNames_.clear();
        return;
    }
    if (color_[3] <= 0.0f || !seen(renderer_, centre, reach))
        return;
    // A lit capsule takes the full ambient light.
    const Style style = currentStyle();
    Style lit = style;
    lit.material[0] = 1.0f;
    // Fewer slices for a body small on screen.
    const float c[3] = {static_cast<float>(centre[0]), static_cast<float>(centre[1]),
                        static_cast<float>(centre[2])};
    const float pixels = renderer_.pixelRadius(c, static_cast<float>(reach));
    const DetailChoice choice = !leanDrawing_ ? DetailChoice::Earlier
                                : glimpse_    ? DetailChoice::Glimpse
                                              : DetailChoice::Lean;
    const BodyDetail detail = bodyDetail(pixels, capsuleQuality_, choice, shadows_);
    const int level = detail.level;
    // A shadow shows only an outline: the far shape's, or the coarse level's.
    const int shadowLevel = std::min(level, 1);
    if (key) {
        int litCapsule = -1;
        for (int i = 0; i < n; ++i)
            if (chain_[i].lit)
                litCapsule = i;
        if (renderer_.drawKeptSkin(key, chain_, level, detail.shadow ? shadowLevel : -1, style, lit,
                                   litCapsule))
            return;
    }
    addCapsuleChain(renderer_.mesh(), style, chain_, level, lit);
    if (detail.shadow)
        addCapsuleChain(renderer_.shadowMesh(), Style{}, chain_, shadowLevel, Style{});
    finishPrimitive(centre);
}

void WindowBackend::setObjName(const void* name)
{
    currentName_ = name;
    pendingNames_.push_back(name);
}

void WindowBackend::pickingPre(int x, int y)
{
    pickStart_ = wallMs();
    const float* vp = viewpoint_[0];
    int ww = windowW_, wh = windowH_;
    if (window_ && (ww <= 0 || wh <= 0))
        glfwGetWindowSize(window_, &ww, &wh);
    picker_.begin(cursorRay(vp, vp + 3, x, y, ww, wh));
    currentName_ = nullptr;
    pendingNames_.clear();
}

const void* WindowBackend::pickingAfterRender(int, int)
{
    picker_.end();
    pendingNames_.clear();
    pickTotal_ += wallMs() - pickStart_;
    return picker_.result();
}

bool WindowBackend::screenPlace(int& x, int& y, int& width, int& areaX, int& areaWidth) const
{
    if (!window_)
        return false;
    int height = 0;
    glfwGetWindowPos(window_, &x, &y);
    glfwGetWindowSize(window_, &width, &height);
    int ay = 0, ah = 0;
    areaX = 0;
    areaWidth = 0;
    if (GLFWmonitor* monitor = glfwGetPrimaryMonitor())
        glfwGetMonitorWorkarea(monitor, &areaX, &ay, &areaWidth, &ah);
    return true;
}

