#include "persist/positions.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "creature/agent_record.h"
#include "creature/archive.h"
#include "persist/file_io.h"
#include "persist/folder_source.h"

namespace {

// How far a stored rotation may be from orthonormal.
constexpr double kRotationTolerance = 1e-6;

void putDouble(std::string& out, double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    char bytes[8];
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    out.append(bytes, 8);
}

double getDouble(const char* p)
{
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

void putRotation(std::string& out, const dReal* R)
{
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            putDouble(out, R[row * 4 + col]);
}

bool coordinateOk(double v)
{
    return std::isfinite(v) && std::fabs(v) <= kMaxPositionCoordinate;
}

// Nine values, row by row, of an orthonormal matrix with determinant +1.
bool rotationOk(const double* r)
{
    for (int i = 0; i < 9; ++i)
        if (!std::isfinite(r[i]))
            return false;
    for (int a = 0; a < 3; ++a) {
        for (int b = a; b < 3; ++b) {
            const double dot =
                r[a * 3] * r[b * 3] + r[a * 3 + 1] * r[b * 3 + 1] + r[a * 3 + 2] * r[b * 3 + 2];
            if (std::fabs(dot - (a == b ? 1.0 : 0.0)) > kRotationTolerance)
                return false;
        }
    }
    const double det = r[0] * (r[4] * r[8] - r[5] * r[7]) - r[1] * (r[3] * r[8] - r[5] * r[6]) +
                       r[2] * (r[3] * r[7] - r[4] * r[6]);
    return det > 0;
}

void setRotation(dBodyID body, const double* r)
{
    dMatrix3 R = {r[0], r[1], r[2], 0, r[3], r[4], r[5], 0, r[6], r[7], r[8], 0};
    dBodySetRotation(body, R);
}

} // namespace

int existingParts(const Agent& a)
{
    int n = 0;
    for (const auto& p : a.parts)
        if (p.exists)
            ++n;
    return n;
}

std::string encodePositions(const Population& population)
{
    std::string out;
    for (const auto& a : population) {
        for (const auto& p : a.parts) {
            if (!p.exists)
                continue;
            const dReal* pos = dBodyGetPosition(p.body);
            for (int i = 0; i < 3; ++i)
                putDouble(out, pos[i]);
            putRotation(out, dBodyGetRotation(p.body));
        }
    }
    return out;
}

std::string encodeCreaturePositions(const Agent& a)
{
    return encodeCreaturePose(creaturePose(a));
}

std::string encodeCreaturePose(const std::vector<double>& pose)
{
    std::string out;
    for (double v : pose)
        putDouble(out, v);
    return out;
}

std::vector<double> decodePositions(const std::string& bytes, int parts, int entryDoubles)
{
    const std::size_t expected = static_cast<std::size_t>(parts) * entryDoubles * 8;
    if (bytes.size() != expected)
        throw ArchiveError("holds " + std::to_string(bytes.size()) + " bytes where " +
                           std::to_string(parts) + " body parts need " + std::to_string(expected));
    std::vector<double> values(bytes.size() / 8);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = getDouble(bytes.data() + 8 * i);
    // The leading values of an entry are coordinates, the last nine a rotation.
    const int coordinates = entryDoubles - 9;
    for (int part = 0; part < parts; ++part) {
        const double* entry = values.data() + static_cast<std::size_t>(part) * entryDoubles;
        for (int i = 0; i < coordinates; ++i)
            if (!coordinateOk(entry[i]))
                throw ArchiveError("entry " + std::to_string(part) +
                                   " has a non-finite or far-off position");
        if (!rotationOk(entry + coordinates))
            throw ArchiveError("entry " + std::to_string(part) + " has no valid rotation");
    }
    return values;
}

void applyPositions(Population& population, const std::vector<double>& values)
{
    std::size_t k = 0;
    for (auto& a : population) {
        for (auto& p : a.parts) {
            if (!p.exists)
                continue;
            const double* e = values.data() + k;
            dBodySetPosition(p.body, e[0], e[1], e[2]);
            setRotation(p.body, e + 3);
            k += kWholeEntryDoubles;
        }
    }
}

void applyCreaturePositions(Agent& a, const std::vector<double>& values, double x, double y)
{
    std::size_t k = 0;
    for (auto& p : a.parts) {
        if (!p.exists)
            continue;
        const double* e = values.data() + k;
        dBodySetPosition(p.body, x + e[1], y + e[2], e[0] + e[3]);
        setRotation(p.body, e + 4);
        dBodySetLinearVel(p.body, 0, 0, 0);
        dBodySetAngularVel(p.body, 0, 0, 0);
        k += kCreatureEntryDoubles;
    }
}

std::vector<double> readPositions(const FileSource& source, int parts, int entryDoubles)
{
    const std::string bytes = source.read(kPositionFile);
    try {
        return decodePositions(bytes, parts, entryDoubles);
    } catch (const ArchiveError& e) {
        throwDamaged(source.path(kPositionFile), e.what());
    }
}
