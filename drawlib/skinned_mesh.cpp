#include "drawlib/skinned_mesh.h"

#include <algorithm>

namespace {

// World to a capsule's frame: R transposed applied to (p - origin).
void toLocal(const ChainCapsule& c, const float world[3], float local[3], bool direction)
{
    const float d[3] = {world[0] - (direction ? 0.0f : c.pos[0]),
                        world[1] - (direction ? 0.0f : c.pos[1]),
                        world[2] - (direction ? 0.0f : c.pos[2])};
    for (int k = 0; k < 3; ++k)
        local[k] = c.R[k] * d[0] + c.R[4 + k] * d[1] + c.R[8 + k] * d[2];
}

void apply(const float rows[12], const float p[3], float out[3], bool direction)
{
    for (int r = 0; r < 3; ++r)
        out[r] = rows[4 * r] * p[0] + rows[4 * r + 1] * p[1] + rows[4 * r + 2] * p[2] +
                 (direction ? 0.0f : rows[4 * r + 3]);
}

} // namespace

std::vector<float> chainSignature(const std::vector<ChainCapsule>& chain)
{
    std::vector<float> s;
    s.reserve(chain.size() * 5);
    for (const ChainCapsule& c : chain)
        s.insert(s.end(), {c.radius, c.length, static_cast<float>(c.parent),
                           c.capNeg ? 1.0f : 0.0f, c.capPos ? 1.0f : 0.0f});
    return s;
}

void capsuleFrame(const ChainCapsule& c, float rows[12])
{
    for (int r = 0; r < 3; ++r) {
        rows[4 * r] = c.R[4 * r];
        rows[4 * r + 1] = c.R[4 * r + 1];
        rows[4 * r + 2] = c.R[4 * r + 2];
        rows[4 * r + 3] = c.pos[r];
    }
}

void buildSkinnedMesh(SkinnedMesh& out, const std::vector<ChainCapsule>& chain, int level)
{
    out.vertices.clear();
    out.indices.clear();
    out.capsules = static_cast<int>(chain.size());
    // The chain as it is drawn anew each frame, then each vertex taken into
    // its owners' frames. The lit style is the uniform's business.
    std::vector<ChainCapsule> plain = chain;
    for (ChainCapsule& c : plain)
        c.lit = false;
    Mesh world;
    std::vector<VertexOwner> owners;
    addCapsuleChain(world, Style{}, plain, level, Style{}, &owners);
    out.indices = std::move(world.indices);
    out.vertices.resize(world.vertices.size());
    for (std::size_t i = 0; i < world.vertices.size(); ++i) {
        const Vertex& v = world.vertices[i];
        const VertexOwner o = i < owners.size() ? owners[i] : VertexOwner{0, -1, 1.0f};
        SkinnedVertex& s = out.vertices[i];
        const ChainCapsule& own = plain[static_cast<std::size_t>(o.capsule)];
        toLocal(own, v.p, s.p, false);
        toLocal(own, v.n, s.n, true);
        const bool tube = o.parent >= 0 && o.weight < 1.0f;
        const ChainCapsule& other = tube ? plain[static_cast<std::size_t>(o.parent)] : own;
        toLocal(other, v.p, s.q, false);
        toLocal(other, v.n, s.m, true);
        s.uv[0] = v.t[0];
        s.uv[1] = v.t[1];
        s.owner[0] = static_cast<float>(o.capsule);
        s.owner[1] = static_cast<float>(tube ? o.parent : o.capsule);
        s.owner[2] = tube ? o.weight : 1.0f;
    }
}

void poseSkinnedMesh(const SkinnedMesh& mesh, const std::vector<ChainCapsule>& chain,
                     std::vector<float>& positions)
{
    std::vector<float> frames(chain.size() * 12);
    for (std::size_t i = 0; i < chain.size(); ++i)
        capsuleFrame(chain[i], &frames[i * 12]);
    positions.resize(mesh.vertices.size() * 3);
    const int last = static_cast<int>(chain.size()) - 1;
    for (std::size_t i = 0; i < mesh.vertices.size(); ++i) {
        const SkinnedVertex& v = mesh.vertices[i];
        const int a = std::clamp(static_cast<int>(v.owner[0]), 0, last);
        const int b = std::clamp(static_cast<int>(v.owner[1]), 0, last);
        float pa[3], pb[3];
        apply(&frames[static_cast<std::size_t>(a) * 12], v.p, pa, false);
        apply(&frames[static_cast<std::size_t>(b) * 12], v.q, pb, false);
        const float w = v.owner[2];
        for (int k = 0; k < 3; ++k)
            positions[i * 3 + k] = pa[k] * w + pb[k] * (1.0f - w);
    }
}
