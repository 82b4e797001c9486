#include "drawlib/gl/kept_skins.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstddef>

#include "drawlib/gl/gl_program.h"
#include "drawlib/skinned_mesh.h"

namespace {

// What both skin programs share: a vertex in its capsule's frame (and a
// tube's vertex also in its parent's), the frames of the body's capsules
// (three rows of a 3x4 matrix each), and placing by them.
const char* kSkinPrelude = R"(
#version 120
attribute vec3 aPos;
attribute vec3 aNormal;
attribute vec3 aPosB;
attribute vec3 aNormalB;
attribute vec2 aUv;
attribute vec3 aOwner;
uniform mat4 uViewProj;
uniform vec4 uFrames[96];
vec3 place(int i, vec3 p) {
    return vec3(dot(uFrames[i].xyz, p) + uFrames[i].w, dot(uFrames[i + 1].xyz, p) + uFrames[i + 1].w,
                dot(uFrames[i + 2].xyz, p) + uFrames[i + 2].w);
}
// A vertex's place: by its capsule's frame, a tube's blended with its
// parent's by its weight.
vec3 placeVertex() {
    vec3 p = place(int(aOwner.x + 0.5) * 3, aPos);
    if (aOwner.z < 1.0)
        p = mix(place(int(aOwner.y + 0.5) * 3, aPosB), p, aOwner.z);
    return p;
}
)";

// A body: placed and lit as the renderer's own meshes.
const char* kSkinVertex = R"(
uniform vec4 uColor;
uniform vec4 uMaterial;
uniform vec4 uLitMaterial;
uniform float uLit;
uniform float uTextured;
vec3 turn(int i, vec3 n) {
    return vec3(dot(uFrames[i].xyz, n), dot(uFrames[i + 1].xyz, n), dot(uFrames[i + 2].xyz, n));
}
void main() {
    vec3 n = turn(int(aOwner.x + 0.5) * 3, aNormal);
    if (aOwner.z < 1.0)
        n = mix(turn(int(aOwner.y + 0.5) * 3, aNormalB), n, aOwner.z);
    gl_Position = litOutputs(placeVertex(), n, vec3(aUv, uTextured), uColor,
                             abs(aOwner.x - uLit) < 0.5 ? uLitMaterial : uMaterial);
}
)";

// Its shadow: flattened onto the ground along the light, fading with the
// fog (as the renderer's own shadows).
const char* kSkinShadowVertex = R"(
void main() { gl_Position = shadowPosition(placeVertex()); }
)";

const std::initializer_list<const char*> kAttributes = {"aPos", "aNormal", "aPosB",
                                                         "aNormalB", "aUv", "aOwner"};
constexpr GLuint kAttributeCount = 6;

} // namespace

KeptSkins::~KeptSkins()
{
    release();
}

bool KeptSkins::init(const char* litFragment, const char* shadowFragment, std::string& error)
{
    const std::string body = std::string(kSkinPrelude) + kLitVaryings + kLitOutputs + kSkinVertex;
    const std::string shadow =
        std::string(kSkinPrelude) + kShadowProjection + kSkinShadowVertex;
    bodyProgram_ = linkProgram(body.c_str(), litFragment, kAttributes, error);
    shadowProgram_ =
        bodyProgram_ ? linkProgram(shadow.c_str(), shadowFragment, kAttributes, error) : 0;
    return shadowProgram_ != 0;
}

void KeptSkins::release()
{
    for (auto& [key, skin] : skins_) {
        const GLuint buffers[] = {skin.vertexBuffer, skin.indexBuffer};
        glDeleteBuffers(2, buffers);
    }
    skins_.clear();
    queue_.clear();
    frames_.clear();
    for (unsigned p : {bodyProgram_, shadowProgram_})
        if (p)
            glDeleteProgram(p);
    bodyProgram_ = shadowProgram_ = 0;
}

bool KeptSkins::fits(const std::vector<ChainCapsule>& chain)
{
    return !chain.empty() && static_cast<int>(chain.size()) <= kMaxCapsules;
}

const KeptSkins::Skin* KeptSkins::skinFor(const void* key, const std::vector<ChainCapsule>& chain,
                                          int level)
{
    Skin& skin = skins_[{key, level}];
    skin.lastUsed = frame_;
    std::vector<float> signature = chainSignature(chain);
    if (skin.vertexBuffer && skin.signature == signature)
        return &skin;
    SkinnedMesh mesh;
    buildSkinnedMesh(mesh, chain, level);
    if (!skin.vertexBuffer) {
        glGenBuffers(1, &skin.vertexBuffer);
        glGenBuffers(1, &skin.indexBuffer);
    }
    glBindBuffer(GL_ARRAY_BUFFER, skin.vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, mesh.vertices.size() * sizeof(SkinnedVertex),
                 mesh.vertices.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, skin.indexBuffer);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, mesh.indices.size() * sizeof(std::uint32_t),
                 mesh.indices.data(), GL_STATIC_DRAW);
    skin.indexCount = static_cast<int>(mesh.indices.size());
    skin.signature = std::move(signature);
    return &skin;
}

void KeptSkins::add(const void* key, const std::vector<ChainCapsule>& chain, int level,
                    int shadowLevel, const Style& style, const Style& lit, int litCapsule,
                    const float eye[3])
{
    if (!bodyProgram_ || !fits(chain))
        return;
    Queued q;
    q.skin = skinFor(key, chain, level);
    q.shadow = shadowLevel >= 0 ? skinFor(key, chain, shadowLevel) : nullptr;
    q.frames = frames_.size();
    q.capsules = static_cast<int>(chain.size());
    q.style = style;
    q.lit = lit;
    q.litCapsule = litCapsule;
    float centre[3] = {0, 0, 0};
    for (const ChainCapsule& c : chain) {
        float rows[12];
        capsuleFrame(c, rows);
        frames_.insert(frames_.end(), rows, rows + 12);
        for (int k = 0; k < 3; ++k)
            centre[k] += c.pos[k] / static_cast<float>(chain.size());
    }
    const float d[3] = {centre[0] - eye[0], centre[1] - eye[1], centre[2] - eye[2]};
    q.depth = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    queue_.push_back(q);
}

void KeptSkins::bindSkin(const Skin& skin)
{
    glBindBuffer(GL_ARRAY_BUFFER, skin.vertexBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, skin.indexBuffer);
    const GLsizei stride = sizeof(SkinnedVertex);
    auto at = [](std::size_t offset) { return reinterpret_cast<void*>(offset); };
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(SkinnedVertex, p)));
    glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(SkinnedVertex, n)));
    glVertexAttribPointer(2, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(SkinnedVertex, q)));
    glVertexAttribPointer(3, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(SkinnedVertex, m)));
    glVertexAttribPointer(4, 2, GL_FLOAT, GL_FALSE, stride, at(offsetof(SkinnedVertex, uv)));
    glVertexAttribPointer(5, 3, GL_FLOAT, GL_FALSE, stride, at(offsetof(SkinnedVertex, owner)));
}

int KeptSkins::drawBodies(const View& view, bool transparent, std::size_t first, std::size_t end)
{
    std::vector<const Queued*> bodies;
    for (std::size_t i = first; i < end && i < queue_.size(); ++i)
        if ((queue_[i].style.color[3] < 0.999f) == transparent)
            bodies.push_back(&queue_[i]);
    if (bodies.empty())
        return 0;
    if (transparent)
        std::sort(bodies.begin(), bodies.end(),
                  [](const Queued* a, const Queued* b) { return a->depth > b->depth; });
    const GLuint p = bodyProgram_;
    glUseProgram(p);
    glUniformMatrix4fv(uniform(p, "uViewProj"), 1, GL_FALSE, view.viewProj);
    glUniform3fv(uniform(p, "uLight"), 1, view.light);
    glUniform3fv(uniform(p, "uEye"), 1, view.eye);
    glUniform3fv(uniform(p, "uFogColor"), 1, view.fogColor);
    glUniform2f(uniform(p, "uFog"), view.fogStart, view.fogEnd);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, view.skinTexture);
    glUniform1i(uniform(p, "uSkin"), 0);
    const GLint frames = uniform(p, "uFrames"), color = uniform(p, "uColor"),
                material = uniform(p, "uMaterial"), litMaterial = uniform(p, "uLitMaterial"),
                lit = uniform(p, "uLit"), textured = uniform(p, "uTextured");
    for (GLuint a = 0; a < kAttributeCount; ++a)
        glEnableVertexAttribArray(a);
    int triangles = 0;
    for (const Queued* q : bodies) {
        glUniform4fv(frames, q->capsules * 3, &frames_[q->frames]);
        glUniform4fv(color, 1, q->style.color);
        glUniform4fv(material, 1, q->style.material);
        glUniform4fv(litMaterial, 1, q->lit.material);
        glUniform1f(lit, static_cast<float>(q->litCapsule));
        glUniform1f(textured, q->style.textured);
        bindSkin(*q->skin);
        auto draw = [&] {
            glDrawElements(GL_TRIANGLES, q->skin->indexCount, GL_UNSIGNED_INT, nullptr);
        };
        if (transparent) {
            // Back faces first, then the front ones.
            glCullFace(GL_FRONT);
            draw();
            glCullFace(GL_BACK);
        }
        draw();
        triangles += q->skin->indexCount / 3;
    }
    for (GLuint a = 0; a < kAttributeCount; ++a)
        glDisableVertexAttribArray(a);
    return triangles;
}

int KeptSkins::drawShadows(const View& view, std::size_t first, std::size_t end)
{
    const GLuint p = shadowProgram_;
    bool started = false;
    int triangles = 0;
    for (std::size_t i = first; i < end && i < queue_.size(); ++i) {
        const Queued& q = queue_[i];
        if (!q.shadow)
            continue;
        if (!started) {
            started = true;
            glUseProgram(p);
            glUniformMatrix4fv(uniform(p, "uViewProj"), 1, GL_FALSE, view.viewProj);
            glUniform3fv(uniform(p, "uLight"), 1, view.light);
            glUniform3fv(uniform(p, "uEye"), 1, view.eye);
            glUniform2f(uniform(p, "uFog"), view.fogStart, view.fogEnd);
            for (GLuint a = 0; a < kAttributeCount; ++a)
                glEnableVertexAttribArray(a);
        }
        glUniform4fv(uniform(p, "uFrames"), q.capsules * 3, &frames_[q.frames]);
        bindSkin(*q.shadow);
        glDrawElements(GL_TRIANGLES, q.shadow->indexCount, GL_UNSIGNED_INT, nullptr);
        triangles += q.shadow->indexCount / 3;
    }
    if (started)
        for (GLuint a = 0; a < kAttributeCount; ++a)
            glDisableVertexAttribArray(a);
    return triangles;
}

void KeptSkins::endFrame()
{
    ++frame_;
    for (auto it = skins_.begin(); it != skins_.end();) {
        if (frame_ - it->second.lastUsed > kKeepFrames) {
            const GLuint buffers[] = {it->second.vertexBuffer, it->second.indexBuffer};
            glDeleteBuffers(2, buffers);
            it = skins_.erase(it);
        } else {
            ++it;
        }
    }
}
