// A creature's smooth skin kept between frames: built once, at the pose it
// has then, with every vertex in the frame of the capsule it belongs to (a
// tube's vertices also in the frame of the parent it runs to, with the share
// of each). Each frame only the capsules' frames change; the vertices follow
// them (on the GPU, or here with poseSkinnedMesh), so a body that moves as a
// whole is drawn exactly as if built anew, and a bent joint bends its tube.
#pragma once
#ifndef CREATURES_FLOOR_DRAWLIB
#error "drawlib/ is for drawlib/ and the floors above it"
#endif

#include <cstdint>
#include <vector>

#include "drawlib/mesh_builder.h"

struct SkinnedVertex {
    float p[3];      // position in its capsule's frame
    float n[3];      // normal in its capsule's frame
    float q[3];      // position in the parent's frame (tubes)
    float m[3];      // normal in the parent's frame (tubes)
    float uv[2];     // skin texture coordinates
    float owner[3];  // capsule, parent (or the capsule), share of the capsule
};

struct SkinnedMesh {
    std::vector<SkinnedVertex> vertices;
    std::vector<std::uint32_t> indices;
    int capsules = 0;
};

// What a kept mesh was made for: the capsules' sizes, links and caps. A
// chain that differs needs a new mesh.
std::vector<float> chainSignature(const std::vector<ChainCapsule>& chain);

// The skin of the chain at the given detail level, at the chain's pose.
void buildSkinnedMesh(SkinnedMesh& out, const std::vector<ChainCapsule>& chain, int level);

// A capsule's frame as three rows of a 3x4 matrix (rotation and position).
void capsuleFrame(const ChainCapsule& c, float rows[12]);

// World positions of the vertices at the chain's pose (as the vertex shader
// places them).
void poseSkinnedMesh(const SkinnedMesh& mesh, const std::vector<ChainCapsule>& chain,
                     std::vector<float>& positions);
