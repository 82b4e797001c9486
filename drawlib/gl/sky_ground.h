// The sky and the ground of every view: a dome around the eye and rings of
// ground around the point below it, out to where the haze hides everything.
//
// Two looks. The lean one (the default) works out the colours, the haze and
// the sun's glow per vertex; per pixel the ground takes one lookup of a tile
// that holds its grain and its grid lines, the sky one lookup of the clouds,
// and the sun's disc is a small fan of its own. The detailed one is the
// earlier per-pixel drawing (the grid from screen-space derivatives, the sun
// and the arena's edge worked out at every pixel), kept to compare with.
// Both draw at about the same place the same colours.
#pragma once
#ifndef CREATURES_FLOOR_DRAWLIB_GL
#error "drawlib/gl/ is for drawlib/gl/ and the floors above it"
#endif

#include <string>

class SkyGround {
public:
    enum class Look { Lean, Detailed, Off };

    SkyGround() = default;
    ~SkyGround();
    SkyGround(const SkyGround&) = delete;
    SkyGround& operator=(const SkyGround&) = delete;

    // Programs, textures and meshes; needs a current context.
    bool init(std::string& error);
    void release();

    void setLook(Look look) { look_ = look; }
    Look look() const { return look_; }

    // What the drawing needs of the view.
    struct View {
        const float* viewProj;
        const float* eye;
        const float* light;   // towards the sun
        const float* horizon; // the haze's colour
        const float* zenith;
        float skyRadius; // within the far plane
        float fogStart, fogEnd;
        float groundSize; // half-width of the arena
    };
    // The ground, writing depth a hair behind what lies on it, then the sky
    // at the far plane where nothing else is (the caller has drawn the
    // opaque bodies, so what they cover is never shaded).
    void draw(const View& view);

private:
    void drawGround(const View& view, unsigned program);
    void drawSky(const View& view, unsigned program);
    void drawSun(const View& view);
    void makeMeshes();

    Look look_ = Look::Lean;
    unsigned groundProgram_ = 0, skyProgram_ = 0, sunProgram_ = 0;
    unsigned detailedGroundProgram_ = 0, detailedSkyProgram_ = 0;
    unsigned groundTexture_ = 0, tileTexture_ = 0, cloudTexture_ = 0;
    unsigned skyBuffer_ = 0, skyIndexBuffer_ = 0, groundBuffer_ = 0, groundIndexBuffer_ = 0,
             sunBuffer_ = 0;
    int skyIndexCount_ = 0, groundIndexCount_ = 0, sunVertexCount_ = 0;
    bool ready_ = false;
};
