// The window backend's CPU geometry: cursor rays, ray picking and the meshes
// of the primitives (faces turned outwards, smooth skins without holes).
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <tuple>

#include "drawlib/mesh_builder.h"
#include "drawlib/skinned_mesh.h"
#include "drawlib/ray_pick.h"
#include "drawlib/view_math.h"

namespace {

const double kIdentity[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};

Ray rayFrom(double ox, double oy, double oz, double dx, double dy, double dz)
{
    const double l = std::sqrt(dx * dx + dy * dy + dz * dz);
    return Ray{{ox, oy, oz}, {dx / l, dy / l, dz / l}};
}

TEST(CursorRay, CentrePixelLooksAlongTheHeadingAndEdgesSpreadByTheViewAngle)
{
    const float eye[3] = {1, 2, 3};
    const float hpr[3] = {90, -30, 0}; // looking along +y, down by 30 degrees
    const Ray centre = cursorRay(eye, hpr, 320, 240, 641, 481);
    EXPECT_NEAR(centre.dir[0], 0.0, 1e-6);
    EXPECT_NEAR(centre.dir[1], std::cos(M_PI / 6), 1e-6);
    EXPECT_NEAR(centre.dir[2], -0.5, 1e-6);
    EXPECT_EQ(centre.origin[2], 3.0);
    // A 4:3 view is 90 degrees across: its right edge is 45 degrees off the
    // axis, to the right of a viewer looking along +y, i.e. towards +x.
    const float level[3] = {90, 0, 0};
    const Ray right = cursorRay(eye, level, 639, 240, 640, 480);
    EXPECT_GT(right.dir[0], 0.0);
    EXPECT_NEAR(right.dir[0] / right.dir[1], 639.5 / 320 - 1, 1e-5);
    // And the top row looks up.
    EXPECT_GT(cursorRay(eye, level, 320, 0, 640, 480).dir[2], 0.0);
}

TEST(RayPick, PrimitivesAreHitAtTheirNearSurface)
{
    const double origin[3] = {0, 0, 0};
    // A capsule lying along x (its local z turned onto world x).
    const double alongX[12] = {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0};
    const double sides[3] = {2, 2, 2};
    struct Case {
        const char* what;
        double t;
        double expected;
    } cases[] = {
        {"sphere ahead", raySphere(rayFrom(-5, 0, 0, 1, 0, 0), origin, 1.0), 4.0},
        {"sphere behind", raySphere(rayFrom(5, 0, 0, 1, 0, 0), origin, 1.0), -1.0},
        {"sphere from inside", raySphere(rayFrom(0, 0, 0, 0, 0, 1), origin, 1.0), 1.0},
        {"sphere missed", raySphere(rayFrom(-5, 1.01, 0, 1, 0, 0), origin, 1.0), -1.0},
        {"capsule from above", rayCapsule(rayFrom(0, 0, 5, 0, 0, -1), origin, kIdentity, 2, 0.5),
         3.5},
        {"capsule side, turned", rayCapsule(rayFrom(0.9, 0, 5, 0, 0, -1), origin, alongX, 2, 0.5),
         4.5},
        {"capsule cap end", rayCapsule(rayFrom(0, 0, 5, 0, 0, -1), origin, alongX, 2, 0.5), 4.5},
        {"capsule tip", rayCapsule(rayFrom(-5, 0, 0, 1, 0, 0), origin, alongX, 2, 0.5), 3.5},
        {"capsule beyond tip", rayCapsule(rayFrom(1.6, 0, 5, 0, 0, -1), origin, alongX, 2, 0.5),
         -1.0},
        {"box face", rayBox(rayFrom(0, -5, 0, 0, 1, 0), origin, kIdentity, sides), 4.0},
        {"box missed", rayBox(rayFrom(1.1, -5, 0, 0, 1, 0), origin, kIdentity, sides), -1.0},
        {"box parallel outside", rayBox(rayFrom(0, 3, 0, 1, 0, 0), origin, kIdentity, sides), -1.0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(c.t, c.expected, 1e-9) << c.what;
}

TEST(RayPick, TheNearestNamedHitWinsAndMissesLeaveNone)
{
    int a = 0, b = 0;
    RayPicker picker;
    picker.begin(rayFrom(0, 0, 0, 1, 0, 0));
    picker.offer(&a, 5.0);
    picker.offer(&b, 3.0);
    picker.offer(&a, -1.0);     // a miss
    picker.offer(nullptr, 1.0); // untagged
    EXPECT_EQ(picker.result(), &b);
    picker.begin(rayFrom(0, 0, 0, 1, 0, 0));
    EXPECT_EQ(picker.result(), nullptr);
}

// Every triangle of a closed primitive faces away from its centre.
void expectOutward(const Mesh& m, const double centre[3], const char* what)
{
    int inward = 0;
    for (size_t i = 0; i < m.indices.size(); i += 3) {
        const float* a = m.vertices[m.indices[i]].p;
        const float* b = m.vertices[m.indices[i + 1]].p;
        const float* c = m.vertices[m.indices[i + 2]].p;
        const double u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const double v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                             u[0] * v[1] - u[1] * v[0]};
        const double g[3] = {(a[0] + b[0] + c[0]) / 3 - centre[0],
                             (a[1] + b[1] + c[1]) / 3 - centre[1],
                             (a[2] + b[2] + c[2]) / 3 - centre[2]};
        if (n[0] * g[0] + n[1] * g[1] + n[2] * g[2] < -1e-9)
            ++inward;
    }
    EXPECT_EQ(inward, 0) << what;
    EXPECT_GT(m.indices.size(), 0u) << what;
}

// Edges used by one triangle only, after welding vertices at one position:
// zero for a surface without holes. `collapsed` counts the triangles welded
// flat (drawn for nothing).
int openEdges(const Mesh& m, int* collapsed = nullptr)
{
    std::map<std::tuple<long, long, long>, int> ids;
    auto id = [&](const Vertex& v) {
        const auto key = std::make_tuple(std::lround(v.p[0] * 1e4), std::lround(v.p[1] * 1e4),
                                         std::lround(v.p[2] * 1e4));
        return ids.emplace(key, static_cast<int>(ids.size())).first->second;
    };
    std::map<std::pair<int, int>, int> edges;
    for (size_t i = 0; i < m.indices.size(); i += 3) {
        const int t[3] = {id(m.vertices[m.indices[i]]), id(m.vertices[m.indices[i + 1]]),
                          id(m.vertices[m.indices[i + 2]])};
        if (t[0] == t[1] || t[1] == t[2] || t[0] == t[2]) {
            if (collapsed)
                ++*collapsed;
            continue;
        }
        for (int k = 0; k < 3; ++k)
            ++edges[std::minmax(t[k], t[(k + 1) % 3])];
    }
    int open = 0;
    for (const auto& e : edges)
        open += e.second % 2;
    return open;
}

TEST(Meshes, ClosedPrimitivesFaceOutwardsAtEveryQuality)
{
    const double c[3] = {1, 2, 3};
    const double turned[12] = {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0};
    const double sides[3] = {1, 2, 3};
    for (int q = 0; q <= 6; ++q) {
        Mesh m;
        addSphere(m, Style{}, c, turned, 0.7f, q);
        expectOutward(m, c, "sphere");
        EXPECT_EQ(openEdges(m), 0);
        m.clear();
        addCapsule(m, Style{}, c, turned, 1.5f, 0.3f, q);
        expectOutward(m, c, "capsule");
        int collapsed = 0;
        EXPECT_EQ(openEdges(m, &collapsed), 0);
        EXPECT_EQ(collapsed, 0) << "quality " << q; // the poles are fans
    }
    Mesh box;
    addBox(box, Style{}, c, turned, sides);
    expectOutward(box, c, "box");
    EXPECT_EQ(box.indices.size(), 36u);
    Mesh open;
    addCapsule(open, Style{}, c, kIdentity, 1.0f, 0.2f, 3, false, true);
    EXPECT_EQ(openEdges(open), capsuleSlices(3)); // one ring left open
}

ChainCapsule chainCapsule(float x, float y, float z, const float R[12], float length, int parent,
                          bool capNeg, bool capPos)
{
    ChainCapsule c{};
    c.pos[0] = x;
    c.pos[1] = y;
    c.pos[2] = z;
    std::copy(R, R + 12, c.R);
    c.radius = 0.2f;
    c.length = length;
    c.parent = parent;
    c.capNeg = capNeg;
    c.capPos = capPos;
    return c;
}

TEST(Meshes, CapsuleChainsJoinWithoutHolesAndCloseEndsNoTubeReaches)
{
    const float up[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
    // Turned 40 degrees about x: the child leans away from its parent.
    const float cs = std::cos(0.7f), sn = std::sin(0.7f);
    const float lean[12] = {1, 0, 0, 0, 0, cs, -sn, 0, 0, sn, cs, 0};
    for (int level = 0; level <= 6; ++level) {
        // Parent upright; child above its +z end, hinged end to end.
        std::vector<ChainCapsule> chain = {
            chainCapsule(0, 0, 1, up, 1.0f, -1, true, false),
            chainCapsule(0, -sn * 0.75f, 1.5f + 0.05f + cs * 0.75f, lean, 1.0f, 0, false, true),
        };
        Mesh m;
        addCapsuleChain(m, Style{}, chain, level, Style{});
        int collapsed = 0;
        EXPECT_EQ(openEdges(m, &collapsed), 0) << "level " << level;
        EXPECT_EQ(collapsed, 0) << "level " << level;

        // A grandchild hanging off the side: its open end is joined by a
        // tube that ends inside the parent, so the visible body stays closed
        // apart from that buried ring.
        chain.push_back(chainCapsule(0.75f, 0, 1, up, 0.6f, 0, false, true));
        Mesh side;
        addCapsuleChain(side, Style{}, chain, level, Style{});
        EXPECT_EQ(openEdges(side), capsuleSlices(level)) << "level " << level;
    }
    // A cleared end that no child reaches is closed again.
    std::vector<ChainCapsule> alone = {chainCapsule(0, 0, 1, up, 1.0f, -1, false, false)};
    Mesh m;
    addCapsuleChain(m, Style{}, alone, 3, Style{});
    EXPECT_EQ(openEdges(m), 0);
    expectOutward(m, std::array<double, 3>{0, 0, 1}.data(), "lone capsule");
}

// A capsule turned by `a` about the world's x axis through (0, y, z), or
// about z through the origin and moved by (tx, ty), as a body moves.
ChainCapsule turned(ChainCapsule c, float a, int axis, const float through[3], float tx, float ty)
{
    const float ca = std::cos(a), sa = std::sin(a);
    auto turn = [&](float v[3]) {
        const float y = v[1], z = v[2], x = v[0];
        if (axis == 0) {
            v[1] = y * ca - z * sa;
            v[2] = y * sa + z * ca;
        } else {
            v[0] = x * ca - y * sa;
            v[1] = x * sa + y * ca;
        }
    };
    float p[3] = {c.pos[0] - through[0], c.pos[1] - through[1], c.pos[2] - through[2]};
    turn(p);
    c.pos[0] = p[0] + through[0] + tx;
    c.pos[1] = p[1] + through[1] + ty;
    c.pos[2] = p[2] + through[2];
    for (int col = 0; col < 3; ++col) {
        float v[3] = {c.R[col], c.R[4 + col], c.R[8 + col]};
        turn(v);
        c.R[col] = v[0];
        c.R[4 + col] = v[1];
        c.R[8 + col] = v[2];
    }
    return c;
}

// A skin kept from one frame to the next matches the body built anew: the
// same triangles at the pose it was made in and after the whole body moved;
// after a joint bent, every capsule and both ends of its tube exactly, the
// tube between them nearly.
TEST(Meshes, AKeptSkinFollowsItsCapsulesLikeABodyBuiltAnew)
{
    const float up[12] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0};
    const float cs = std::cos(0.7f), sn = std::sin(0.7f);
    const float lean[12] = {1, 0, 0, 0, 0, cs, -sn, 0, 0, sn, cs, 0};
    const std::vector<ChainCapsule> chain = {
        chainCapsule(0, 0, 1, up, 1.0f, -1, true, false),
        chainCapsule(0, -sn * 0.75f, 1.5f + 0.05f + cs * 0.75f, lean, 1.0f, 0, false, true),
        chainCapsule(0, 0.75f, 1, up, 0.6f, 0, false, true),
    };
    const int level = 3;
    SkinnedMesh skin;
    buildSkinnedMesh(skin, chain, level);
    auto anew = [&](const std::vector<ChainCapsule>& pose) {
        Mesh m;
        addCapsuleChain(m, Style{}, pose, level, Style{});
        return m;
    };
    const float origin[3] = {0, 0, 0}, hinge[3] = {0, 0, 1.5f};
    std::vector<ChainCapsule> moved, bent = chain;
    for (const ChainCapsule& c : chain)
        moved.push_back(turned(c, 1.1f, 2, origin, 3.0f, -2.0f));
    bent[1] = turned(chain[1], 0.4f, 0, hinge, 0, 0);

    struct Case { const char* name; const std::vector<ChainCapsule>* pose; float tube; };
    for (const Case& c : {Case{"as made", &chain, 1e-5f}, Case{"moved", &moved, 1e-4f},
                          Case{"bent", &bent, 0.25f}}) {
        SCOPED_TRACE(c.name);
        const Mesh fresh = anew(*c.pose);
        ASSERT_EQ(skin.vertices.size(), fresh.vertices.size());
        EXPECT_EQ(skin.indices, fresh.indices);
        std::vector<float> posed;
        poseSkinnedMesh(skin, *c.pose, posed);
        float worstEnd = 0.0f, worstTube = 0.0f;
        int tubeVertices = 0;
        for (std::size_t i = 0; i < fresh.vertices.size(); ++i) {
            float d = 0.0f;
            for (int k = 0; k < 3; ++k)
                d = std::max(d, std::fabs(posed[i * 3 + k] - fresh.vertices[i].p[k]));
            const float w = skin.vertices[i].owner[2];
            const bool inside = w > 0.0f && w < 1.0f;
            tubeVertices += inside;
            (inside ? worstTube : worstEnd) = std::max(inside ? worstTube : worstEnd, d);
        }
        EXPECT_GT(tubeVertices, 0);
        EXPECT_LT(worstEnd, 1e-4f);
        EXPECT_LT(worstTube, c.tube);
    }
    EXPECT_EQ(chainSignature(chain), chainSignature(moved));
    std::vector<ChainCapsule> thicker = chain;
    thicker[2].radius = 0.25f;
    EXPECT_NE(chainSignature(chain), chainSignature(thicker));
}

} // namespace
