// Triangle meshes of the drawing primitives, built on the CPU in world
// coordinates: spheres, capsules (with optional caps), boxes, arrows and the
// capsule chain that makes a creature's smooth skin. The window backend
// streams what this builds to the GPU once per view.
#pragma once
#ifndef CREATURES_FLOOR_DRAWLIB
#error "drawlib/ is for drawlib/ and the floors above it"
#endif

#include <cstdint>
#include <vector>

// One vertex: position, normal, texture coordinates with a texture switch
// (t[2] 1 = creature skin texture), colour with alpha, and the material as
// factors (ambient, diffuse, specular, shininess).
struct Vertex {
    float p[3];
    float n[3];
    float t[3];
    float c[4];
    float m[4];
};

// Colour, material and texture applied to a primitive.
struct Style {
    float color[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float material[4] = {0.35f, 0.7f, 0.0f, 5.0f};
    float textured = 0.0f;
};

struct Mesh {
    std::vector<Vertex> vertices;
    std::vector<std::uint32_t> indices;
    void clear()
    {
        vertices.clear();
        indices.clear();
    }
};

// Slices around a capsule of quality level 0 (4, the far shape, with pointed
// ends) and 1 (6, coarse) to 6 (16, fine).
int capsuleSlices(int level);
// Subdivisions of the icosahedron for sphere quality 0 (80 faces) to 2 and
// above (1280 faces).
int sphereSubdivisions(int quality);

void addSphere(Mesh& mesh, const Style& style, const double pos[3], const double R[12],
               float radius, int quality);
// A capsule along its local z of the given cylinder length; capNeg and capPos
// say whether the -z and +z ends are closed.
void addCapsule(Mesh& mesh, const Style& style, const double pos[3], const double R[12],
                float length, float radius, int level, bool capNeg = true, bool capPos = true);
void addBox(Mesh& mesh, const Style& style, const double pos[3], const double R[12],
            const double sides[3]);
// An arrow from base along the local z of R: a shaft of the given thickness
// and a cone head; quality sets the roundness.
void addArrow(Mesh& mesh, const Style& style, const double base[3], const double R[12],
              double length, double thickness, int quality);

// One capsule of a chain, as handed to the drawing library.
struct ChainCapsule {
    float pos[3];
    float R[12];
    float radius;
    float length;
    int parent;  // index in the chain, -1 for none
    bool capNeg; // draw the -z cap
    bool capPos; // draw the +z cap
    bool lit = false; // drawn with the lit style, with the tube to its parent
};

// A chain of capsules as one smooth body: every capsule whose end cap is
// cleared is joined to its parent by a curved tube that leaves the capsule's
// open end along its axis and enters the parent at the nearest point of the
// parent's axis (through the parent's open end ring when that is where it
// lands), so the joints show no seams. An open end no tube reaches is closed.
//
// With `owners`, each vertex added also gets its owner: the capsule it
// belongs to and, on a tube, the parent it runs to with the share of the
// capsule's own frame in its place (1 at the capsule's end, 0 at the parent).
struct VertexOwner {
    int capsule;
    int parent;   // -1 off the tubes
    float weight; // of the capsule's frame against the parent's
};
void addCapsuleChain(Mesh& mesh, const Style& style, const std::vector<ChainCapsule>& chain,
                     int level, const Style& litStyle, std::vector<VertexOwner>* owners = nullptr);
