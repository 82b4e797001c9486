// The OpenGL side of the window backend: shaders, textures, the sky and the
// ground of each view, and the primitives of a view gathered into one vertex
// stream and drawn in a few calls (opaque bodies, their shadows on the
// ground, lines, then see-through bodies back to front).
// A frame's views are gathered first and drawn together afterwards, so the
// world may change once they are gathered (the steps of the next frame run
// while the renderer is sent this one's).
//
// Written for OpenGL 2.1 with GLSL 1.20 so that Mesa's software renderer
// runs it well: per-pixel lighting and fog in small shaders, planar shadows
// with the stencil buffer, no render targets.
#pragma once
#ifndef CREATURES_FLOOR_DRAWLIB_GL
#error "drawlib/gl/ is for drawlib/gl/ and the floors above it"
#endif

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "drawlib/gl/kept_skins.h"
#include "drawlib/gl/sky_ground.h"
#include "drawlib/mesh_builder.h"
#include "drawlib/view_math.h"

class GlRenderer {
public:
    GlRenderer() = default;
    ~GlRenderer();
    GlRenderer(const GlRenderer&) = delete;
    GlRenderer& operator=(const GlRenderer&) = delete;

    // Compiles the shaders and uploads the textures; needs a current context.
    bool init(std::string& error);
    void release();

    // Starts a frame's views, forgetting any gathered and not drawn.
    void beginFrame() { views_ = 0; }
    // Starts gathering a view in the given framebuffer rectangle (origin
    // bottom left) seen from eye with heading, pitch and roll in degrees.
    void beginView(int x, int y, int width, int height, const float eye[3], const float hpr[3]);
    // Sky and ground: the backend's own scene in every view, drawn after
    // the view's opaque bodies (so that what they cover is never
    // shaded), the sky only where nothing else is.
    void drawBackground(double groundSize, float fogStart, float fogEnd);
    // How the sky and the ground are drawn (see sky_ground.h).
    void setBackgroundLook(SkyGround::Look look) { skyGround_.setLook(look); }
    // Ends gathering the view; it is drawn by drawViews.
    void endView();
    // Draws the views gathered since the last call, in their order.
    void drawViews();

    // Whether a sphere around centre can be seen at all in the current view.
    bool visible(const float centre[3], float radius) const;
    // Where a point falls in the current view, in framebuffer pixels from
    // the view's top left; false when it is behind the eye.
    bool project(const float p[3], float& x, float& y) const;
    // Radius on screen, in framebuffer pixels, of a sphere around centre.
    float pixelRadius(const float centre[3], float radius) const;

    // Gathering: build a primitive into mesh(), then close it with
    // endPrimitive; its triangles are those added since the last close.
    // What casts a shadow is built, coarser, into shadowMesh() as well.
    Mesh& mesh() { return gathering().mesh; }
    Mesh& shadowMesh() { return gathering().shadowMesh; }
    void endPrimitive(bool transparent, const float centre[3]);
    void addLine(const float a[3], const float b[3], const float color[4]);
    // A body drawn from its skin kept between frames (see kept_skins.h);
    // false when the chain cannot be (then it is gathered as above).
    bool drawKeptSkin(const void* key, const std::vector<ChainCapsule>& chain, int level,
                      int shadowLevel, const Style& style, const Style& lit, int litCapsule);
    // Called once per frame, after its views.
    void endFrame() { skins_.endFrame(); }
    std::size_t keptSkins() const { return skins_.kept(); }

    // Counts of the last view drawn, for the benchmark.
    struct Stats {
        int primitives = 0;
        int triangles = 0;
        int shadowTriangles = 0;
        int lines = 0;
    };
    const Stats& lastStats() const { return stats_; }

private:
    struct Range {
        std::uint32_t first;
        std::uint32_t count;
        float depth;
    };

    // A view's gathered primitives and what drawing them needs, kept until
    // drawViews.
    struct Batch {
        int x = 0, y = 0, width = 1, height = 1;
        Mat4 viewProj{};
        float eye[3] = {0, 0, 0};
        float farZ = 1000.0f;
        float fogStart = 60.0f, fogEnd = 1200.0f;
        double groundSize = 0.0;
        bool background = false;
        int primitives = 0;
        Mesh mesh;
        Mesh shadowMesh;
        std::vector<std::uint32_t> opaque;
        std::vector<Range> transparent;
        std::vector<float> lines; // x, y, z, r, g, b, a per point
        std::size_t skinsFirst = 0, skinsEnd = 0; // its bodies in the kept skins' queue
    };

    // The batch being gathered (a spare one outside beginView and endView:
    // what goes there is never drawn).
    Batch& gathering()
    {
        if (views_ >= batches_.size())
            batches_.emplace_back();
        return batches_[views_];
    }
    void drawBatch(Batch& b);
    void drawMesh(const Batch& b);
    void setAttributes();

    bool ready_ = false;
    unsigned litProgram_ = 0, shadowProgram_ = 0, lineProgram_ = 0;
    unsigned skinTexture_ = 0;
    unsigned vertexBuffer_ = 0, indexBuffer_ = 0, lineBuffer_ = 0;
    unsigned shadowVertexBuffer_ = 0, shadowIndexBuffer_ = 0;

    SkyGround skyGround_;
    KeptSkins skins_;
    // The frame's views: batches_[0, views_) gathered, batches_[views_] the
    // one being gathered (a deque keeps them in place as it grows).
    std::deque<Batch> batches_;
    std::size_t views_ = 0;
    std::uint32_t primitiveStart_ = 0;
    std::vector<std::uint32_t> transparentIndices_;

    // The view being gathered.
    Mat4 viewProj_{};
    float eye_[3] = {0, 0, 0};
    float hpr_[3] = {0, 0, 0};
    CameraBasis basis_{};
    float aspect_ = 1.0f;
    int viewportHeight_ = 1;
    int viewportWidth_ = 1;
    int viewportX_ = 0, viewportY_ = 0;
    float farZ_ = 1000.0f;
    float fogStart_ = 60.0f, fogEnd_ = 1200.0f;
    double groundSize_ = 0.0;
    bool background_ = false;
    Stats stats_;
};
