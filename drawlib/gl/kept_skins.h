// Creatures' skins kept on the GPU between frames. A body drawn with a key
// gets its skin built once per detail level (see skinned_mesh.h) into its own
// buffers; each frame only the capsules' frames go up, as uniforms, and the
// vertex shader places every vertex. A skin whose chain changed is built
// anew; skins no view asked for in a while are let go.
#pragma once
#ifndef CREATURES_FLOOR_DRAWLIB_GL
#error "drawlib/gl/ is for drawlib/gl/ and the floors above it"
#endif

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "drawlib/mesh_builder.h"

class KeptSkins {
public:
    // Most capsules a kept skin may have (the uniforms hold their frames).
    static constexpr int kMaxCapsules = 32;
    // Frames a skin is kept without being drawn.
    static constexpr long long kKeepFrames = 120;

    KeptSkins() = default;
    ~KeptSkins();
    KeptSkins(const KeptSkins&) = delete;
    KeptSkins& operator=(const KeptSkins&) = delete;

    // Links the programs: the skin's vertex shader with the renderer's lit
    // and shadow fragment shaders (they read the same varyings).
    bool init(const char* litFragment, const char* shadowFragment, std::string& error);
    void release();

    // Whether a chain can be drawn from a kept skin.
    static bool fits(const std::vector<ChainCapsule>& chain);

    // Queues a body for the view being gathered. `litCapsule` (or -1) is drawn with
    // `lit`'s material; `shadowLevel` (or -1) is the detail of its shadow.
    void add(const void* key, const std::vector<ChainCapsule>& chain, int level, int shadowLevel,
             const Style& style, const Style& lit, int litCapsule, const float eye[3]);

    // What the programs need of the view.
    struct View {
        const float* viewProj;
        const float* eye;
        const float* light;
        const float* fogColor;
        float fogStart, fogEnd;
        unsigned skinTexture;
    };
    // Bodies queued so far: a view's bodies are those queued while it was
    // gathered, [first, end) of the queue.
    std::size_t queued() const { return queue_.size(); }
    // Draws a view's queued bodies, opaque or see-through (these back to
    // front); returns the triangles drawn.
    int drawBodies(const View& view, bool transparent, std::size_t first, std::size_t end);
    // Draws a view's queued shadows (the caller has set blending and stencil).
    int drawShadows(const View& view, std::size_t first, std::size_t end);
    // Forgets the queue (at the start of a frame's views).
    void clearQueue() { queue_.clear(), frames_.clear(); }
    // Called once per frame: lets go of skins unused for kKeepFrames.
    void endFrame();
    std::size_t kept() const { return skins_.size(); }

private:
    struct Skin {
        unsigned vertexBuffer = 0, indexBuffer = 0;
        int indexCount = 0;
        std::vector<float> signature;
        long long lastUsed = 0;
    };
    struct Queued {
        const Skin* skin;
        const Skin* shadow;
        std::size_t frames; // first float of its frames in frames_
        int capsules;
        Style style;
        Style lit;
        int litCapsule;
        float depth;
    };
    const Skin* skinFor(const void* key, const std::vector<ChainCapsule>& chain, int level);
    void bindSkin(const Skin& skin);

    unsigned bodyProgram_ = 0, shadowProgram_ = 0;
    std::map<std::pair<const void*, int>, Skin> skins_;
    std::vector<Queued> queue_;
    std::vector<float> frames_;
    long long frame_ = 0;
};
