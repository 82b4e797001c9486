// Test support: a drawing backend that records every call, in order, with its
// arguments, and a guard that makes a backend the active one for a scope.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "drawlib/drawstuff.h"

// One call: the operation, its numbers in order (arrays flattened), and the
// picking name or text where it takes one.
struct DrawCall {
    std::string op;
    std::vector<double> args;
    const void* name = nullptr;
    std::string text;
};

class RecordingBackend : public DrawBackend {
public:
    std::vector<DrawCall> calls;
    const void* pickResult = nullptr; // what a picking pass finds

    std::vector<DrawCall> only(const std::string& op) const
    {
        std::vector<DrawCall> out;
        for (const DrawCall& c : calls)
            if (c.op == op)
                out.push_back(c);
        return out;
    }
    size_t count(const std::string& op) const { return only(op).size(); }

    void setViewpoint(const float* xyz, const float* hpr) override
    {
        add("setViewpoint", {{xyz, 3}, {hpr, 3}});
    }
    void setColor(float r, float g, float b) override { add("setColor", {{r, g, b}}); }
    void setColorAlpha(float r, float g, float b, float a) override
    {
        add("setColorAlpha", {{r, g, b, a}});
    }
    void setTexture(int on) override { add("setTexture", {{double(on)}}); }
    void setShadows(int on) override { add("setShadows", {{double(on)}}); }
    void setTextures(int on) override { add("setTextures", {{double(on)}}); }
    void setSphereQuality(int q) override { add("setSphereQuality", {{double(q)}}); }
    void setCapsuleQuality(int q) override { add("setCapsuleQuality", {{double(q)}}); }
    void drawSphere(const double* pos, const double* R, float radius) override
    {
        add("drawSphere", {{pos, 3}, {R, 12}, {radius}});
    }
    void drawCapsule(const double* pos, const double* R, float length, float radius) override
    {
        add("drawCapsule", {{pos, 3}, {R, 12}, {length, radius}});
    }
    void drawBox(const double* pos, const double* R, const double* sides) override
    {
        add("drawBox", {{pos, 3}, {R, 12}, {sides, 3}});
    }
    void drawLine(const float* a, const float* b) override { add("drawLine", {{a, 3}, {b, 3}}); }
    void materialColor(float ambient, float diffuse, float specular, float shininess) override
    {
        add("materialColor", {{ambient, diffuse, specular, shininess}});
    }
    void drawCapsuleArray(int n, const float* positions, const float* rotations, const float* radii,
                          const float* lengths, const int* parents, const std::uint8_t* capFlags,
                          const int* ints) override
    {
        add("drawCapsuleArray", {{double(n)},
                                 {positions, 4 * n},
                                 {rotations, 12 * n},
                                 {radii, n},
                                 {lengths, n},
                                 {parents, n},
                                 {capFlags, 2 * n},
                                 {ints, n}});
    }
    void drawArrow(const double* base, const double* R, double length, double thickness,
                   int quality) override
    {
        add("drawArrow", {{base, 3}, {R, 12}, {length, thickness, double(quality)}});
    }
    void setObjName(const void* name) override { add("setObjName", {}).name = name; }
    void pickingPre(int x, int y) override { add("pickingPre", {{double(x), double(y)}}); }
    const void* pickingAfterRender(int x, int y) override
    {
        add("pickingAfterRender", {{double(x), double(y)}});
        return pickResult;
    }
    void setUserPIP(int on) override
    {
        DrawBackend::setUserPIP(on);
        add("setUserPIP", {{double(on)}});
    }
    void setGroundSize(double size) override
    {
        DrawBackend::setGroundSize(size);
        add("setGroundSize", {{size}});
    }
    void fogDistance(float start, float end) override { add("fogDistance", {{start, end}}); }
    void drawStr(int size, int x, int y, int width, int height, const char* text) override
    {
        add("drawStr", {{double(size), double(x), double(y), double(width), double(height)}}).text =
            text;
    }

private:
    // Numbers of one argument: a list of scalars or an array of n values.
    struct Run {
        Run(std::initializer_list<double> v) : values(v) {}
        template <typename T> Run(const T* p, int n) : values(p, p + n) {}
        std::vector<double> values;
    };
    DrawCall& add(const char* op, std::initializer_list<Run> runs)
    {
        calls.push_back(DrawCall{op, {}, nullptr, std::string()});
        for (const Run& r : runs)
            calls.back().args.insert(calls.back().args.end(), r.values.begin(), r.values.end());
        return calls.back();
    }
};

// Makes a backend the active one for the lifetime of the guard.
class ScopedDrawBackend {
public:
    explicit ScopedDrawBackend(DrawBackend& backend) { setDrawBackend(&backend); }
    ~ScopedDrawBackend() { setDrawBackend(nullptr); }
    ScopedDrawBackend(const ScopedDrawBackend&) = delete;
    ScopedDrawBackend& operator=(const ScopedDrawBackend&) = delete;
};
