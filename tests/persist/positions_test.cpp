// The position file in its two layouts: sizes, contents, restoring poses,
// and refusing files that do not fit the creatures.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <array>
#include <cmath>
#include <limits>

#include "support/creature_helpers.h"
#include "persist/folder_source.h"
#include "persist/positions.h"
#include "persist/save_folder.h"
#include "persist_support.h"

namespace {

using persist_test::getRaw;
using persist_test::putRaw;
using persist_test::readBytes;
using persist_test::writeBytes;

// The position file of a folder, written and read back as the savers and
// loaders do.
void savePositions(World& w, const std::string& folder)
{
    writeWholeFile(folder + "/" + kPositionFile, encodePositions(w.sim.population));
}

void loadPositions(World& w, const std::string& folder)
{
    int parts = 0;
    for (const auto& a : w.sim.population)
        parts += existingParts(a);
    applyPositions(w.sim.population,
                   readPositions(FolderSource(folder), parts, kWholeEntryDoubles));
}

void saveCreaturePositions(const std::string& folder, const Agent& a)
{
    writeWholeFile(folder + "/" + kPositionFile, encodeCreaturePositions(a));
}

void loadCreaturePositions(World& w, const std::string& folder, Agent& a)
{
    const std::vector<double> values =
        readPositions(FolderSource(folder), existingParts(a), kCreatureEntryDoubles);
    applyCreaturePositions(a, values, w.view.mainCamera.target[0], w.view.mainCamera.target[1]);
}

// Appends a creature built with exactly `existing` parts (part 0 and the
// heading part always exist; a presence value of at least 1 keeps another).
Agent& addCreatureWithParts(World& w, int existing, double x, double y)
{
    Agent& a = appendCreature(w.sim);
    a.initialize(w.sim.random);
    const int start = geneParams[PART_PRESENCE].start;
    int kept = 2;
    for (int i = 0; i < Agent::kParts; ++i) {
        bool keep = i == 0 || i == a.headingPart();
        if (!keep && kept < existing) {
            keep = true;
            ++kept;
        }
        a.gene.values[start + i] = keep ? 1.5 : 0.6;
    }
    a.centre = MY_VECTOR3{x, y, 3.0};
    a.buildBody(w.sim.world, w.sim.space, &w.sim.environment);
    return a;
}

class PositionFile : public PersistTest {
protected:
    void SetUp() override
    {
        PersistTest::SetUp();
        forgetAllCreatures(w().view);
        clearCreatures(w().sim);
        w().settings.minPopulation = 0; // no refill around the hand-made creatures
        ASSERT_EQ(::mkdir("pos", 0777), 0);
    }
};

} // namespace

TEST_F(PositionFile, WholeLayoutHoldsPoseOfEveryExistingPartAndRestoresIt)
{
    Agent& a = addCreatureWithParts(w(), 5, 0, 0);
    Agent& b = addCreatureWithParts(w(), 7, 8, -4);
    ASSERT_EQ(existingParts(a), 5);
    ASSERT_EQ(existingParts(b), 7);
    scene->step(40); // fallen and tumbling: rotations are no longer the identity

    savePositions(w(), "pos");
    const std::string bytes = readBytes("pos/posAgent.dat");
    ASSERT_EQ(bytes.size(), 1152u);
    std::size_t at = 0;
    std::vector<std::array<double, 12>> saved;
    for (Agent* c : {&a, &b}) {
        for (const auto& p : c->parts) {
            if (!p.exists)
                continue;
            const dReal* pos = dBodyGetPosition(p.body);
            const dReal* R = dBodyGetRotation(p.body);
            std::array<double, 12> e{};
            for (int i = 0; i < 3; ++i)
                e[i] = pos[i];
            for (int r = 0; r < 3; ++r)
                for (int k = 0; k < 3; ++k)
                    e[3 + r * 3 + k] = R[r * 4 + k];
            for (double v : e) {
                EXPECT_EQ(getRaw<double>(bytes, at), v) << "byte " << at;
                at += 8;
            }
            saved.push_back(e);
        }
    }

    scene->step(30);
    std::vector<std::array<double, 3>> velocities;
    for (Agent* c : {&a, &b})
        for (const auto& p : c->parts)
            if (p.exists) {
                const dReal* v = dBodyGetLinearVel(p.body);
                velocities.push_back({v[0], v[1], v[2]});
            }

    loadPositions(w(), "pos");
    std::size_t k = 0;
    for (Agent* c : {&a, &b}) {
        for (const auto& p : c->parts) {
            if (!p.exists)
                continue;
            const dReal* pos = dBodyGetPosition(p.body);
            const dReal* R = dBodyGetRotation(p.body);
            const dReal* v = dBodyGetLinearVel(p.body);
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ(pos[i], saved[k][i]);
                EXPECT_EQ(v[i], velocities[k][i]); // left as they were
            }
            for (int r = 0; r < 3; ++r)
                for (int j = 0; j < 3; ++j)
                    EXPECT_NEAR(R[r * 4 + j], saved[k][3 + r * 3 + j], 1e-12);
            ++k;
        }
    }
}

TEST_F(PositionFile, CreatureLayoutIsRelativeToTheCentreAndLandsUnderTheTarget)
{
    Agent& a = addCreatureWithParts(w(), 7, 40, -10);
    scene->step(40);
    const MY_VECTOR3 c = a.centre;

    saveCreaturePositions("pos", a);
    const std::string bytes = readBytes("pos/posAgent.dat");
    ASSERT_EQ(bytes.size(), 728u);
    std::vector<std::array<double, 13>> saved;
    std::size_t at = 0;
    for (const auto& p : a.parts) {
        if (!p.exists)
            continue;
        std::array<double, 13> e{};
        for (double& v : e) {
            v = getRaw<double>(bytes, at);
            at += 8;
        }
        EXPECT_EQ(e[0], c.z); // every 13th double is the centre's height
        const dReal* pos = dBodyGetPosition(p.body);
        EXPECT_EQ(e[1], pos[0] - c.x);
        EXPECT_EQ(e[2], pos[1] - c.y);
        EXPECT_EQ(e[3], pos[2] - c.z);
        EXPECT_EQ(e[4], dBodyGetRotation(p.body)[0]);
        saved.push_back(e);
    }

    w().view.mainCamera.target[0] = 1.5f;
    w().view.mainCamera.target[1] = -2.25f;
    scene->step(5);
    loadCreaturePositions(w(), "pos", a);
    std::size_t k = 0;
    for (const auto& p : a.parts) {
        if (!p.exists)
            continue;
        const auto& e = saved[k++];
        const dReal* pos = dBodyGetPosition(p.body);
        EXPECT_NEAR(pos[0], 1.5 + e[1], 1e-12);
        EXPECT_NEAR(pos[1], -2.25 + e[2], 1e-12);
        EXPECT_NEAR(pos[2], e[0] + e[3], 1e-12);
        const dReal* R = dBodyGetRotation(p.body);
        for (int r = 0; r < 3; ++r)
            for (int j = 0; j < 3; ++j)
                EXPECT_NEAR(R[r * 4 + j], e[4 + r * 3 + j], 1e-12);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(dBodyGetLinearVel(p.body)[i], 0.0);
            EXPECT_EQ(dBodyGetAngularVel(p.body)[i], 0.0);
        }
    }
}

TEST_F(PositionFile, FilesThatDoNotFitTheCreaturesMoveNothing)
{
    addCreatureWithParts(w(), 5, 0, 0);
    addCreatureWithParts(w(), 7, 8, -4);
    scene->step(10);
    savePositions(w(), "pos");
    const std::string good = readBytes("pos/posAgent.dat");
    scene->step(10);
    const auto before = persist_test::fingerprint(w());

    struct Case {
        const char* what;
        std::string bytes;
        const char* reason;
    };
    std::string nan = good;
    putRaw(nan, 96 * 3 + 8, std::numeric_limits<double>::quiet_NaN());
    std::string far = good;
    putRaw(far, 96 * 11, 1e300);
    std::string skew = good;
    putRaw(skew, 96 * 4 + 24, 2.0); // R00 of the fifth part
    const Case cases[] = {
        {"one double short", good.substr(0, good.size() - 8),
         "holds 1144 bytes where 12 body parts need 1152"},
        {"one entry more", good + good.substr(0, 96), "holds 1248 bytes"},
        {"a NaN position", nan, "entry 3 has a non-finite or far-off position"},
        {"a far-off position", far, "entry 11 has a non-finite or far-off position"},
        {"a matrix that is no rotation", skew, "entry 4 has no valid rotation"},
    };
    for (const auto& c : cases) {
        writeBytes("pos/posAgent.dat", c.bytes);
        const std::string text = failureOf([&] { loadPositions(w(), "pos"); });
        EXPECT_EQ(text.rfind("damaged file:pos/posAgent.dat (", 0), 0u) << c.what << ": " << text;
        EXPECT_NE(text.find(c.reason), std::string::npos) << c.what << ": " << text;
        EXPECT_EQ(persist_test::firstDifference(before, persist_test::fingerprint(w())), -1)
            << c.what;
    }

    ASSERT_EQ(::unlink("pos/posAgent.dat"), 0);
    EXPECT_EQ(failureOf([&] { loadPositions(w(), "pos"); }), "cannot open:pos/posAgent.dat");
    EXPECT_EQ(persist_test::firstDifference(before, persist_test::fingerprint(w())), -1);
}

TEST_F(PositionFile, EmptyPopulationGivesAnEmptyFileThatChangesNothing)
{
    savePositions(w(), "pos");
    EXPECT_EQ(readBytes("pos/posAgent.dat"), "");
    const auto before = persist_test::fingerprint(w());
    loadPositions(w(), "pos");
    EXPECT_EQ(persist_test::firstDifference(before, persist_test::fingerprint(w())), -1);
}
