// Contents: the lean look's shaders; the detailed look's shaders; init and
// release; drawing the ground, the sky and the sun; the meshes.
#include "drawlib/gl/sky_ground.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <vector>

#include "drawlib/gl/gl_program.h"
#include "drawlib/textures.h"

namespace {

// The lean look.

// The ground: every colour of a vertex's place worked out there: the
// arena's and the grass's, lit, with the broad light and dark patches, and
// the share the haze leaves of them. Per pixel only arithmetic, no texture
// lookup: the arena's edge, its seam and the grid lines.
const char* kGroundVertex = R"(
#version 120
attribute vec2 aPos;
uniform mat4 uViewProj;
uniform vec3 uEye;
uniform vec2 uFog;
uniform vec3 uFogColor;
uniform float uLightLevel;
varying vec2 vWorld;
varying vec3 vArena;
varying vec3 vOutside;
varying vec3 vHaze;
void main() {
    vec2 p = uEye.xy + aPos;
    vWorld = p;
    float f = clamp((length(vec3(p, 0.0) - uEye) - uFog.x) / max(uFog.y - uFog.x, 1.0), 0.0, 1.0);
    f = 1.0 - f;
    float clear = f * f * f * f;
    float broad = 0.5 + 0.25 * (sin(p.x * 0.061 + sin(p.y * 0.043)) + sin(p.y * 0.057 - 0.7));
    // The grain texture's mean brightness, as the earlier ground had it.
    vec3 lit = vec3(0.86, 0.85, 0.83) * (uLightLevel * clear);
    vArena = vec3(0.80, 0.77, 0.69) * (0.92 + 0.12 * broad) * lit;
    vOutside = vec3(0.55, 0.62, 0.47) * (0.85 + 0.25 * broad) * lit;
    vHaze = uFogColor * (1.0 - clear);
    gl_Position = uViewProj * vec4(p, 0.0, 1.0);
}
)";

const char* kGroundFragment = R"(
#version 120
uniform float uSize;
varying vec2 vWorld;
varying vec3 vArena;
varying vec3 vOutside;
varying vec3 vHaze;
void main() {
    float edge = max(abs(vWorld.x), abs(vWorld.y)) - uSize;
    float inside = clamp(0.5 - 10.0 * edge, 0.0, 1.0);
    // A faint grid every 5 units on the arena, a pixel wide.
    vec2 q = vWorld * 0.2;
    vec2 g = abs(fract(q - 0.5) - 0.5) / max(fwidth(q), vec2(1e-4));
    float line = 1.0 - clamp(min(g.x, g.y), 0.0, 1.0);
    vec3 color = mix(vOutside, vArena * (1.0 - 0.10 * line), inside);
    // A dark seam along the arena's edge.
    color *= 1.0 - 0.22 * max(1.0 - abs(edge) * 2.85, 0.0);
    gl_FragColor = vec4(color + vHaze, 1.0);
}
)";

// The sky: its gradient, the glow around the sun and the clouds per vertex
// of a finer dome (the cloud texture's mipmap level follows how fast the
// clouds' coordinates change between vertices); per pixel nothing but the
// colour.
const char* kSkyVertex = R"(
#version 120
attribute vec3 aPos;
uniform mat4 uViewProj;
uniform vec3 uEye;
uniform float uRadius;
uniform vec3 uLight;
uniform vec3 uHorizon;
uniform vec3 uZenith;
uniform sampler2D uClouds;
uniform float uCellTexels; // texels of the clouds between vertices at the zenith
varying vec3 vColor;
void main() {
    vec3 d = aPos;
    float up = max(d.z, 0.0);
    float sun = max(dot(d, uLight), 0.0);
    vec3 sky = mix(uHorizon, uZenith, pow(up, 0.55)) + vec3(1.0, 0.93, 0.78) * pow(sun, 12.0) * 0.18;
    float h = up + 0.12;
    vec2 cloud = d.xy / h * 0.22;
    float lod = log2(max(uCellTexels / (h * h), 1.0));
    float c = texture2DLod(uClouds, cloud, lod).r * 0.8 * smoothstep(0.02, 0.35, up);
    vColor = mix(sky, vec3(0.95, 0.96, 0.97), c);
    // On the far plane: the sky fills only what nothing else covers.
    gl_Position = uViewProj * vec4(uEye + d * uRadius, 1.0);
    gl_Position.z = gl_Position.w;
}
)";

// The sky's and the sun's pixels: the colour their vertices worked out.
const char* kVertexColourFragment = R"(
#version 120
varying vec3 vColor;
void main() { gl_FragColor = vec4(vColor, 1.0); }
)";

// The sun's disc: a fan of rings around the sun's direction, each vertex
// with the brightness of the cosine to the 512th power at its angle, added
// to the sky.
const char* kSunVertex = R"(
#version 120
attribute vec3 aPos; // cosine and sine around the sun, angle from it
uniform mat4 uViewProj;
uniform vec3 uEye;
uniform float uRadius;
uniform vec3 uLight;
varying vec3 vColor;
void main() {
    vec3 u = normalize(cross(uLight, vec3(0.0, 0.0, 1.0)));
    vec3 v = cross(uLight, u);
    vec3 d = uLight * cos(aPos.z) + (u * aPos.x + v * aPos.y) * sin(aPos.z);
    vColor = vec3(1.0, 0.93, 0.78) * 1.2 * pow(cos(aPos.z), 512.0);
    gl_Position = uViewProj * vec4(uEye + d * uRadius, 1.0);
    gl_Position.z = gl_Position.w;
}
)";

// The detailed look.

// The sky: a dome around the eye. Its colour (gradient and the glow around
// the sun) is worked out per vertex; per pixel only the sun's disc and the
// clouds.
const char* kDetailedSkyVertex = R"(
#version 120
attribute vec3 aPos;
uniform mat4 uViewProj;
uniform vec3 uEye;
uniform float uRadius;
uniform vec3 uLight;
uniform vec3 uHorizon;
uniform vec3 uZenith;
varying vec3 vDir;
varying vec3 vColor;
varying vec2 vCloud;
varying float vCloudFade;
void main() {
    vec3 d = aPos;
    float up = max(d.z, 0.0);
    float sun = max(dot(d, uLight), 0.0);
    vColor = mix(uHorizon, uZenith, pow(up, 0.55)) + vec3(1.0, 0.93, 0.78) * pow(sun, 12.0) * 0.18;
    vCloud = d.xy / (up + 0.12) * 0.22;
    vCloudFade = 0.8 * smoothstep(0.02, 0.35, up);
    vDir = d;
    // On the far plane: the sky fills only what nothing else covers.
    gl_Position = uViewProj * vec4(uEye + d * uRadius, 1.0);
    gl_Position.z = gl_Position.w;
}
)";

const char* kDetailedSkyFragment = R"(
#version 120
uniform vec3 uLight;
uniform sampler2D uClouds;
varying vec3 vDir;
varying vec3 vColor;
varying vec2 vCloud;
varying float vCloudFade;
void main() {
    // The sun's disc: the cosine raised to the 512th power by squaring.
    float s = max(dot(normalize(vDir), uLight), 0.0);
    s *= s; s *= s; s *= s; s *= s; s *= s; s *= s; s *= s; s *= s; s *= s;
    vec3 sky = vColor + vec3(1.0, 0.93, 0.78) * s * 1.2;
    float c = texture2D(uClouds, vCloud).r * vCloudFade;
    gl_FragColor = vec4(mix(sky, vec3(0.95, 0.96, 0.97), c), 1.0);
}
)";

// The ground: rings around the point below the eye, finer near it, out to
// where the fog hides everything. Fog and the broad light and dark patches
// are worked out per vertex.
const char* kDetailedGroundVertex = R"(
#version 120
attribute vec2 aPos;
uniform mat4 uViewProj;
uniform vec3 uEye;
uniform vec2 uFog;
varying vec2 vWorld;
varying float vFog;
varying float vBroad;
void main() {
    vec2 p = uEye.xy + aPos;
    vWorld = p;
    float f = clamp((length(vec3(p, 0.0) - uEye) - uFog.x) / max(uFog.y - uFog.x, 1.0), 0.0, 1.0);
    f = 1.0 - f;
    vFog = 1.0 - f * f * f * f;
    vBroad = 0.5 + 0.25 * (sin(p.x * 0.061 + sin(p.y * 0.043)) + sin(p.y * 0.057 - 0.7));
    gl_Position = uViewProj * vec4(p, 0.0, 1.0);
}
)";

const char* kDetailedGroundFragment = R"(
#version 120
uniform sampler2D uGround;
uniform vec3 uFogColor;
uniform float uSize;
uniform float uLightLevel;
varying vec2 vWorld;
varying float vFog;
varying float vBroad;
void main() {
    vec3 grain = texture2D(uGround, vWorld / 9.0).rgb;
    float edge = max(abs(vWorld.x), abs(vWorld.y)) - uSize;
    float inside = 1.0 - smoothstep(-0.05, 0.05, edge);
    vec3 arena = vec3(0.80, 0.77, 0.69) * (0.92 + 0.12 * vBroad);
    vec3 outside = vec3(0.55, 0.62, 0.47) * (0.85 + 0.25 * vBroad);
    vec3 color = mix(outside, arena, inside) * grain;
    // A faint grid every 5 units on the arena, and a dark seam at its edge.
    vec2 q = vWorld / 5.0;
    vec2 g = abs(fract(q - 0.5) - 0.5) / max(fwidth(q), vec2(1e-4));
    color *= 1.0 - 0.10 * (1.0 - clamp(min(g.x, g.y), 0.0, 1.0)) * inside;
    color *= 1.0 - 0.22 * (1.0 - smoothstep(0.0, 0.35, abs(edge)));
    gl_FragColor = vec4(mix(color * uLightLevel, uFogColor, vFog), 1.0);
}
)";


void bindBackgroundTexture(unsigned program, const char* name, unsigned texture)
{
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glUniform1i(uniform(program, name), 0);
}

constexpr float kPi = 3.14159265f;

// Angles of the sun's rings from its centre, in radians.
constexpr float kSunRings[] = {0.0f, 0.02f, 0.04f, 0.06f, 0.08f, 0.1f, 0.125f, 0.16f};
constexpr int kSunSegments = 24;

// The ground's rings grow geometrically from the point below the eye out to
// this radius, so near cells are small and far ones large.
constexpr float kGroundInner = 0.3f, kGroundOuter = 4000.0f;
// The textures' sizes.
constexpr int kGroundTexels = 256, kCloudTexels = 256;

// Grid of rings by segments; index of ring r, segment k.
void ringIndices(int rings, int segments, std::vector<std::uint32_t>& indices)
{
    for (int r = 0; r + 1 < rings; ++r)
        for (int k = 0; k < segments; ++k) {
            const std::uint32_t a = r * (segments + 1) + k, b = a + segments + 1;
            indices.insert(indices.end(), {a, a + 1, b, a + 1, b + 1, b});
        }
}

template <typename T>
void uploadBuffer(unsigned& buffer, unsigned target, const std::vector<T>& data)
{
    glGenBuffers(1, &buffer);
    glBindBuffer(target, buffer);
    glBufferData(target, data.size() * sizeof(T), data.data(), GL_STATIC_DRAW);
}

} // namespace

SkyGround::~SkyGround()
{
    release();
}

bool SkyGround::init(std::string& error)
{
    groundProgram_ = linkProgram(kGroundVertex, kGroundFragment, {"aPos"}, error);
    skyProgram_ = groundProgram_ ? linkProgram(kSkyVertex, kVertexColourFragment, {"aPos"}, error) : 0;
    sunProgram_ = skyProgram_ ? linkProgram(kSunVertex, kVertexColourFragment, {"aPos"}, error) : 0;
    detailedGroundProgram_ =
        sunProgram_ ? linkProgram(kDetailedGroundVertex, kDetailedGroundFragment, {"aPos"}, error)
                    : 0;
    detailedSkyProgram_ =
        detailedGroundProgram_
            ? linkProgram(kDetailedSkyVertex, kDetailedSkyFragment, {"aPos"}, error)
            : 0;
    if (!detailedSkyProgram_) {
        release();
        return false;
    }
    groundTexture_ = uploadTexture(makeGroundTexture(kGroundTexels));
    cloudTexture_ = uploadTexture(makeCloudTexture(kCloudTexels));
    // The lean look's finer dome, whose vertices carry the clouds.
    leanSky_ = makeDome(24, 96);
    leanGround_ = makeRings(34, 64);
    detailedSky_ = makeDome(14, 48);
    detailedGround_ = makeRings(34, 48);
    makeSun();
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    ready_ = true;
    return true;
}

void SkyGround::release()
{
    for (unsigned* p : {&groundProgram_, &skyProgram_, &sunProgram_, &detailedGroundProgram_,
                        &detailedSkyProgram_}) {
        if (*p)
            glDeleteProgram(*p);
        *p = 0;
    }
    if (!ready_)
        return;
    const GLuint textures[] = {groundTexture_, cloudTexture_};
    glDeleteTextures(2, textures);
    for (Shape* shape : {&leanSky_, &leanGround_, &detailedSky_, &detailedGround_}) {
        const GLuint buffers[] = {shape->vertices, shape->indices};
        glDeleteBuffers(2, buffers);
        *shape = Shape{};
    }
    glDeleteBuffers(1, &sunBuffer_);
    ready_ = false;
}

void SkyGround::draw(const View& view)
{
    if (!ready_ || look_ == Look::Off)
        return;
    const bool lean = look_ == Look::Lean;
    glDisable(GL_CULL_FACE);
    glEnableVertexAttribArray(0);
    if (lean) {
        drawGround(view, groundProgram_, leanGround_);
        drawSky(view, skyProgram_, leanSky_);
        drawSun(view);
    } else {
        drawGround(view, detailedGroundProgram_, detailedGround_);
        drawSky(view, detailedSkyProgram_, detailedSky_);
    }
    glDisableVertexAttribArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

void SkyGround::drawShape(const Shape& shape, int components)
{
    glBindBuffer(GL_ARRAY_BUFFER, shape.vertices);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, shape.indices);
    glVertexAttribPointer(0, components, GL_FLOAT, GL_FALSE, 0, nullptr);
    glDrawElements(GL_TRIANGLES, shape.indexCount, GL_UNSIGNED_INT, nullptr);
}

void SkyGround::drawGround(const View& view, unsigned p, const Shape& shape)
{
    // Pushed a hair back so that what lies on it (wall tops, shadows) wins
    // the depth test.
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(1.0f, 2.0f);
    glUseProgram(p);
    glUniformMatrix4fv(uniform(p, "uViewProj"), 1, GL_FALSE, view.viewProj);
    glUniform3fv(uniform(p, "uEye"), 1, view.eye);
    glUniform2f(uniform(p, "uFog"), view.fogStart, view.fogEnd);
    glUniform3fv(uniform(p, "uFogColor"), 1, view.horizon);
    glUniform1f(uniform(p, "uSize"), view.groundSize);
    glUniform1f(uniform(p, "uLightLevel"), 0.62f + 0.45f * view.light[2]);
    if (p == detailedGroundProgram_)
        bindBackgroundTexture(p, "uGround", groundTexture_);
    drawShape(shape, 2);
    glDisable(GL_POLYGON_OFFSET_FILL);
}

void SkyGround::drawSky(const View& view, unsigned p, const Shape& shape)
{
    // Behind everything: where the depth buffer is still clear.
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
    glDisable(GL_BLEND);
    glUseProgram(p);
    glUniformMatrix4fv(uniform(p, "uViewProj"), 1, GL_FALSE, view.viewProj);
    glUniform3fv(uniform(p, "uEye"), 1, view.eye);
    glUniform1f(uniform(p, "uRadius"), view.skyRadius);
    glUniform3fv(uniform(p, "uLight"), 1, view.light);
    glUniform3fv(uniform(p, "uHorizon"), 1, view.horizon);
    glUniform3fv(uniform(p, "uZenith"), 1, view.zenith);
    // The clouds' coordinates change by 0.22 / h² per radian at height h.
    glUniform1f(uniform(p, "uCellTexels"), 0.22f * shape.cellPerRadius * kCloudTexels);
    bindBackgroundTexture(p, "uClouds", cloudTexture_);
    drawShape(shape, 3);
    glDepthMask(GL_TRUE);
}

void SkyGround::drawSun(const View& view)
{
    // Added to the sky, where the sky is.
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE);
    const GLuint p = sunProgram_;
    glUseProgram(p);
    glUniformMatrix4fv(uniform(p, "uViewProj"), 1, GL_FALSE, view.viewProj);
    glUniform3fv(uniform(p, "uEye"), 1, view.eye);
    glUniform1f(uniform(p, "uRadius"), view.skyRadius);
    glUniform3fv(uniform(p, "uLight"), 1, view.light);
    glBindBuffer(GL_ARRAY_BUFFER, sunBuffer_);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 0, nullptr);
    glDrawArrays(GL_TRIANGLES, 0, sunVertexCount_);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
}

SkyGround::Shape SkyGround::makeDome(int rings, int segments)
{
    // Unit directions from a little below the horizon to the top.
    const float low = -0.2f, span = 0.5f * kPi + 0.2f;
    std::vector<float> dome;
    for (int r = 0; r < rings; ++r) {
        const float e = low + span * r / (rings - 1);
        for (int k = 0; k <= segments; ++k) {
            const float a = 2.0f * kPi * k / segments;
            dome.insert(dome.end(),
                        {std::cos(e) * std::cos(a), std::cos(e) * std::sin(a), std::sin(e)});
        }
    }
    std::vector<std::uint32_t> indices;
    ringIndices(rings, segments, indices);
    Shape shape;
    shape.indexCount = static_cast<int>(indices.size());
    // The larger of the angles between rings and between segments.
    shape.cellPerRadius = std::max(span / (rings - 1), 2.0f * kPi / segments);
    uploadBuffer(shape.vertices, GL_ARRAY_BUFFER, dome);
    uploadBuffer(shape.indices, GL_ELEMENT_ARRAY_BUFFER, indices);
    return shape;
}

SkyGround::Shape SkyGround::makeRings(int rings, int segments)
{
    // The first ring is the centre; then radii growing by a fixed ratio.
    const float ratio = std::pow(kGroundOuter / kGroundInner, 1.0f / (rings - 2));
    std::vector<float> points;
    for (int r = 0; r < rings; ++r) {
        const float radius = r == 0 ? 0.0f : kGroundInner * std::pow(ratio, r - 1.0f);
        for (int k = 0; k <= segments; ++k) {
            const float a = 2.0f * kPi * k / segments;
            points.insert(points.end(), {radius * std::cos(a), radius * std::sin(a)});
        }
    }
    std::vector<std::uint32_t> indices;
    ringIndices(rings, segments, indices);
    Shape shape;
    shape.indexCount = static_cast<int>(indices.size());
    // The larger of a cell's depth and its width, per unit of radius.
    shape.cellPerRadius = std::max(ratio - 1.0f, 2.0f * kPi / segments);
    uploadBuffer(shape.vertices, GL_ARRAY_BUFFER, points);
    uploadBuffer(shape.indices, GL_ELEMENT_ARRAY_BUFFER, indices);
    return shape;
}

void SkyGround::makeSun()
{
    // Triangles between its rings (the first a point), as cosine and sine
    // around it and the angle from it.
    std::vector<float> sun;
    const int ringCount = static_cast<int>(std::size(kSunRings));
    for (int r = 0; r + 1 < ringCount; ++r)
        for (int k = 0; k < kSunSegments; ++k) {
            const float a0 = 2.0f * kPi * k / kSunSegments;
            const float a1 = 2.0f * kPi * (k + 1) / kSunSegments;
            auto at = [&](int ring, float a) {
                sun.insert(sun.end(), {std::cos(a), std::sin(a), kSunRings[ring]});
            };
            at(r, a0), at(r, a1), at(r + 1, a0);
            at(r, a1), at(r + 1, a1), at(r + 1, a0);
        }
    sunVertexCount_ = static_cast<int>(sun.size() / 3);
    uploadBuffer(sunBuffer_, GL_ARRAY_BUFFER, sun);
}
