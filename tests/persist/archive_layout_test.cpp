// The bytes of the archives: header, class information and members in their
// saved order, and the refusal of archives that are damaged.
#include <gtest/gtest.h>

#include <boost/archive/basic_archive.hpp>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "support/creature_helpers.h"
#include "base/random.h"
#include "persist/archive_io.h"
#include "persist_support.h"

namespace {

using persist_test::getRaw;
using persist_test::putRaw;

constexpr std::size_t kHeader = 40;

// Walks an archive field by field.
class Walk {
public:
    Walk(const std::string& bytes, std::size_t at) : bytes_(bytes), at_(at) {}

    template <class T> T next()
    {
        const T v = getRaw<T>(bytes_, at_);
        at_ += sizeof(T);
        return v;
    }
    std::int32_t i32() { return next<std::int32_t>(); }
    double f64() { return next<double>(); }
    std::uint64_t count() { return next<std::uint64_t>(); }
    // Class information before the first object of a class: not tracked,
    // version 0.
    void classInfo(const char* what)
    {
        EXPECT_EQ(next<std::int8_t>(), 0) << "tracking of " << what << " at " << at_ - 1;
        EXPECT_EQ(next<std::uint32_t>(), 0u) << "version of " << what << " at " << at_ - 4;
    }
    void vec3(const MY_VECTOR3& v)
    {
        EXPECT_EQ(f64(), v.x);
        EXPECT_EQ(f64(), v.y);
        EXPECT_EQ(f64(), v.z);
    }
    void geneData(const Gene& g)
    {
        ASSERT_EQ(count(), g.values.size());
        for (double v : g.values)
            ASSERT_EQ(f64(), v);
        EXPECT_EQ(i32(), g.phases);
        EXPECT_EQ(i32(), g.parts);
        EXPECT_EQ(i32(), g.joints);
    }
    std::size_t at() const { return at_; }

private:
    const std::string& bytes_;
    std::size_t at_;
};

Gene runningGene()
{
    Gene g;
    g.randomize(Agent::kPhases, Agent::kJoints, Agent::kParts, testRandom());
    return g;
}

template <class T> std::string refusalOf(const std::string& bytes, T& record)
{
    try {
        loadArchive(bytes, record);
    } catch (const ArchiveError& e) {
        return e.what();
    }
    return "accepted";
}

} // namespace

TEST(ArchiveLayout, StartsWithTheLibraryHeader)
{
    const std::string bytes = saveArchive(SimData{});
    ASSERT_GE(bytes.size(), kHeader);
    EXPECT_EQ(getRaw<std::uint64_t>(bytes, 0), 22u);
    EXPECT_EQ(bytes.substr(8, 22), "serialization::archive");
    EXPECT_EQ(static_cast<unsigned char>(bytes[30]),
              static_cast<unsigned>(boost::archive::BOOST_ARCHIVE_VERSION()));
    EXPECT_EQ(bytes[31], 0);
    // Native sizes of int, long, float and double, then 1 as an int.
    EXPECT_EQ(bytes.substr(32, 4), std::string("\x04\x08\x04\x08", 4));
    EXPECT_EQ(getRaw<std::int32_t>(bytes, 36), 1);
}

TEST(ArchiveLayout, SimDataMembersAreWrittenInOrder)
{
    SimData d;
    d.spareValue = 0.5;
    d.foodInterval = 17;
    d.populationCount = 23;
    d.minPopulation = 9;
    d.simulationTime = 1234.25;
    d.wallHeight = 3.5;
    d.groundSize = 75.0;
    d.spareSeries2 = {1.5, -2.5};
    d.savedSerial = 7;
    const std::string bytes = saveArchive(d);

    Walk r(bytes, kHeader);
    r.classInfo("SimData");
    EXPECT_EQ(r.f64(), 0.5);
    EXPECT_EQ(r.i32(), 17);
    EXPECT_EQ(r.i32(), 23);
    EXPECT_EQ(r.i32(), 9);
    EXPECT_EQ(r.f64(), 1234.25);
    EXPECT_EQ(r.f64(), 3.5);
    EXPECT_EQ(r.f64(), 75.0);
    // The empty series is its count alone, with no item version.
    EXPECT_EQ(r.count(), 0u);
    EXPECT_EQ(r.count(), 2u);
    EXPECT_EQ(r.f64(), 1.5);
    EXPECT_EQ(r.f64(), -2.5);
    EXPECT_EQ(r.next<std::uint8_t>(), 7);
    EXPECT_EQ(r.at(), bytes.size());

    SimData back;
    loadArchive(bytes, back);
    EXPECT_EQ(back.foodInterval, 17);
    EXPECT_EQ(back.spareSeries1.size(), 0u);
    EXPECT_EQ(back.spareSeries2, d.spareSeries2);
    EXPECT_EQ(back.savedSerial, 7);
}

TEST(ArchiveLayout, GeneWritesItsValuesThenPhasesPartsJoints)
{
    const Gene g = runningGene();
    const std::string bytes = saveArchive(g);
    Walk r(bytes, kHeader);
    r.classInfo("Gene");
    r.geneData(g);
    EXPECT_EQ(r.at(), bytes.size());
    // Member data: an 8-byte count, 506 doubles and three ints.
    EXPECT_EQ(bytes.size() - kHeader - 5, 8u + 506 * 8 + 12);
    // parts (30) precedes joints (29).
    EXPECT_EQ(getRaw<std::int32_t>(bytes, bytes.size() - 8), 30);
    EXPECT_EQ(getRaw<std::int32_t>(bytes, bytes.size() - 4), 29);
}

TEST(ArchiveLayout, FreshCreatureIsWrittenMemberByMemberWithThirtyTwoMovements)
{
    Agent a;
    a.initialize(testRandom());
    a.jointCount = Agent::kJoints;
    a.energy = 1.75;
    a.lifeState = Removable;
    a.dyingProgress = 1.5f;
    a.intention.mode = Intention::Mate;
    a.centre = MY_VECTOR3{1.0, -2.0, 3.0};
    a.age = 40.5;
    a.creatureId = 4242;
    a.cycleStart = 39.0;
    a.score = -0.25;
    a.matingCount = 3;
    a.foodCount = 5;
    a.temperature = 0.125;
    a.phase = 2;
    a.cycleStartCentre = MY_VECTOR3{4.0, 5.0, 6.0};
    a.cycleStartHeading = MY_VECTOR2{0.5, 0.75};
    ASSERT_EQ(a.learning.moves.size(), 32u);
    const std::string bytes = saveArchive(a);

    Walk r(bytes, kHeader);
    r.classInfo("Agent");
    EXPECT_EQ(r.i32(), Agent::kJoints);
    EXPECT_EQ(r.f64(), 1.75);
    EXPECT_EQ(r.i32(), Removable);
    EXPECT_EQ(r.next<float>(), 1.5f);
    r.classInfo("Intention");
    EXPECT_EQ(r.i32(), Intention::Mate);
    r.classInfo("MY_VECTOR3");
    r.vec3(a.centre);
    r.classInfo("Gene");
    r.geneData(a.gene);
    EXPECT_EQ(r.f64(), 40.5);
    EXPECT_EQ(r.i32(), 4242);
    EXPECT_EQ(r.f64(), 39.0);
    EXPECT_EQ(r.f64(), -0.25);
    EXPECT_EQ(r.i32(), 3);
    EXPECT_EQ(r.i32(), 5);
    EXPECT_EQ(r.f64(), 0.125);
    EXPECT_EQ(r.i32(), 2);
    EXPECT_EQ(r.i32(), 0);      // spare
    r.vec3(a.cycleStartCentre); // class already introduced
    r.classInfo("MY_VECTOR2");
    EXPECT_EQ(r.f64(), 0.5);
    EXPECT_EQ(r.f64(), 0.75);
    r.classInfo("AlgLearanAction");
    r.classInfo("list of movements");
    EXPECT_EQ(r.count(), 32u);
    EXPECT_EQ(r.next<std::uint32_t>(), 0u); // item version
    bool first = true;
    for (const auto& m : a.learning.moves) {
        if (first)
            r.classInfo("DeltaMove");
        first = false;
        EXPECT_EQ(r.f64(), m.meanX);
        EXPECT_EQ(r.f64(), m.meanY);
        EXPECT_EQ(r.f64(), m.meanSqX);
        EXPECT_EQ(r.f64(), m.meanSqY);
        r.geneData(m.gene);
        EXPECT_EQ(r.i32(), m.count);
        EXPECT_EQ(r.f64(), m.angle);
    }
    EXPECT_EQ(r.at(), bytes.size());

    // Read back into a record with other values: every saved member returns,
    // a dying creature past 1.0 included.
    Agent b;
    b.initialize(testRandom());
    loadArchive(bytes, b);
    EXPECT_EQ(b.lifeState, Removable);
    EXPECT_EQ(b.dyingProgress, 1.5f);
    EXPECT_EQ(b.creatureId, 4242);
    EXPECT_EQ(b.gene.values, a.gene.values);
    EXPECT_EQ(b.gene.parts, 30);
    EXPECT_EQ(b.gene.joints, 29);
    ASSERT_EQ(b.learning.moves.size(), 32u);
    EXPECT_EQ(b.learning.moves.back().gene.values, a.learning.moves.back().gene.values);
    EXPECT_EQ(b.learning.moves.back().angle, a.learning.moves.back().angle);
    EXPECT_EQ(saveArchive(b), bytes);
}

TEST(ArchiveLayout, FoodStoreWritesTimerThenCountedFoods)
{
    AimPointHander store;
    store.timer = 2.5;
    store.foods.resize(2);
    store.foods[0].position = MY_VECTOR3{1, 2, 0};
    store.foods[1].position = MY_VECTOR3{-3, 4, 0};
    const std::string bytes = saveArchive(store);
    Walk r(bytes, kHeader);
    r.classInfo("AimPointHander");
    EXPECT_EQ(r.f64(), 2.5);
    r.classInfo("vector of foods");
    EXPECT_EQ(r.count(), 2u);
    EXPECT_EQ(r.next<std::uint32_t>(), 0u);
    r.classInfo("AimPoint");
    r.classInfo("MY_VECTOR3");
    r.vec3(store.foods[0].position);
    r.vec3(store.foods[1].position);
    EXPECT_EQ(r.at(), bytes.size());

    AimPointHander empty;
    const std::string none = saveArchive(empty);
    // Class information, count 0 and item version, no element.
    EXPECT_EQ(none.size(), kHeader + 5 + 8 + 5 + 8 + 4);
}

TEST(ArchiveRefusal, ClassVersionsAboveOursAreRefused)
{
    const Gene g = runningGene();
    std::string bytes = saveArchive(g);
    putRaw<std::uint32_t>(bytes, kHeader + 1, 1);
    Gene back;
    EXPECT_NE(refusalOf(bytes, back).find("class version 1 is newer"), std::string::npos);

    // A movement's class, deep inside a creature.
    Agent a;
    a.initialize(testRandom());
    std::string agent = saveArchive(a);
    const std::size_t moveInfo = 4295; // after the movement list's count and item version
    ASSERT_EQ(getRaw<std::uint64_t>(agent, moveInfo - 12), 32u);
    putRaw<std::uint32_t>(agent, moveInfo + 1, 3);
    Agent b;
    b.initialize(testRandom());
    EXPECT_NE(refusalOf(agent, b).find("class version 3"), std::string::npos);
}

TEST(ArchiveRefusal, DamagedHeadersAreRefusedBeforeTheLibraryReadsThem)
{
    const std::string good = saveArchive(SimData{});
    SimData d;

    std::string huge = good;
    putRaw<std::uint64_t>(huge, 0, std::numeric_limits<std::uint64_t>::max() / 2);
    EXPECT_EQ(refusalOf(huge, d), "not a saved archive");

    std::string signature = good;
    signature[10] = 'X';
    EXPECT_EQ(refusalOf(signature, d), "not a saved archive");

    std::string newer = good;
    newer[30] = static_cast<char>(boost::archive::BOOST_ARCHIVE_VERSION() + 1);
    EXPECT_NE(refusalOf(newer, d).find("newer archive library"), std::string::npos);

    std::string older = good;
    older[30] = 3;
    EXPECT_NE(refusalOf(older, d).find("too old"), std::string::npos);

    std::string sizes = good;
    sizes[33] = 4; // a 4-byte long
    EXPECT_EQ(refusalOf(sizes, d), "written on a machine with other number sizes");

    EXPECT_EQ(refusalOf(std::string(), d), "ends too early");
    EXPECT_EQ(refusalOf(good + "x", d), "1 unexpected bytes after the saved record");
}

TEST(ArchiveRefusal, EveryCutOfAnArchiveIsRefused)
{
    SimData d;
    d.spareSeries1 = {1, 2, 3};
    const std::string bytes = saveArchive(d);
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        SimData back;
        const std::string reason = refusalOf(bytes.substr(0, n), back);
        EXPECT_NE(reason, "accepted") << "cut at " << n;
    }
}

TEST(ArchiveRefusal, CountsLargerThanTheInputAreRefusedBeforeAllocating)
{
    // The genome's value count, the movement count and the food count, each
    // set to a huge value and to one more than the bytes could hold.
    Agent a;
    a.initialize(testRandom());
    const std::string agent = saveArchive(a);
    for (std::size_t at : {std::size_t(108), std::size_t(4283)}) {
        for (std::uint64_t count : {std::uint64_t(1) << 60, std::uint64_t(agent.size())}) {
            std::string bytes = agent;
            putRaw<std::uint64_t>(bytes, at, count);
            Agent b;
            b.initialize(testRandom());
            EXPECT_NE(refusalOf(bytes, b).find("is larger than the file"), std::string::npos)
                << "count at " << at;
        }
    }

    AimPointHander store;
    store.foods.resize(3);
    std::string foods = saveArchive(store);
    putRaw<std::uint64_t>(foods, kHeader + 5 + 8 + 5, std::uint64_t(1) << 62);
    AimPointHander back;
    EXPECT_NE(refusalOf(foods, back).find("is larger than the file"), std::string::npos);

    SimData d;
    std::string config = saveArchive(d);
    putRaw<std::uint64_t>(config, 89, 5); // five values, none present
    EXPECT_NE(refusalOf(config, d).find("is larger than the file"), std::string::npos);
}
