// Test support: a drawing backend that records every call it gets, in order,
// with its arguments, and a guard that installs a backend for one scope.
#pragma once

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "drawlib/drawstuff.h"

// One recorded call: the operation's name, its numeric arguments in order
// (arrays flattened), and a picking name or a text where it takes one.
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
        std::copy_if(calls.begin(), calls.end(), std::back_inserter(out),
                     [&](const DrawCall& c) { return c.op == op; });
        return out;
    }
    size_t count(const std::string& op) const { return only(op).size(); }

    void setViewpoint(const float* xyz, const float* hpr) override
    {
        add("setViewpoint", {xyz[0], xyz[1], xyz[2], hpr[0], hpr[1], hpr[2]});
    }
    void setColor(float r, float g, float b) override { add("setColor", {r, g, b}); }
    void setColorAlpha(float r, float g, float b, float a) override
    {
        add("setColorAlpha", {r, g, b, a});
    }
    void setTexture(int texture) override { add("setTexture", {double(texture)}); }
    void setShadows(int on) override { add("setShadows", {double(on)}); }
    void setTextures(int on) override { add("setTextures", {double(on)}); }
    void setSphereQuality(int level) override { add("setSphereQuality", {double(level)}); }
    void setCapsuleQuality(int level) override { add("setCapsuleQuality", {double(level)}); }
    void drawSphere(const double* pos, const double* R, float radius) override
    {
        add("drawSphere", cat({pos, 3}, {R, 12}, {radius}));
    }
    void drawCapsule(const double* pos, const double* R, float length, float radius) override
    {
        add("drawCapsule", cat({pos, 3}, {R, 12}, {length, radius}));
    }
    void drawBox(const double* pos, const double* R, const double* sides) override
    {
        add("drawBox", cat({pos, 3}, {R, 12}, {sides[0], sides[1], sides[2]}));
    }
    void drawLine(const float* a, const float* b) override
    {
        add("drawLine", {a[0], a[1], a[2], b[0], b[1], b[2]});
    }
    void materialColor(float ambient, float diffuse, float specular, float shininess) override
    {
        add("materialColor", {ambient, diffuse, specular, shininess});
    }
    // Arguments: n, then positions (4 each), rotations (12), radii, lengths,
    // parents, cap flags (2) and ints, all n entries long.
    void drawCapsuleArray(int n, const float* positions, const float* rotations, const float* radii,
                          const float* lengths, const int* parents, const std::uint8_t* capFlags,
                          const int* ints) override
    {
        std::vector<double> a{double(n)};
        a.insert(a.end(), positions, positions + 4 * n);
        a.insert(a.end(), rotations, rotations + 12 * n);
        a.insert(a.end(), radii, radii + n);
        a.insert(a.end(), lengths, lengths + n);
        a.insert(a.end(), parents, parents + n);
        a.insert(a.end(), capFlags, capFlags + 2 * n);
        a.insert(a.end(), ints, ints + n);
        add("drawCapsuleArray", std::move(a));
    }
    void drawArrow(const double* base, const double* R, double length, double thickness,
                   int quality) override
    {
        add("drawArrow", cat({base, 3}, {R, 12}, {length, thickness, double(quality)}));
    }
    void setObjName(const void* name) override
    {
        add("setObjName", {});
        calls.back().name = name;
    }
    void pickingPre(int x, int y) override { add("pickingPre", {double(x), double(y)}); }
    const void* pickingAfterRender(int x, int y) override
    {
        add("pickingAfterRender", {double(x), double(y)});
        return pickResult;
    }
    void setUserPIP(int on) override
    {
        DrawBackend::setUserPIP(on);
        add("setUserPIP", {double(on)});
    }
    void setGroundSize(double size) override
    {
        DrawBackend::setGroundSize(size);
        add("setGroundSize", {size});
    }
    void fogDistance(float start, float end) override { add("fogDistance", {start, end}); }
    void drawStr(int size, int x, int y, int width, int height, const char* text) override
    {
        add("drawStr", {double(size), double(x), double(y), double(width), double(height)});
        calls.back().text = text;
    }

private:
    struct Span {
        const double* p;
        int n;
    };
    void add(const char* op, std::vector<double> args)
    {
        calls.push_back(DrawCall{op, std::move(args), nullptr, std::string()});
    }
    static std::vector<double> cat(Span a, Span b, std::vector<double> rest)
    {
        std::vector<double> out(a.p, a.p + a.n);
        out.insert(out.end(), b.p, b.p + b.n);
        out.insert(out.end(), rest.begin(), rest.end());
        return out;
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
