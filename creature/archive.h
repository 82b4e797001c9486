// Binary archive layouts of the saved records, and safe reading of archives
// whose bytes may be damaged.
//
// Every saved class keeps the library's default traits (class information,
// selective tracking, class version 0) and one member order for saving and
// loading. The containers (the value vectors, the movement store)
// are written with the same bytes the library's own std::vector and std::list
// support writes, but are read by our own code: it refuses an element count
// that cannot fit in the bytes left in the input before it allocates anything,
// so a damaged count cannot exhaust memory. Only archives of the library
// versions whose layout these loaders know (8 up to the running library's)
// are read; the header is checked before the library reads it.
//
// Contents: the archive error and the bounded input; archive_detail (counts
// checked against the bytes left, vectors of doubles, collection heads);
// the layouts of the 2- and 3-vectors, Gene, Intention, the movement store
// and its movements, and Agent. The whole-simulation records (SimData, the
// food store) are laid out in persist/world_archive.h.
#pragma once
#ifndef CREATURES_FLOOR_CREATURE
#error "creature/ is for creature/ and the floors above it"
#endif

#include <boost/archive/binary_iarchive.hpp>
#include <boost/archive/binary_oarchive.hpp>
#include <boost/serialization/array_wrapper.hpp>
#include <boost/serialization/collection_size_type.hpp>
#include <boost/serialization/item_version_type.hpp>
#include <boost/serialization/split_free.hpp>

#include <algorithm>
#include <cstddef>
#include <limits>
#include <list>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <vector>

#include "base/shared_types.h"
#include "creature/agent.h"
#include "creature/gene.h"
#include "creature/intention.h"
#include "creature/movement_store.h"

// An archive that cannot be read; `what` is a short reason for messages.
class ArchiveError : public std::runtime_error {
public:
    explicit ArchiveError(const std::string& reason) : std::runtime_error(reason) {}
};

// Read-only view of bytes held in memory as a stream buffer, telling how many
// bytes are still unread.
class ArchiveInput : public std::streambuf {
public:
    explicit ArchiveInput(const std::string& bytes)
    {
        char* begin = const_cast<char*>(bytes.data());
        setg(begin, begin, begin + bytes.size());
    }
    std::size_t bytesLeft() const { return static_cast<std::size_t>(egptr() - gptr()); }
};

// A binary input archive over bytes in memory; the container loaders ask it
// for the bytes left.
class BoundedIArchive : public boost::archive::binary_iarchive {
public:
    explicit BoundedIArchive(ArchiveInput& input)
        : boost::archive::binary_iarchive(input), input_(input)
    {
    }
    std::size_t bytesLeft() const { return input_.bytesLeft(); }

private:
    ArchiveInput& input_;
};

namespace archive_detail {

// Smallest encoded sizes of one element, after the first element's class
// information: three doubles for a food; two 2-vectors, an empty value
// vector with its three counts, an int and a double for a movement.
constexpr std::size_t kMinFoodBytes = 3 * 8;
constexpr std::size_t kMinMoveBytes = 2 * 16 + (8 + 3 * 4) + 4 + 8;

// Elements loaded per allocation when the input size is unknown.
constexpr std::size_t kChunk = 4096;

template <class Archive> std::size_t bytesLeft(Archive& ar)
{
    if (auto* bounded = dynamic_cast<BoundedIArchive*>(&ar))
        return bounded->bytesLeft();
    return std::numeric_limits<std::size_t>::max();
}

// Refuses a count of elements of at least minBytes each that the input
// cannot hold.
template <class Archive> void requireRoom(Archive& ar, std::size_t count, std::size_t minBytes)
{
    if (count > bytesLeft(ar) / minBytes)
        throw ArchiveError("element count " + std::to_string(count) + " is larger than the file");
}

// Our classes are all at version 0; a later version is a layout we do not know.
inline void refuseNewer(unsigned int version)
{
    if (version > 0)
        throw ArchiveError("class version " + std::to_string(version) +
                           " is newer than this program reads");
}

// A vector of doubles: count, then the values as one block.
template <class Archive> void saveDoubles(Archive& ar, const std::vector<double>& v)
{
    const boost::serialization::collection_size_type count(v.size());
    ar << count;
    if (!v.empty())
        ar << boost::serialization::make_array<const double>(v.data(), v.size());
}

template <class Archive> void loadDoubles(Archive& ar, std::vector<double>& v)
{
    boost::serialization::collection_size_type count;
    ar >> count;
    const std::size_t n = count;
    requireRoom(ar, n, sizeof(double));
    v.clear();
    while (v.size() < n) {
        const std::size_t at = v.size();
        const std::size_t chunk = std::min(n - at, kChunk);
        v.resize(at + chunk);
        ar >> boost::serialization::make_array<double>(v.data() + at, chunk);
    }
}

// Count and item version of an object container.
template <class Archive> void saveCollectionHead(Archive& ar, std::size_t size)
{
    const boost::serialization::collection_size_type count(size);
    ar << count;
    const boost::serialization::item_version_type itemVersion(0);
    ar << itemVersion;
}

template <class Archive> std::size_t loadCollectionHead(Archive& ar, std::size_t minElementBytes)
{
    boost::serialization::collection_size_type count;
    ar >> count;
    boost::serialization::item_version_type itemVersion(0);
    ar >> itemVersion;
    refuseNewer(itemVersion);
    const std::size_t n = count;
    requireRoom(ar, n, minElementBytes);
    return n;
}

} // namespace archive_detail

namespace boost {
namespace serialization {

template <class Archive> void serialize(Archive& ar, MY_VECTOR3& v, const unsigned int version)
{
    if (Archive::is_loading::value)
        archive_detail::refuseNewer(version);
    ar& v.x;
    ar& v.y;
    ar& v.z;
}

template <class Archive> void serialize(Archive& ar, MY_VECTOR2& v, const unsigned int version)
{
    if (Archive::is_loading::value)
        archive_detail::refuseNewer(version);
    ar& v.x;
    ar& v.y;
}

// Gene: values, phases, then parts before joints.
template <class Archive> void save(Archive& ar, const Gene& g, const unsigned int)
{
    archive_detail::saveDoubles(ar, g.values);
    ar << g.phases;
    ar << g.parts;
    ar << g.joints;
}

template <class Archive> void load(Archive& ar, Gene& g, const unsigned int version)
{
    archive_detail::refuseNewer(version);
    archive_detail::loadDoubles(ar, g.values);
    ar >> g.phases;
    ar >> g.parts;
    ar >> g.joints;
}

template <class Archive> void serialize(Archive& ar, Gene& g, const unsigned int version)
{
    split_free(ar, g, version);
}

template <class Archive> void serialize(Archive& ar, Intention& i, const unsigned int version)
{
    if (Archive::is_loading::value)
        archive_detail::refuseNewer(version);
    ar& i.mode;
}

// A movement: its mean and mean-square displacements as 2-vectors, its gene,
// its count and its direction.
template <class Archive>
void save(Archive& ar, const AlgLearanAction::DeltaMove& m, const unsigned int)
{
    const MY_VECTOR2 mean{m.meanX, m.meanY};
    const MY_VECTOR2 meanSq{m.meanSqX, m.meanSqY};
    ar << mean;
    ar << meanSq;
    ar << m.gene;
    ar << m.count;
    ar << m.angle;
}

template <class Archive>
void load(Archive& ar, AlgLearanAction::DeltaMove& m, const unsigned int version)
{
    archive_detail::refuseNewer(version);
    MY_VECTOR2 mean;
    MY_VECTOR2 meanSq;
    ar >> mean;
    ar >> meanSq;
    m.meanX = mean.x;
    m.meanY = mean.y;
    m.meanSqX = meanSq.x;
    m.meanSqY = meanSq.y;
    ar >> m.gene;
    ar >> m.count;
    ar >> m.angle;
}

template <class Archive>
void serialize(Archive& ar, AlgLearanAction::DeltaMove& m, const unsigned int version)
{
    split_free(ar, m, version);
}

// The movement list, element by element.
template <class Archive>
void save(Archive& ar, const std::list<AlgLearanAction::DeltaMove>& moves, const unsigned int)
{
    archive_detail::saveCollectionHead(ar, moves.size());
    for (const auto& m : moves)
        ar << m;
}

template <class Archive>
void load(Archive& ar, std::list<AlgLearanAction::DeltaMove>& moves, const unsigned int version)
{
    archive_detail::refuseNewer(version);
    const std::size_t n = archive_detail::loadCollectionHead(ar, archive_detail::kMinMoveBytes);
    moves.clear();
    for (std::size_t i = 0; i < n; ++i) {
        moves.emplace_back();
        ar >> moves.back();
    }
}

template <class Archive>
void serialize(Archive& ar, std::list<AlgLearanAction::DeltaMove>& moves,
               const unsigned int version)
{
    split_free(ar, moves, version);
}

template <class Archive>
void serialize(Archive& ar, AlgLearanAction& store, const unsigned int version)
{
    if (Archive::is_loading::value)
        archive_detail::refuseNewer(version);
    ar& store.moves;
}

template <class Archive> void serialize(Archive& ar, Agent& a, const unsigned int version)
{
    if (Archive::is_loading::value)
        archive_detail::refuseNewer(version);
    ar& a.jointCount;
    ar& a.energy;
    ar& a.lifeState;
    ar& a.dyingProgress;
    ar& a.intention;
    ar& a.centre;
    ar& a.gene;
    ar& a.age;
    ar& a.creatureId;
    ar& a.cycleStart;
    ar& a.score;
    ar& a.matingCount;
    ar& a.foodCount;
    ar& a.temperature;
    ar& a.phase;
    ar& a.spare;
    ar& a.cycleStartCentre;
    ar& a.cycleStartHeading;
    ar& a.learning;
}

} // namespace serialization
} // namespace boost
