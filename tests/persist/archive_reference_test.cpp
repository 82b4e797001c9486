// Our container code writes the bytes the serialization library's own
// std::vector and std::list support writes, and each side reads the other's.
//
// This file serializes mirror records (same members, same order, default
// class traits) through the library's <boost/serialization/vector.hpp> and
// <list.hpp>. The mirrors are distinct types, so their instantiations cannot
// mix with those of the saved records in other translation units.
#include <gtest/gtest.h>

#include <boost/archive/binary_iarchive.hpp>
#include <boost/archive/binary_oarchive.hpp>
#include <boost/serialization/list.hpp>
#include <boost/serialization/vector.hpp>

#include <iterator>
#include <list>
#include <sstream>
#include <vector>

#include "support/creature_helpers.h"
#include "base/random.h"
#include "persist/archive_io.h"

namespace {

struct RVec3 {
    double x = 0, y = 0, z = 0;
};
struct RVec2 {
    double x = 0, y = 0;
};
struct RGene {
    std::vector<double> values;
    int phases = 0, joints = 0, parts = 0;
};
struct RIntention {
    int mode = 0;
};
struct RMove {
    RVec2 mean, meanSq;
    RGene gene;
    int count = 0;
    double angle = 0;
};
struct RStore {
    std::list<RMove> moves;
};
struct RAgent {
    int jointCount = 0;
    double energy = 0;
    int lifeState = 0;
    float dyingProgress = 0;
    RIntention intention;
    RVec3 centre;
    RGene gene;
    double age = 0;
    int creatureId = 0;
    double cycleStart = 0, score = 0;
    int matingCount = 0, foodCount = 0;
    double temperature = 0;
    int phase = 0, spare = 0;
    RVec3 cycleStartCentre;
    RVec2 cycleStartHeading;
    RStore learning;
};
struct RFood {
    RVec3 position;
};
struct RFoods {
    double timer = 0;
    std::vector<RFood> foods;
};
struct RSimData {
    double spareValue = 0;
    int foodInterval = 0, populationCount = 0, minPopulation = 0;
    double simulationTime = 0, wallHeight = 0, groundSize = 0;
    std::vector<double> spareSeries1, spareSeries2;
    unsigned char savedSerial = 0;
};

template <class A> void serialize(A& ar, RVec3& v, unsigned)
{
    ar& v.x& v.y& v.z;
}
template <class A> void serialize(A& ar, RVec2& v, unsigned)
{
    ar& v.x& v.y;
}
template <class A> void serialize(A& ar, RGene& g, unsigned)
{
    ar& g.values& g.phases& g.parts& g.joints;
}
template <class A> void serialize(A& ar, RIntention& i, unsigned)
{
    ar& i.mode;
}
template <class A> void serialize(A& ar, RMove& m, unsigned)
{
    ar& m.mean& m.meanSq& m.gene& m.count& m.angle;
}
template <class A> void serialize(A& ar, RStore& s, unsigned)
{
    ar& s.moves;
}
template <class A> void serialize(A& ar, RAgent& a, unsigned)
{
    ar& a.jointCount& a.energy& a.lifeState& a.dyingProgress& a.intention& a.centre& a.gene& a
        .age& a.creatureId& a.cycleStart& a.score& a.matingCount& a.foodCount& a.temperature& a
        .phase& a.spare& a.cycleStartCentre& a.cycleStartHeading& a.learning;
}
template <class A> void serialize(A& ar, RFood& f, unsigned)
{
    ar& f.position;
}
template <class A> void serialize(A& ar, RFoods& f, unsigned)
{
    ar& f.timer& f.foods;
}
template <class A> void serialize(A& ar, RSimData& d, unsigned)
{
    ar& d.spareValue& d.foodInterval& d.populationCount& d.minPopulation& d.simulationTime& d
        .wallHeight& d.groundSize& d.spareSeries1& d.spareSeries2& d.savedSerial;
}

RVec3 mirror(const MY_VECTOR3& v)
{
    return RVec3{v.x, v.y, v.z};
}
RGene mirror(const Gene& g)
{
    return RGene{g.values, g.phases, g.joints, g.parts};
}

RAgent mirror(const Agent& a)
{
    RAgent r;
    r.jointCount = a.jointCount;
    r.energy = a.energy;
    r.lifeState = a.lifeState;
    r.dyingProgress = a.dyingProgress;
    r.intention.mode = a.intention.mode;
    r.centre = mirror(a.centre);
    r.gene = mirror(a.gene);
    r.age = a.age;
    r.creatureId = a.creatureId;
    r.cycleStart = a.cycleStart;
    r.score = a.score;
    r.matingCount = a.matingCount;
    r.foodCount = a.foodCount;
    r.temperature = a.temperature;
    r.phase = a.phase;
    r.spare = a.spare;
    r.cycleStartCentre = mirror(a.cycleStartCentre);
    r.cycleStartHeading = RVec2{a.cycleStartHeading.x, a.cycleStartHeading.y};
    for (const auto& m : a.learning.moves)
        r.learning.moves.push_back(RMove{RVec2{m.meanX, m.meanY}, RVec2{m.meanSqX, m.meanSqY},
                                         mirror(m.gene), m.count, m.angle});
    return r;
}

RFoods mirror(const AimPointHander& f)
{
    RFoods r;
    r.timer = f.timer;
    for (const auto& food : f.foods)
        r.foods.push_back(RFood{mirror(food.position)});
    return r;
}

RSimData mirror(const SimData& d)
{
    return RSimData{d.spareValue,     d.foodInterval, d.populationCount, d.minPopulation,
                    d.simulationTime, d.wallHeight,   d.groundSize,      d.spareSeries1,
                    d.spareSeries2,   d.savedSerial};
}

template <class T> std::string librarySave(const T& record)
{
    std::ostringstream out(std::ios::binary);
    {
        boost::archive::binary_oarchive ar(out);
        ar << record;
    }
    return out.str();
}

template <class T> T libraryLoad(const std::string& bytes)
{
    std::istringstream in(bytes, std::ios::binary);
    boost::archive::binary_iarchive ar(in);
    T record;
    ar >> record;
    return record;
}

// A creature with a learnt movement store: some movements gone, others with
// statistics of their own.
void makeExperienced(Agent& a)
{
    a.initialize(testRandom());
    a.energy = 2.5;
    a.lifeState = Starved;
    a.dyingProgress = 0.5f;
    a.score = 7.25;
    for (int i = 0; i < 5; ++i)
        a.learning.moves.pop_front();
    int k = 0;
    for (auto& m : a.learning.moves) {
        m.count = k;
        m.meanSqX = 0.1 * k;
        m.meanSqY = -0.2 * k++;
    }
}

} // namespace

TEST(ArchiveReference, CreatureBytesEqualTheLibrarysContainerSerialization)
{
    testRandom().seed(99);
    Agent a;
    makeExperienced(a);
    const std::string ours = saveArchive(a);
    EXPECT_EQ(ours, librarySave(mirror(a)));

    // An empty movement store is the count alone with its item version.
    Agent empty;
    empty.initialize(testRandom());
    empty.learning.moves.clear();
    EXPECT_EQ(saveArchive(empty), librarySave(mirror(empty)));

    // The library reads our bytes back into the same values...
    const RAgent viaLibrary = libraryLoad<RAgent>(ours);
    EXPECT_EQ(librarySave(viaLibrary), ours);
    // ...and we read the library's.
    Agent back;
    back.initialize(testRandom());
    loadArchive(librarySave(mirror(a)), back);
    EXPECT_EQ(back.gene.values, a.gene.values);
    ASSERT_EQ(back.learning.moves.size(), a.learning.moves.size());
    auto m = back.learning.moves.begin();
    for (const auto& want : a.learning.moves) {
        EXPECT_EQ(m->gene.values, want.gene.values);
        EXPECT_EQ(m->count, want.count);
        EXPECT_EQ(m->meanSqY, want.meanSqY);
        ++m;
    }
    EXPECT_EQ(saveArchive(back), ours);
}

TEST(ArchiveReference, FoodsSimDataAndGenesEqualTheLibrarysBytes)
{
    testRandom().seed(5);
    for (int n : {0, 1, 3}) {
        AimPointHander foods;
        foods.timer = 0.75 * n;
        for (int i = 0; i < n; ++i)
            foods.foods.push_back(AimPoint{MY_VECTOR3{1.0 * i, -2.0 * i, 0.0}});
        const std::string ours = saveArchive(foods);
        EXPECT_EQ(ours, librarySave(mirror(foods))) << n << " foods";
        AimPointHander back;
        loadArchive(librarySave(mirror(foods)), back);
        ASSERT_EQ(back.foods.size(), foods.foods.size());
        for (int i = 0; i < n; ++i)
            EXPECT_EQ(back.foods[i].position.y, foods.foods[i].position.y);
    }

    SimData d;
    d.spareSeries2 = {3.0, 4.0, 5.0};
    d.populationCount = 12;
    EXPECT_EQ(saveArchive(d), librarySave(mirror(d)));
    d.spareSeries1 = {-1.0};
    d.spareSeries2.clear();
    EXPECT_EQ(saveArchive(d), librarySave(mirror(d)));
    SimData back;
    loadArchive(librarySave(mirror(d)), back);
    EXPECT_EQ(back.spareSeries1, d.spareSeries1);
    EXPECT_TRUE(back.spareSeries2.empty());

    Gene g;
    g.randomize(Agent::kPhases, Agent::kJoints, Agent::kParts, testRandom());
    EXPECT_EQ(saveArchive(g), librarySave(mirror(g)));
}
