#include "drawlib/view_math.h"

#include <cmath>

namespace {

constexpr float kDegToRad = 3.14159265358979f / 180.0f;

void cross(const float a[3], const float b[3], float out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

} // namespace

CameraBasis cameraBasis(const float hpr[3])
{
    const float h = hpr[0] * kDegToRad;
    const float p = hpr[1] * kDegToRad;
    const float r = hpr[2] * kDegToRad;
    CameraBasis b;
    b.forward[0] = std::cos(h) * std::cos(p);
    b.forward[1] = std::sin(h) * std::cos(p);
    b.forward[2] = std::sin(p);
    // Right is level with the ground before the roll; up completes the frame.
    const float right0[3] = {std::sin(h), -std::cos(h), 0.0f};
    float up0[3];
    cross(right0, b.forward, up0);
    const float c = std::cos(r), s = std::sin(r);
    for (int i = 0; i < 3; ++i) {
        b.right[i] = c * right0[i] + s * up0[i];
        b.up[i] = c * up0[i] - s * right0[i];
    }
    return b;
}

Mat4 viewMatrix(const float xyz[3], const float hpr[3])
{
    const CameraBasis b = cameraBasis(hpr);
    Mat4 v{};
    for (int i = 0; i < 3; ++i) {
        v.m[i * 4 + 0] = b.right[i];
        v.m[i * 4 + 1] = b.up[i];
        v.m[i * 4 + 2] = -b.forward[i];
    }
    v.m[12] = -(b.right[0] * xyz[0] + b.right[1] * xyz[1] + b.right[2] * xyz[2]);
    v.m[13] = -(b.up[0] * xyz[0] + b.up[1] * xyz[1] + b.up[2] * xyz[2]);
    v.m[14] = b.forward[0] * xyz[0] + b.forward[1] * xyz[1] + b.forward[2] * xyz[2];
    v.m[15] = 1.0f;
    return v;
}

Mat4 perspective(float tanHalfY, float aspect, float nearZ, float farZ)
{
    Mat4 p{};
    p.m[0] = 1.0f / (tanHalfY * aspect);
    p.m[5] = 1.0f / tanHalfY;
    p.m[10] = (farZ + nearZ) / (nearZ - farZ);
    p.m[11] = -1.0f;
    p.m[14] = 2.0f * farZ * nearZ / (nearZ - farZ);
    return p;
}

Mat4 multiply(const Mat4& a, const Mat4& b)
{
    Mat4 r{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k)
                s += a.m[k * 4 + row] * b.m[col * 4 + k];
            r.m[col * 4 + row] = s;
        }
    return r;
}

Ray cursorRay(const float xyz[3], const float hpr[3], int x, int y, int width, int height)
{
    const CameraBasis b = cameraBasis(hpr);
    const double w = width > 0 ? width : 1;
    const double h = height > 0 ? height : 1;
    const double aspect = w / h;
    const double ty = tanHalfFovY(static_cast<float>(aspect));
    const double nx = (2.0 * (x + 0.5) / w - 1.0) * ty * aspect;
    const double ny = (1.0 - 2.0 * (y + 0.5) / h) * ty;
    Ray ray;
    double len = 0.0;
    for (int i = 0; i < 3; ++i) {
        ray.origin[i] = xyz[i];
        ray.dir[i] = b.forward[i] + nx * b.right[i] + ny * b.up[i];
        len += ray.dir[i] * ray.dir[i];
    }
    len = std::sqrt(len);
    for (double& d : ray.dir)
        d /= len;
    return ray;
}
