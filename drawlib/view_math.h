// Camera and projection arithmetic shared by the window backend's drawing
// and its picking: the view of an eye with heading, pitch and roll in
// degrees, the perspective of a view, and the ray under a cursor.
#pragma once
#ifndef CREATURES_FLOOR_DRAWLIB
#error "drawlib/ is for drawlib/ and the floors above it"
#endif

// A 4x4 matrix in OpenGL's column-major order.
struct Mat4 {
    float m[16];
};

// Unit vectors of a camera: where it looks, its right and its up.
struct CameraBasis {
    float forward[3];
    float right[3];
    float up[3];
};

// Heading turns the view about +z from +x, pitch raises it above the ground
// plane, roll turns it about its own axis; all in degrees.
CameraBasis cameraBasis(const float hpr[3]);

// World-to-eye matrix of an eye at xyz looking along the basis of hpr.
Mat4 viewMatrix(const float xyz[3], const float hpr[3]);

// Perspective projection with the given tangent of half the vertical angle.
Mat4 perspective(float tanHalfY, float aspect, float nearZ, float farZ);

Mat4 multiply(const Mat4& a, const Mat4& b);

// Tangent of half the vertical viewing angle of a view of the given width
// over height: 90 degrees across, unless that would make it taller than 90
// degrees.
inline float tanHalfFovY(float aspect)
{
    return aspect > 1.0f ? 1.0f / aspect : 1.0f;
}
constexpr float kNearPlane = 0.1f;

// The ray from the eye through the centre of the pixel (x, y) of a view of
// width x height pixels, y counted from the top; direction of unit length.
struct Ray {
    double origin[3];
    double dir[3];
};
Ray cursorRay(const float xyz[3], const float hpr[3], int x, int y, int width, int height);
