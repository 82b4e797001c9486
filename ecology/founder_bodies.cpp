#include "ecology/founder_bodies.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <vector>

namespace {

constexpr const char* kHeader = "founder,body";

std::string shortest(double v)
{
    char text[40];
    for (int digits = 15; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, v);
        if (std::strtod(text, nullptr) == v)
            break;
    }
    return text;
}

bool within(double v, int row)
{
    return std::isfinite(v) && v >= geneParams[row].min && v <= geneParams[row].max;
}

} // namespace

std::string encodeFounderBodies(const FounderBodies& bodies)
{
    // In id order, so the same bodies always give the same file.
    std::map<int, const BodyShape*> ordered;
    for (const auto& [id, shape] : bodies)
        ordered[id] = &shape;
    std::string text = std::string(kHeader) + "\n";
    for (const auto& [id, shape] : ordered) {
        text += std::to_string(id) + "," + shortest(shape->scale) + " " + shortest(shape->rScale);
        for (const BodyShape::Part& p : shape->parts)
            text += " " + std::to_string(p.exists ? 1 : 0) + " " + shortest(p.length) + " " +
                    shortest(p.radius);
        for (const BodyShape::Joint& j : shape->joints)
            text += " " + std::to_string(j.exists ? 1 : 0) + " " + std::to_string(j.parentPart) +
                    " " + std::to_string(j.parentFace) + " " + std::to_string(j.childFace) + " " +
                    std::to_string(j.tiltedAxis ? 1 : 0) + " " + shortest(j.restTarget) + " " +
                    shortest(j.restGain);
        text += "\n";
    }
    return text;
}

bool decodeFounderBodies(const std::string& text, int largestId, FounderBodies& bodies,
                         std::string& reason)
{
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kHeader) {
        reason = "not a file of founders' bodies";
        return false;
    }
    FounderBodies read;
    int row = 1;
    while (std::getline(in, line)) {
        ++row;
        const std::string where = "row " + std::to_string(row);
        const std::size_t comma = line.find(',');
        char* end = nullptr;
        const long id = std::strtol(line.c_str(), &end, 10);
        if (comma == std::string::npos || end != line.c_str() + comma || id < 0 || id > largestId ||
            read.count(static_cast<int>(id))) {
            reason = where + ": not a founder of this save";
            return false;
        }
        std::istringstream values(line.substr(comma + 1));
        std::vector<double> v;
        for (double x; values >> x;)
            v.push_back(x);
        const std::size_t expected = 2 + 3 * kGeneParts + 7 * kGeneJoints;
        if (!values.eof() || v.size() != expected) {
            reason = where + ": not a body's values";
            return false;
        }
        BodyShape s;
        std::size_t k = 0;
        s.scale = v[k++];
        s.rScale = v[k++];
        bool good = within(s.scale, BODY_SCALE) && within(s.rScale, BODY_R_SCALE);
        auto flag = [&](double x) {
            good = good && (x == 0.0 || x == 1.0);
            return x == 1.0;
        };
        auto index = [&](double x, int low, int high) {
            good = good && x >= low && x <= high && x == std::floor(x);
            return good ? static_cast<int>(x) : low;
        };
        for (int i = 0; i < kGeneParts; ++i) {
            BodyShape::Part p;
            p.exists = flag(v[k++]);
            p.length = v[k++];
            p.radius = v[k++];
            good = good && within(p.length, PART_LENGTH) && within(p.radius, PART_RADIUS);
            s.parts.push_back(p);
        }
        for (int i = 0; i < kGeneJoints; ++i) {
            BodyShape::Joint j;
            j.exists = flag(v[k++]);
            j.parentPart = index(v[k++], -1, kGeneParts - 1);
            j.parentFace = index(v[k++], 0, 5);
            j.childFace = index(v[k++], 0, 5);
            j.tiltedAxis = flag(v[k++]);
            j.restTarget = v[k++];
            j.restGain = v[k++];
            good = good && within(j.restTarget, JOINT_TARGET) && within(j.restGain, JOINT_GAIN);
            s.joints.push_back(j);
        }
        if (!good) {
            reason = where + ": a value out of range";
            return false;
        }
        read[static_cast<int>(id)] = std::move(s);
    }
    bodies = std::move(read);
    return true;
}
