// The sky and the ground of every view: a dome around the eye and rings of
// ground around the point below it, out to where the haze hides everything.
//
// Two looks. The lean one (the default) works out every colour per vertex
// of finer meshes: the gradient, the sun's glow and the clouds of the sky,
// the ground's grain (averaged over each cell), light and haze; per pixel
// only the ground's grid lines and the arena's edge are worked out, with no
// texture lookup, and the sun's disc is a small fan of its own. The detailed one is the
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
    // A mesh of rings: its buffers and how wide its cells are, in radians
    // for the dome, per unit of radius for the ground.
    struct Shape {
        unsigned vertices = 0, indices = 0;
        int indexCount = 0;
        float cellPerRadius = 0.0f;
    };
    static Shape makeDome(int rings, int segments);
    static Shape makeRings(int rings, int segments);
    void makeSun();
    static void drawShape(const Shape& shape, int components);
    void drawGround(const View& view, unsigned program, const Shape& shape);
    void drawSky(const View& view, unsigned program, const Shape& shape);
    void drawSun(const View& view);

    Look look_ = Look::Lean;
    unsigned groundProgram_ = 0, skyProgram_ = 0, sunProgram_ = 0;
    unsigned detailedGroundProgram_ = 0, detailedSkyProgram_ = 0;
    unsigned groundTexture_ = 0, cloudTexture_ = 0;
    Shape leanSky_, leanGround_, detailedSky_, detailedGround_;
    unsigned sunBuffer_ = 0;
    int sunVertexCount_ = 0;
    bool ready_ = false;
};
