// Saving the selected creature and loading it into a running simulation.
#include <gtest/gtest.h>

#include <cmath>

#include <array>
#include <iterator>

#include "persist/creature_save.h"
#include "persist/positions.h"
#include "persist_support.h"

namespace {

using persist_test::exists;
using persist_test::fingerprint;
using persist_test::firstDifference;
using persist_test::folderContents;
using persist_test::readBytes;
using persist_test::writeBytes;

class CreatureSave : public PersistTest {};

} // namespace

TEST_F(CreatureSave, NothingSelectedSavesNothing)
{
    w().view.selectedAgent = nullptr;
    EXPECT_EQ(failureOf([&] { saveCreature(w().sim, w().view.selectedAgent, "saveDataOneCreature1"); }),
              "Select a Creature!\nnot saved");
    EXPECT_FALSE(exists("saveDataOneCreature1"));
    EXPECT_TRUE(persist_test::entriesStartingWith("saveDataOneCreature1").empty());
}

TEST_F(CreatureSave, LoadedCreatureJoinsUnderTheCameraTargetInItsSavedPosture)
{
    scene->step(300);
    Agent& chosen = *std::next(w().sim.population.begin(), 3);
    w().view.selectedAgent = &chosen;
    EXPECT_TRUE(saveCreature(w().sim, w().view.selectedAgent, "saveDataOneCreature2"));
    EXPECT_EQ(folderContents("saveDataOneCreature2").size(), 3u); // with the manifest
    EXPECT_EQ(readBytes("saveDataOneCreature2/posAgent.dat").size(),
              static_cast<std::size_t>(existingParts(chosen)) * 104);

    // Saved: the genome, the id, the temperature and each part's offset from
    // the centre, its height and its rotation.
    const std::vector<double> gene = chosen.gene.values;
    const int id = chosen.creatureId;
    const double temperature = chosen.temperature * chosen.gene[YAKINAMASI];
    const std::size_t moves = chosen.learning.moves.size();
    std::vector<std::array<double, 12>> offsets;
    for (const auto& p : chosen.parts) {
        if (!p.exists)
            continue;
        const dReal* pos = dBodyGetPosition(p.body);
        const dReal* R = dBodyGetRotation(p.body);
        offsets.push_back({pos[0] - chosen.centre.x, pos[1] - chosen.centre.y, pos[2], R[0], R[1],
                           R[2], R[4], R[5], R[6], R[8], R[9], R[10]});
    }

    scene->step(20);
    w().view.mainCamera.target[0] = -12.5f;
    w().view.mainCamera.target[1] = 30.25f;
    const std::size_t before = w().sim.population.size();
    const int idBefore = w().sim.nextCreatureId;
    EXPECT_TRUE(loadCreature(w().sim, w().settings, "saveDataOneCreature2", underCamera(w())));
    ASSERT_EQ(w().sim.population.size(), before + 1);
    EXPECT_EQ(w().sim.nextCreatureId, idBefore + 1);

    const Agent& b = w().sim.population.back();
    EXPECT_EQ(b.gene.values, gene);
    // A new id of this world; the old one is noted in the family tree.
    EXPECT_EQ(b.creatureId, idBefore);
    ASSERT_NE(w().sim.family.find(b.creatureId), nullptr);
    EXPECT_EQ(w().sim.family.find(b.creatureId)->formerId, id);
    EXPECT_EQ(w().sim.family.find(b.creatureId)->origin, FamilyMember::Loaded);
    EXPECT_EQ(b.temperature, temperature);
    EXPECT_EQ(b.learning.moves.size(), moves);
    EXPECT_EQ(b.environment, &w().sim.environment);
    EXPECT_EQ(b.centre.x, -12.5);
    EXPECT_EQ(b.centre.y, 30.25);
    EXPECT_EQ(b.centre.z, 0.25);
    std::size_t k = 0;
    for (const auto& p : b.parts) {
        if (!p.exists)
            continue;
        ASSERT_LT(k, offsets.size());
        const auto& o = offsets[k++];
        const dReal* pos = dBodyGetPosition(p.body);
        EXPECT_NEAR(pos[0], -12.5 + o[0], 1e-9);
        EXPECT_NEAR(pos[1], 30.25 + o[1], 1e-9);
        EXPECT_NEAR(pos[2], o[2], 1e-9);
        const dReal* R = dBodyGetRotation(p.body);
        const double want[9] = {o[3], o[4], o[5], o[6], o[7], o[8], o[9], o[10], o[11]};
        const double got[9] = {R[0], R[1], R[2], R[4], R[5], R[6], R[8], R[9], R[10]};
        for (int i = 0; i < 9; ++i)
            EXPECT_NEAR(got[i], want[i], 1e-12);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(dBodyGetLinearVel(p.body)[i], 0.0);
            EXPECT_EQ(dBodyGetAngularVel(p.body)[i], 0.0);
        }
    }
    EXPECT_EQ(k, offsets.size());

    // It lives on with the others, and the move to its new place is not
    // scored as a step forward (some 30 m in one cycle).
    const long long scored = b.scoredCycles;
    scene->step(400);
    EXPECT_GE(b.scoredCycles, scored + 2);
    for (double p : b.recentProgress)
        EXPECT_LT(std::abs(p), 5.0);
}

TEST_F(CreatureSave, FailedLoadsLeaveThePopulationAsItWas)
{
    scene->step(30);
    w().view.selectedAgent = &w().sim.population.front();
    saveCreature(w().sim, w().view.selectedAgent, "saveDataOneCreature1");
    const auto before = fingerprint(w());
    const std::size_t size = w().sim.population.size();

    EXPECT_EQ(failureOf([&] { loadCreature(w().sim, w().settings, "saveDataOneCreature4", underCamera(w())); }),
              "cannot open:saveDataOneCreature4/agent.dat");
    EXPECT_EQ(w().sim.population.size(), size);
    EXPECT_EQ(firstDifference(before, fingerprint(w())), -1);

    // A position file with one entry too few for the creature.
    persist_test::copyFolder("saveDataOneCreature1", "saveDataOneCreature3");
    const std::string poses = readBytes("saveDataOneCreature3/posAgent.dat");
    writeBytes("saveDataOneCreature3/posAgent.dat", poses.substr(0, poses.size() - 104));
    std::filesystem::remove("saveDataOneCreature3/SHA256SUMS");
    const std::string text = failureOf([&] { loadCreature(w().sim, w().settings, "saveDataOneCreature3", underCamera(w())); });
    EXPECT_EQ(text.rfind("damaged file:saveDataOneCreature3/posAgent.dat (holds ", 0), 0u) << text;
    EXPECT_EQ(firstDifference(before, fingerprint(w())), -1);

    // Saving over a folder that is a file fails without touching it.
    writeBytes("saveDataOneCreature2", "not a folder");
    EXPECT_EQ(failureOf([&] { saveCreature(w().sim, w().view.selectedAgent, "saveDataOneCreature2"); }),
              "cannot open:saveDataOneCreature2");
    EXPECT_EQ(readBytes("saveDataOneCreature2"), "not a folder");
}
