// Contents: vector helpers; vertices, rings and tubes; capsule rings; the
// unit spheres; detail levels; the primitives: sphere, capsule, box, arrow,
// capsule chain.
#include "drawlib/mesh_builder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <utility>

namespace {

constexpr float kPi = 3.14159265358979f;
// The skin texture repeats every this many units along a body.
constexpr float kTextureLength = 1.2f;

struct V3 {
    float x, y, z;
};
V3 operator+(V3 a, V3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
V3 operator-(V3 a, V3 b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V3 operator*(V3 a, float s)
{
    return {a.x * s, a.y * s, a.z * s};
}
float dot(V3 a, V3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
V3 cross(V3 a, V3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float length(V3 a)
{
    return std::sqrt(dot(a, a));
}
V3 normalized(V3 a, V3 fallback)
{
    const float l = length(a);
    return l > 1e-12f ? a * (1.0f / l) : fallback;
}

// Columns of an ODE 3x4 rotation: the local x, y and z axes in the world.
template <typename T> V3 column(const T* R, int c)
{
    return {static_cast<float>(R[c]), static_cast<float>(R[4 + c]), static_cast<float>(R[8 + c])};
}
template <typename T> V3 point(const T* p)
{
    return {static_cast<float>(p[0]), static_cast<float>(p[1]), static_cast<float>(p[2])};
}

// Cosines and sines of n + 1 angles around a circle (the seam repeated).
const std::vector<std::pair<float, float>>& circle(int n)
{
    static std::map<int, std::vector<std::pair<float, float>>> cache;
    auto& c = cache[n];
    if (c.empty())
        for (int j = 0; j <= n; ++j) {
            const float a = 2.0f * kPi * j / n;
            c.emplace_back(std::cos(a), std::sin(a));
        }
    return c;
}

Vertex makeVertex(const Style& s, V3 p, V3 n, float u, float v)
{
    Vertex out;
    out.p[0] = p.x;
    out.p[1] = p.y;
    out.p[2] = p.z;
    out.n[0] = n.x;
    out.n[1] = n.y;
    out.n[2] = n.z;
    out.t[0] = u;
    out.t[1] = v;
    out.t[2] = s.textured;
    std::copy(s.color, s.color + 4, out.c);
    std::copy(s.material, s.material + 4, out.m);
    return out;
}

// A ring of n + 1 vertices around centre in the plane of ex, ey; normals
// lean along the axis by the given radial and axial parts.
struct Ring {
    V3 centre, ex, ey, axis;
    float radius;
    float radial = 1.0f;
    float axial = 0.0f;
    float v = 0.0f;
};

std::uint32_t emitRing(Mesh& mesh, const Style& s, const Ring& r, int n)
{
    const std::uint32_t first = static_cast<std::uint32_t>(mesh.vertices.size());
    const auto& c = circle(n);
    for (int j = 0; j <= n; ++j) {
        const V3 d = r.ex * c[j].first + r.ey * c[j].second;
        mesh.vertices.push_back(makeVertex(s, r.centre + d * r.radius,
                                           d * r.radial + r.axis * r.axial,
                                           static_cast<float>(j) / n, r.v));
    }
    return first;
}

// A pole: a ring shrunk to its centre (up to rounding of the cosine).
bool isPoint(const Ring& r)
{
    return std::fabs(r.radius) < 1e-6f;
}

// Triangles between two consecutive rings; `flip` turns the winding so the
// front faces look outwards. A ring of radius 0 (a pole) is a point: of each
// quad only the triangle that is not flat on it is kept.
void connect(Mesh& mesh, std::uint32_t a, std::uint32_t b, int n, bool flip, bool aPoint = false,
             bool bPoint = false)
{
    for (int j = 0; j < n; ++j) {
        const std::uint32_t a0 = a + j, a1 = a + j + 1, b0 = b + j, b1 = b + j + 1;
        if (!aPoint)
            mesh.indices.insert(mesh.indices.end(), {a0, flip ? b0 : a1, flip ? a1 : b0});
        if (!bPoint)
            mesh.indices.insert(mesh.indices.end(), {a1, flip ? b0 : b1, flip ? b1 : b0});
    }
}

// Emits rings in order and joins each to the one before.
void emitTube(Mesh& mesh, const Style& s, const std::vector<Ring>& rings, int n, bool flip)
{
    std::uint32_t previous = 0;
    for (size_t i = 0; i < rings.size(); ++i) {
        const std::uint32_t current = emitRing(mesh, s, rings[i], n);
        if (i > 0)
            connect(mesh, previous, current, n, flip, isPoint(rings[i - 1]), isPoint(rings[i]));
        previous = current;
    }
}

// Rings of a capsule along its axis: a hemisphere, the cylinder, a
// hemisphere, with open ends where a cap is left out.
void capsuleRings(std::vector<Ring>& rings, V3 pos, V3 ex, V3 ey, V3 axis, float length,
                  float radius, int n, bool capNeg, bool capPos)
{
    const int capRings = n <= 4 ? 1 : std::max(2, n / 4);
    const float half = length * 0.5f;
    auto ring = [&](float z, float r, float radial, float axial) {
        Ring g{pos + axis * z, ex, ey, axis, r, radial, axial, z / kTextureLength};
        rings.push_back(g);
    };
    if (capNeg)
        for (int k = 0; k < capRings; ++k) {
            const float phi = -0.5f * kPi + 0.5f * kPi * k / capRings;
            ring(-half + radius * std::sin(phi), radius * std::cos(phi), std::cos(phi),
                 std::sin(phi));
        }
    ring(-half, radius, 1.0f, 0.0f);
    ring(half, radius, 1.0f, 0.0f);
    if (capPos)
        for (int k = 1; k <= capRings; ++k) {
            const float phi = 0.5f * kPi * k / capRings;
            ring(half + radius * std::sin(phi), radius * std::cos(phi), std::cos(phi),
                 std::sin(phi));
        }
}

// Unit icospheres, built once per subdivision level.
struct UnitSphere {
    std::vector<V3> points;
    std::vector<std::uint32_t> indices;
};

const UnitSphere& unitSphere(int level)
{
    static std::map<int, UnitSphere> cache;
    UnitSphere& s = cache[level];
    if (!s.points.empty())
        return s;
    const float a = 0.525731112119133606f, b = 0.850650808352039932f;
    s.points = {{-a, 0, b}, {a, 0, b},   {-a, 0, -b}, {a, 0, -b}, {0, b, a},  {0, b, -a},
                {0, -b, a}, {0, -b, -a}, {b, a, 0},   {-b, a, 0}, {b, -a, 0}, {-b, -a, 0}};
    s.indices = {0,  4, 1, 0, 9, 4, 9, 5,  4, 4, 5,  8,  4,  8, 1, 8,  10, 1,  8, 3,
                 10, 5, 3, 8, 5, 2, 3, 2,  7, 3, 7,  10, 3,  7, 6, 10, 7,  11, 6, 11,
                 0,  6, 0, 1, 6, 6, 1, 10, 9, 0, 11, 9,  11, 2, 9, 2,  5,  7,  2, 11};
    for (int l = 0; l < level; ++l) {
        std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> mid;
        auto middle = [&](std::uint32_t i, std::uint32_t j) {
            const auto key = std::minmax(i, j);
            auto it = mid.find(key);
            if (it != mid.end())
                return it->second;
            const std::uint32_t k = static_cast<std::uint32_t>(s.points.size());
            s.points.push_back(normalized(s.points[i] + s.points[j], V3{0, 0, 1}));
            mid.emplace(key, k);
            return k;
        };
        std::vector<std::uint32_t> next;
        for (size_t t = 0; t < s.indices.size(); t += 3) {
            const std::uint32_t i0 = s.indices[t], i1 = s.indices[t + 1], i2 = s.indices[t + 2];
            const std::uint32_t m01 = middle(i0, i1), m12 = middle(i1, i2), m20 = middle(i2, i0);
            next.insert(next.end(), {i0, m01, m20, i1, m12, m01, i2, m20, m12, m01, m12, m20});
        }
        s.indices.swap(next);
    }
    return s;
}

// The point of segment a-b nearest to p, and its parameter in [0, 1].
V3 nearestOnSegment(V3 a, V3 b, V3 p, float& t)
{
    const V3 ab = b - a;
    const float l2 = dot(ab, ab);
    t = l2 > 0.0f ? std::clamp(dot(p - a, ab) / l2, 0.0f, 1.0f) : 0.0f;
    return a + ab * t;
}

} // namespace

int capsuleSlices(int level)
{
    return level <= 0 ? 4 : 4 + 2 * std::min(level, 6);
}

int sphereSubdivisions(int quality)
{
    return std::clamp(quality + 1, 1, 3);
}

void addSphere(Mesh& mesh, const Style& style, const double pos[3], const double R[12],
               float radius, int quality)
{
    const UnitSphere& u = unitSphere(sphereSubdivisions(quality));
    const V3 c = point(pos), ex = column(R, 0), ey = column(R, 1), ez = column(R, 2);
    const std::uint32_t first = static_cast<std::uint32_t>(mesh.vertices.size());
    for (const V3& q : u.points) {
        const V3 n = ex * q.x + ey * q.y + ez * q.z;
        const float uu = 0.5f + std::atan2(q.y, q.x) / (2.0f * kPi);
        mesh.vertices.push_back(makeVertex(style, c + n * radius, n, uu, q.z * 0.5f + 0.5f));
    }
    // The table winds its faces inwards; turn them.
    for (size_t i = 0; i < u.indices.size(); i += 3)
        mesh.indices.insert(mesh.indices.end(), {first + u.indices[i], first + u.indices[i + 2],
                                                 first + u.indices[i + 1]});
}

void addCapsule(Mesh& mesh, const Style& style, const double pos[3], const double R[12],
                float length, float radius, int level, bool capNeg, bool capPos)
{
    std::vector<Ring> rings;
    const int n = capsuleSlices(level);
    capsuleRings(rings, point(pos), column(R, 0), column(R, 1), column(R, 2), length, radius, n,
                 capNeg, capPos);
    emitTube(mesh, style, rings, n, false);
}

void addBox(Mesh& mesh, const Style& style, const double pos[3], const double R[12],
            const double sides[3])
{
    const V3 c = point(pos);
    const V3 axes[3] = {column(R, 0), column(R, 1), column(R, 2)};
    const float half[3] = {static_cast<float>(sides[0] * 0.5), static_cast<float>(sides[1] * 0.5),
                           static_cast<float>(sides[2] * 0.5)};
    for (int f = 0; f < 6; ++f) {
        const int k = f / 2;
        const float sign = (f % 2) ? -1.0f : 1.0f;
        const V3 n = axes[k] * sign;
        const V3 u = axes[(k + 1) % 3] * half[(k + 1) % 3];
        const V3 v = axes[(k + 2) % 3] * half[(k + 2) % 3];
        const V3 centre = c + n * half[k];
        const std::uint32_t first = static_cast<std::uint32_t>(mesh.vertices.size());
        const float su = 2.0f * half[(k + 1) % 3] / 4.0f, sv = 2.0f * half[(k + 2) % 3] / 4.0f;
        mesh.vertices.push_back(makeVertex(style, centre - u - v, n, 0, 0));
        mesh.vertices.push_back(makeVertex(style, centre + u - v, n, su, 0));
        mesh.vertices.push_back(makeVertex(style, centre + u + v, n, su, sv));
        mesh.vertices.push_back(makeVertex(style, centre - u + v, n, 0, sv));
        if (sign > 0)
            mesh.indices.insert(mesh.indices.end(),
                                {first, first + 1, first + 2, first, first + 2, first + 3});
        else
            mesh.indices.insert(mesh.indices.end(),
                                {first, first + 2, first + 1, first, first + 3, first + 2});
    }
}

void addArrow(Mesh& mesh, const Style& style, const double base[3], const double R[12],
              double length, double thickness, int quality)
{
    const int n = std::max(4, 4 * std::clamp(quality, 1, 8));
    const V3 b = point(base), ex = column(R, 0), ey = column(R, 1), ez = column(R, 2);
    const float len = static_cast<float>(length), t = static_cast<float>(thickness);
    const float head = std::min(len * 0.35f, t * 7.0f), headRadius = t * 2.6f;
    const float shaft = len - head;
    // Cone normals lean forward by the slope of its side.
    const float slope = std::atan2(headRadius, head);
    const float cr = std::cos(slope), ca = std::sin(slope);
    auto ring = [&](float z, float r, float radial, float axial) {
        return Ring{b + ez * z, ex, ey, ez, r, radial, axial, z};
    };
    const std::vector<Ring> rings = {
        ring(0, 0, 0, -1),
        ring(0, t, 0, -1),
        ring(0, t, 1, 0),
        ring(shaft, t, 1, 0),
        ring(shaft, t, 0, -1),
        ring(shaft, headRadius, 0, -1),
        ring(shaft, headRadius, cr, ca),
        ring(len, 0, cr, ca),
    };
    std::uint32_t previous = 0;
    for (size_t i = 0; i < rings.size(); ++i) {
        const std::uint32_t current = emitRing(mesh, style, rings[i], n);
        // Rings 1-2, 3-4 and 5-6 share positions and only change the normal.
        if (i > 0 && i != 2 && i != 4 && i != 6)
            connect(mesh, previous, current, n, false);
        previous = current;
    }
}

void addCapsuleChain(Mesh& mesh, const Style& style, const std::vector<ChainCapsule>& chain,
                     int level, const Style& litStyle, std::vector<VertexOwner>* owners)
{
    // Owners of the vertices added since the last call, ring by ring.
    auto own = [&](int capsule, int parent, const std::vector<float>& weights, int perRing) {
        if (!owners)
            return;
        for (float w : weights)
            owners->insert(owners->end(), static_cast<std::size_t>(perRing),
                           VertexOwner{capsule, parent, w});
    };
    const int n = capsuleSlices(level);
    const int count = static_cast<int>(chain.size());
    // Which open ends a tube reaches: [i][0] the -z end, [i][1] the +z end.
    std::vector<std::array<bool, 2>> covered(count, std::array<bool, 2>{false, false});
    std::vector<Ring> rings;

    auto axisOf = [](const ChainCapsule& c) { return column(c.R, 2); };
    auto endPoint = [&](const ChainCapsule& c, int end) {
        return point(c.pos) + axisOf(c) * (c.length * (end ? 0.5f : -0.5f));
    };

    for (int i = 0; i < count; ++i) {
        const ChainCapsule& c = chain[i];
        const int p = c.parent;
        if (p < 0 || p >= count || p == i || (c.capNeg && c.capPos))
            continue;
        const int end = c.capNeg ? 1 : 0; // the open end that joins the parent
        const ChainCapsule& parent = chain[p];
        const V3 axis = axisOf(c);
        const V3 out = end ? axis : axis * -1.0f;
        const V3 p0 = endPoint(c, end);

        // Where the tube enters the parent.
        float t = 0.0f;
        const V3 q = nearestOnSegment(endPoint(parent, 0), endPoint(parent, 1), p0, t);
        const V3 pAxis = axisOf(parent);
        Ring last;
        int parentEnd = -1;
        if (t >= 1.0f && !parent.capPos)
            parentEnd = 1;
        else if (t <= 0.0f && !parent.capNeg)
            parentEnd = 0;
        V3 arrive;
        if (parentEnd >= 0) {
            arrive = parentEnd ? pAxis * -1.0f : pAxis;
            last = Ring{endPoint(parent, parentEnd), column(parent.R, 0), column(parent.R, 1),
                        arrive, parent.radius};
        } else {
            const V3 d = q - p0;
            if (length(d) < 1e-6f)
                continue; // the end lies on the parent's axis, inside it
            arrive = normalized(d, out);
            last = Ring{q, {}, {}, arrive, std::min(c.radius, parent.radius) * 0.8f};
        }

        // A cubic from the open end to the entry point, leaving along the
        // capsule's axis and arriving along `arrive`.
        const V3 p1 = last.centre;
        const float k = std::max(length(p1 - p0), 1e-4f) * 1.1f;
        const V3 t0 = out * k, t1 = arrive * k;
        auto curve = [&](float s) {
            const float s2 = s * s, s3 = s2 * s;
            return p0 * (2 * s3 - 3 * s2 + 1) + t0 * (s3 - 2 * s2 + s) + p1 * (-2 * s3 + 3 * s2) +
                   t1 * (s3 - s2);
        };
        auto tangent = [&](float s) {
            const float s2 = s * s;
            return normalized(p0 * (6 * s2 - 6 * s) + t0 * (3 * s2 - 4 * s + 1) +
                                  p1 * (-6 * s2 + 6 * s) + t1 * (3 * s2 - 2 * s),
                              out);
        };

        // Frames carried along the curve without twisting, then turned bit
        // by bit so the last ring meets the parent's own ring.
        const int segments = level <= 0 ? 1 : 2 + level / 2; // the far shape: straight
        V3 ex = column(c.R, 0), ey = column(c.R, 1);
        const float hand = dot(cross(ex, ey), out) >= 0.0f ? 1.0f : -1.0f;
        std::vector<Ring> bridge;
        const float v0 = (end ? 0.5f : -0.5f) * c.length / kTextureLength;
        float arc = 0.0f;
        V3 prev = p0;
        for (int sI = 0; sI <= segments; ++sI) {
            const float s = static_cast<float>(sI) / segments;
            const V3 tg = sI == segments ? arrive : tangent(s);
            ex = normalized(ex - tg * dot(ex, tg), ey);
            ey = cross(tg, ex) * hand;
            const V3 centre = curve(s);
            arc += length(centre - prev);
            prev = centre;
            const float blend = s * s * (3 - 2 * s);
            bridge.push_back(Ring{centre, ex, ey, tg, c.radius + (last.radius - c.radius) * blend,
                                  1.0f, 0.0f, v0 + (end ? arc : -arc) / kTextureLength});
        }
        // Twist to apply by the end.
        V3 exEnd = last.ex, eyEnd = last.ey;
        if (parentEnd < 0) {
            exEnd = bridge.back().ex;
            eyEnd = bridge.back().ey;
        } else if (dot(cross(exEnd, eyEnd), arrive) * hand < 0.0f) {
            eyEnd = eyEnd * -1.0f;
        }
        const float alpha = std::atan2(dot(exEnd, bridge.back().ey), dot(exEnd, bridge.back().ex));
        for (int sI = 1; sI <= segments; ++sI) {
            Ring& r = bridge[sI];
            const float a = alpha * sI / segments;
            const float ca = std::cos(a), sa = std::sin(a);
            const V3 x = r.ex * ca + r.ey * sa;
            const V3 y = r.ey * ca - r.ex * sa;
            r.ex = x;
            r.ey = y;
        }
        if (parentEnd >= 0) {
            bridge.back().ex = exEnd;
            bridge.back().ey = eyEnd;
            bridge.back().centre = last.centre;
            covered[p][parentEnd] = true;
        }
        bridge.front().ex = column(c.R, 0);
        bridge.front().ey = column(c.R, 1);
        covered[i][end] = true;
        emitTube(mesh, c.lit ? litStyle : style, bridge, n, hand < 0.0f);
        if (owners) {
            // The capsule's frame carries the tube where it leaves, the
            // parent's where it arrives, blended smoothly in between.
            std::vector<float> weights;
            for (int sI = 0; sI <= segments; ++sI) {
                const float s = static_cast<float>(sI) / segments;
                weights.push_back(1.0f - s * s * (3 - 2 * s));
            }
            own(i, p, weights, n + 1);
        }
    }

    for (int i = 0; i < count; ++i) {
        const ChainCapsule& c = chain[i];
        rings.clear();
        capsuleRings(rings, point(c.pos), column(c.R, 0), column(c.R, 1), column(c.R, 2), c.length,
                     c.radius, n, c.capNeg || !covered[i][0], c.capPos || !covered[i][1]);
        emitTube(mesh, c.lit ? litStyle : style, rings, n, false);
        own(i, -1, std::vector<float>(rings.size(), 1.0f), n + 1);
    }
}
