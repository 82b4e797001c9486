// Contents: the shaders' sources; compiling, uploading and uniforms; init
// and release; views and the background (sky, ground); visibility and size
// on screen; gathering primitives and lines; drawing a gathered view.
#include "drawlib/gl/gl_renderer.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "drawlib/gl/gl_program.h"
#include "drawlib/textures.h"

namespace {

// Direction towards the sun, and the colours of the light and the air.
const float kLight[3] = {-0.42f, -0.30f, 0.86f};
const float kHorizon[3] = {0.80f, 0.86f, 0.92f};
const float kZenith[3] = {0.33f, 0.52f, 0.80f};

const char* kLitVertexHead = R"(
#version 120
attribute vec3 aPos;
attribute vec3 aNormal;
attribute vec3 aTex;
attribute vec4 aColor;
attribute vec4 aMaterial;
uniform mat4 uViewProj;
)";
const char* kLitVertexMain = R"(
void main() { gl_Position = litOutputs(aPos, aNormal, aTex, aColor, aMaterial); }
)";

// Per pixel only what shows at a pixel's scale: the normal's light, the
// highlight and the rim; the fog and the direction to the eye come from the
// vertices.
const char* kLitFragmentMain = R"(
uniform vec3 uLight;
uniform sampler2D uSkin;
uniform vec3 uFogColor;
void main() {
    vec3 n = normalize(vNormal);
    if (!gl_FrontFacing) n = -n;
    vec3 base = vColor.rgb;
    if (vTex.z > 0.5) base *= texture2D(uSkin, vTex.xy).rgb;
    float diffuse = max(dot(n, uLight), 0.0);
    // Sky light from above, warm light bounced from the ground below.
    vec3 ambient = mix(vec3(0.50, 0.46, 0.40), vec3(0.78, 0.84, 0.95), n.z * 0.5 + 0.5);
    vec3 color = base * (vMaterial.x * ambient * 1.25 + vMaterial.y * diffuse * vec3(1.0, 0.97, 0.90));
    vec3 v = normalize(vView);
    vec3 h = normalize(uLight + v);
    // The highlight's falloff s^k, as s / (k - k s + s): no power per pixel.
    float s = max(dot(n, h), 0.0), k = max(vMaterial.w, 1.0);
    float shine = s / (k - k * s + s) * step(0.0, dot(n, uLight));
    color += vMaterial.z * 0.22 * shine * vec3(1.0, 0.98, 0.92);
    // A soft rim keeps dark sides readable against the ground.
    float rim = 1.0 - max(dot(n, v), 0.0);
    color += base * 0.10 * rim * rim * rim;
    gl_FragColor = vec4(mix(color, uFogColor, vFog), vColor.a);
}
)";

// Shadows: bodies flattened onto the ground along the light, one dark tone
// that fades with the fog. Only positions go in, so the pass stays cheap.
const char* kShadowVertexHead = R"(
#version 120
attribute vec3 aPos;
uniform mat4 uViewProj;
)";
const char* kShadowVertexMain = R"(
void main() { gl_Position = shadowPosition(aPos); }
)";

const char* kShadowFragment = R"(
#version 120
varying float vAlpha;
void main() { gl_FragColor = vec4(0.05, 0.07, 0.12, vAlpha); }
)";

const char* kLineVertex = R"(
#version 120
attribute vec3 aPos;
attribute vec4 aColor;
uniform mat4 uViewProj;
varying vec4 vColor;
void main() {
    vColor = aColor;
    gl_Position = uViewProj * vec4(aPos, 1.0);
}
)";

const char* kLineFragment = R"(
#version 120
varying vec4 vColor;
void main() { gl_FragColor = vColor; }
)";

} // namespace

GlRenderer::~GlRenderer()
{
    release();
}

bool GlRenderer::init(std::string& error)
{
    const std::string litVertex =
        std::string(kLitVertexHead) + kLitVaryings + kLitOutputs + kLitVertexMain;
    const std::string litFragment = std::string("#version 120\n") + kLitVaryings + kLitFragmentMain;
    litProgram_ = linkProgram(litVertex.c_str(), litFragment.c_str(),
                              {"aPos", "aNormal", "aTex", "aColor", "aMaterial"}, error);
    const std::string shadowVertex =
        std::string(kShadowVertexHead) + kShadowProjection + kShadowVertexMain;
    shadowProgram_ = litProgram_
                         ? linkProgram(shadowVertex.c_str(), kShadowFragment, {"aPos"}, error)
                         : 0;
    lineProgram_ = shadowProgram_ ? linkProgram(kLineVertex, kLineFragment, {"aPos", "aColor"}, error) : 0;
    if (!lineProgram_ || !skins_.init(litFragment.c_str(), kShadowFragment, error) ||
        !skyGround_.init(error))
        return false;
    skinTexture_ = uploadTexture(makeSkinTexture());
    glGenBuffers(1, &vertexBuffer_);
    glGenBuffers(1, &indexBuffer_);
    glGenBuffers(1, &lineBuffer_);
    glGenBuffers(1, &shadowVertexBuffer_);
    glGenBuffers(1, &shadowIndexBuffer_);
    ready_ = true;
    return true;
}

void GlRenderer::release()
{
    views_ = 0;
    if (!ready_)
        return;
    skins_.release();
    skyGround_.release();
    for (unsigned p : {litProgram_, shadowProgram_, lineProgram_})
        glDeleteProgram(p);
    glDeleteTextures(1, &skinTexture_);
    const GLuint buffers[] = {vertexBuffer_, indexBuffer_, lineBuffer_, shadowVertexBuffer_,
                              shadowIndexBuffer_};
    glDeleteBuffers(5, buffers);
    ready_ = false;
}

void GlRenderer::beginView(int x, int y, int width, int height, const float eye[3],
                           const float hpr[3])
{
    if (views_ == 0)
        skins_.clearQueue();
    Batch& b = gathering();
    b.mesh.clear();
    b.shadowMesh.clear();
    b.opaque.clear();
    b.transparent.clear();
    b.lines.clear();
    b.primitives = 0;
    b.skinsFirst = skins_.queued();
    viewportX_ = x;
    viewportY_ = y;
    aspect_ = height > 0 ? static_cast<float>(width) / height : 1.0f;
    viewportHeight_ = height;
    viewportWidth_ = width;
    std::copy(eye, eye + 3, eye_);
    std::copy(hpr, hpr + 3, hpr_);
    basis_ = cameraBasis(hpr);
    farZ_ = std::max(fogEnd_ * 1.6f, 400.0f);
    viewProj_ = multiply(perspective(tanHalfFovY(aspect_), aspect_, kNearPlane, farZ_),
                         viewMatrix(eye, hpr));
    primitiveStart_ = 0;
    background_ = false;
}

void GlRenderer::drawBackground(double groundSize, float fogStart, float fogEnd)
{
    fogStart_ = fogStart;
    fogEnd_ = std::max(fogEnd, fogStart + 1.0f);
    groundSize_ = groundSize;
    background_ = true;
    const float newFar = std::max(fogEnd_ * 1.6f, 400.0f);
    if (newFar != farZ_) {
        farZ_ = newFar;
        // The view was set up before the fog was known; keep them together.
        viewProj_ = multiply(perspective(tanHalfFovY(aspect_), aspect_, kNearPlane, farZ_),
                             viewMatrix(eye_, hpr_));
    }
}

bool GlRenderer::project(const float p[3], float& x, float& y) const
{
    const float* m = viewProj_.m;
    float clip[4];
    for (int r = 0; r < 4; ++r)
        clip[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r];
    if (clip[3] <= kNearPlane)
        return false;
    x = (clip[0] / clip[3] + 1.0f) * 0.5f * viewportWidth_;
    y = (1.0f - clip[1] / clip[3]) * 0.5f * viewportHeight_;
    return true;
}

float GlRenderer::pixelRadius(const float c[3], float radius) const
{
    const float d[3] = {c[0] - eye_[0], c[1] - eye_[1], c[2] - eye_[2]};
    const float dist = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (dist <= radius)
        return 1e9f;
    return radius / (dist * tanHalfFovY(aspect_)) * 0.5f * viewportHeight_;
}

bool GlRenderer::visible(const float c[3], float radius) const
{
    // Distance in front of the eye, and the angular bounds of the frustum.
    const float d[3] = {c[0] - eye_[0], c[1] - eye_[1], c[2] - eye_[2]};
    const float z = d[0] * basis_.forward[0] + d[1] * basis_.forward[1] + d[2] * basis_.forward[2];
    if (z < -radius || z > farZ_ + radius)
        return false;
    const float x = d[0] * basis_.right[0] + d[1] * basis_.right[1] + d[2] * basis_.right[2];
    const float y = d[0] * basis_.up[0] + d[1] * basis_.up[1] + d[2] * basis_.up[2];
    const float ty = tanHalfFovY(aspect_), tx = ty * aspect_;
    // Each side plane through the eye: a point is out when its distance to
    // the plane exceeds the radius.
    const float nx = 1.0f / std::sqrt(1.0f + tx * tx), ny = 1.0f / std::sqrt(1.0f + ty * ty);
    if ((std::fabs(x) - tx * z) * nx > radius)
        return false;
    if ((std::fabs(y) - ty * z) * ny > radius)
        return false;
    return true;
}

void GlRenderer::endPrimitive(bool transparent, const float centre[3])
{
    Batch& b = gathering();
    const std::uint32_t end = static_cast<std::uint32_t>(b.mesh.indices.size());
    if (end == primitiveStart_)
        return;
    ++b.primitives;
    if (transparent) {
        const float d[3] = {centre[0] - eye_[0], centre[1] - eye_[1], centre[2] - eye_[2]};
        b.transparent.push_back(
            Range{primitiveStart_, end - primitiveStart_, d[0] * d[0] + d[1] * d[1] + d[2] * d[2]});
    } else {
        b.opaque.insert(b.opaque.end(), b.mesh.indices.begin() + primitiveStart_,
                        b.mesh.indices.begin() + end);
    }
    primitiveStart_ = end;
}

bool GlRenderer::drawKeptSkin(const void* key, const std::vector<ChainCapsule>& chain, int level,
                              int shadowLevel, const Style& style, const Style& lit, int litCapsule)
{
    if (!KeptSkins::fits(chain))
        return false;
    ++gathering().primitives;
    skins_.add(key, chain, level, shadowLevel, style, lit, litCapsule, eye_);
    return true;
}

void GlRenderer::addLine(const float a[3], const float b[3], const float color[4])
{
    std::vector<float>& lines = gathering().lines;
    lines.insert(lines.end(), {a[0], a[1], a[2], color[0], color[1], color[2], color[3]});
    lines.insert(lines.end(), {b[0], b[1], b[2], color[0], color[1], color[2], color[3]});
}

void GlRenderer::endView()
{
    Batch& b = gathering();
    b.x = viewportX_;
    b.y = viewportY_;
    b.width = viewportWidth_;
    b.height = viewportHeight_;
    b.viewProj = viewProj_;
    std::copy(eye_, eye_ + 3, b.eye);
    b.farZ = farZ_;
    b.fogStart = fogStart_;
    b.fogEnd = fogEnd_;
    b.groundSize = groundSize_;
    b.background = background_;
    b.skinsEnd = skins_.queued();
    ++views_;
}

void GlRenderer::drawViews()
{
    for (std::size_t i = 0; i < views_; ++i)
        drawBatch(batches_[i]);
    views_ = 0;
}

void GlRenderer::drawBatch(Batch& b)
{
    glViewport(b.x, b.y, b.width, b.height);
    glScissor(b.x, b.y, b.width, b.height);
    glEnable(GL_SCISSOR_TEST);
    glClearStencil(0);
    glClearDepth(1.0);
    glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);

    // See-through bodies from the farthest to the nearest.
    std::sort(b.transparent.begin(), b.transparent.end(),
              [](const Range& x, const Range& y) { return x.depth > y.depth; });
    transparentIndices_.clear();
    for (const Range& r : b.transparent)
        transparentIndices_.insert(transparentIndices_.end(), b.mesh.indices.begin() + r.first,
                                   b.mesh.indices.begin() + r.first + r.count);
    stats_ = Stats{};
    stats_.primitives = b.primitives;
    stats_.triangles = static_cast<int>((b.opaque.size() + transparentIndices_.size()) / 3);
    stats_.shadowTriangles = static_cast<int>(b.shadowMesh.indices.size() / 3);
    stats_.lines = static_cast<int>(b.lines.size() / 14);

    drawMesh(b);

    if (!b.lines.empty()) {
        glUseProgram(lineProgram_);
        glUniformMatrix4fv(uniform(lineProgram_, "uViewProj"), 1, GL_FALSE, b.viewProj.m);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glDepthMask(GL_FALSE);
        glBindBuffer(GL_ARRAY_BUFFER, lineBuffer_);
        glBufferData(GL_ARRAY_BUFFER, b.lines.size() * sizeof(float), b.lines.data(), GL_STREAM_DRAW);
        glEnableVertexAttribArray(0);
        glEnableVertexAttribArray(1);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 7 * sizeof(float), nullptr);
        glVertexAttribPointer(1, 4, GL_FLOAT, GL_FALSE, 7 * sizeof(float),
                              reinterpret_cast<void*>(3 * sizeof(float)));
        glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(b.lines.size() / 7));
        glDisableVertexAttribArray(0);
        glDisableVertexAttribArray(1);
        glDepthMask(GL_TRUE);
    }

    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glUseProgram(0);
    glDisable(GL_BLEND);
    glDisable(GL_SCISSOR_TEST);
}

void GlRenderer::setAttributes()
{
    const GLsizei stride = sizeof(Vertex);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<void*>(offsetof(Vertex, p)));
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<void*>(offsetof(Vertex, n)));
    glVertexAttribPointer(2, 3, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<void*>(offsetof(Vertex, t)));
    glVertexAttribPointer(3, 4, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<void*>(offsetof(Vertex, c)));
    glVertexAttribPointer(4, 4, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<void*>(offsetof(Vertex, m)));
}

void GlRenderer::drawMesh(const Batch& b)
{
    const bool stream = !b.mesh.vertices.empty();
    if (stream) {
        // One vertex buffer for the view; the opaque and the see-through
        // index lists follow each other in one index buffer.
        glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
        glBufferData(GL_ARRAY_BUFFER, b.mesh.vertices.size() * sizeof(Vertex),
                     b.mesh.vertices.data(), GL_STREAM_DRAW);
        const size_t total = b.opaque.size() + transparentIndices_.size();
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, total * sizeof(std::uint32_t), nullptr,
                     GL_STREAM_DRAW);
        size_t offset = 0;
        for (const std::vector<std::uint32_t>* list :
             std::initializer_list<const std::vector<std::uint32_t>*>{&b.opaque, &transparentIndices_}) {
            glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, offset * sizeof(std::uint32_t),
                            list->size() * sizeof(std::uint32_t), list->data());
            offset += list->size();
        }
    }
    const KeptSkins::View view{b.viewProj.m, b.eye, kLight, kHorizon, b.fogStart, b.fogEnd,
                               skinTexture_};

    // The gathered primitives' program and buffers, for a range of them.
    auto drawStream = [&](size_t first, size_t count) {
        if (!stream || count == 0)
            return;
        const GLuint p = litProgram_;
        glUseProgram(p);
        glUniformMatrix4fv(uniform(p, "uViewProj"), 1, GL_FALSE, b.viewProj.m);
        glUniform3fv(uniform(p, "uLight"), 1, kLight);
        glUniform3fv(uniform(p, "uEye"), 1, b.eye);
        glUniform3fv(uniform(p, "uFogColor"), 1, kHorizon);
        glUniform2f(uniform(p, "uFog"), b.fogStart, b.fogEnd);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, skinTexture_);
        glUniform1i(uniform(p, "uSkin"), 0);
        glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer_);
        for (GLuint a = 0; a < 5; ++a)
            glEnableVertexAttribArray(a);
        setAttributes();
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count), GL_UNSIGNED_INT,
                       reinterpret_cast<void*>(first * sizeof(std::uint32_t)));
        for (GLuint a = 0; a < 5; ++a)
            glDisableVertexAttribArray(a);
    };

    // Opaque bodies.
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    drawStream(0, b.opaque.size());
    stats_.triangles += skins_.drawBodies(view, false, b.skinsFirst, b.skinsEnd);
    // The ground and the sky after the bodies: what the bodies cover is
    // never shaded.
    if (b.background) {
        skyGround_.draw(SkyGround::View{b.viewProj.m, b.eye, kLight, kHorizon, kZenith, b.farZ * 0.5f,
                                        b.fogStart, b.fogEnd, static_cast<float>(b.groundSize)});
        glEnable(GL_DEPTH_TEST);
        glDepthMask(GL_TRUE);
    }

    // Shadows, from their own coarse meshes: each ground pixel darkened once,
    // however many bodies cover it.
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(-1.0f, -4.0f);
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_EQUAL, 0, 0xFF);
    glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
    if (!b.shadowMesh.indices.empty()) {
        glBindBuffer(GL_ARRAY_BUFFER, shadowVertexBuffer_);
        glBufferData(GL_ARRAY_BUFFER, b.shadowMesh.vertices.size() * sizeof(Vertex),
                     b.shadowMesh.vertices.data(), GL_STREAM_DRAW);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, shadowIndexBuffer_);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, b.shadowMesh.indices.size() * sizeof(std::uint32_t),
                     b.shadowMesh.indices.data(), GL_STREAM_DRAW);
        glEnableVertexAttribArray(0);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                              reinterpret_cast<void*>(offsetof(Vertex, p)));
        glUseProgram(shadowProgram_);
        glUniformMatrix4fv(uniform(shadowProgram_, "uViewProj"), 1, GL_FALSE, b.viewProj.m);
        glUniform3fv(uniform(shadowProgram_, "uLight"), 1, kLight);
        glUniform3fv(uniform(shadowProgram_, "uEye"), 1, b.eye);
        glUniform2f(uniform(shadowProgram_, "uFog"), b.fogStart, b.fogEnd);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(b.shadowMesh.indices.size()),
                       GL_UNSIGNED_INT, nullptr);
        glDisableVertexAttribArray(0);
    }
    stats_.shadowTriangles += skins_.drawShadows(view, b.skinsFirst, b.skinsEnd);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_POLYGON_OFFSET_FILL);

    // See-through bodies, blended, their back faces first.
    glEnable(GL_CULL_FACE);
    if (!transparentIndices_.empty()) {
        glCullFace(GL_FRONT);
        drawStream(b.opaque.size(), transparentIndices_.size());
        glCullFace(GL_BACK);
        drawStream(b.opaque.size(), transparentIndices_.size());
    }
    stats_.triangles += skins_.drawBodies(view, true, b.skinsFirst, b.skinsEnd);
    glDepthMask(GL_TRUE);
    glDisable(GL_CULL_FACE);
}
