// The family tree: who descends from whom, the lineage measures drawn from
// it, and the tree kept whole through a save and a load.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/random.h"
#include "ecology/family_tree.h"
#include "persist/save_all.h"
#include "support/creature_helpers.h"
#include "support/ode_fixture.h"

namespace {

// Records without bodies: enough for the tree.
Agent& creatureOf(Population& p, int id, int parentA = -1, int parentB = -1, int generation = 0)
{
    Agent& a = p.emplace_back();
    a.creatureId = id;
    a.parentIds[0] = parentA;
    a.parentIds[1] = parentB;
    a.generation = generation;
    return a;
}

TEST(FamilyTree, FoundersCommonAncestorsAndTheFileFollowBirthsAndDeaths)
{
    // Founders 0 and 1 (start-up), 2 (refill); 0's line: 3 = 0x1, 4 = 3x2,
    // 5 = 3x1; then 2 and 1 die.
    Population all;
    FamilyTree tree;
    Agent& f0 = creatureOf(all, 0);
    Agent& f1 = creatureOf(all, 1);
    tree.arrive(f0, 0, FamilyMember::StartUp);
    tree.arrive(f1, 0, FamilyMember::StartUp);
    Agent& f2 = creatureOf(all, 2);
    tree.arrive(f2, 5, FamilyMember::Refill);
    Agent& c3 = creatureOf(all, 3, 0, 1, 1);
    tree.born(c3, 10);
    Agent& c4 = creatureOf(all, 4, 3, 2, 2);
    tree.born(c4, 20);
    Agent& c5 = creatureOf(all, 5, 3, 1, 2);
    tree.born(c5, 30);
    EXPECT_EQ(tree.find(5)->founder, 0);
    EXPECT_EQ(tree.find(4)->founder, 0); // the initiating parent's line
    EXPECT_EQ(tree.find(2)->founder, 2);
    EXPECT_EQ(tree.largestId(), 5);

    // Who lives decides the measures.
    struct Case {
        std::vector<int> living;
        int founders;
        int ancestor; // -1: none
    };
    const Case cases[] = {
        {{4, 5}, 1, 3},      // siblings: their parent
        {{0, 4, 5}, 1, 0},   // with their founder alive: the founder
        {{4, 5, 2}, 2, -1},  // another founder's family alive: none
        {{5}, 1, 5},         // one alone is its own
        {{}, 0, -1},
    };
    for (const Case& c : cases) {
        Population living;
        for (int id : c.living)
            creatureOf(living, id);
        EXPECT_EQ(tree.livingFounders(living), c.founders) << c.living.size();
        const CommonAncestor a = tree.commonAncestor(living);
        EXPECT_EQ(a.found, c.ancestor >= 0);
        EXPECT_EQ(a.id, c.ancestor);
        if (a.found) {
            EXPECT_EQ(a.generation, tree.find(c.ancestor)->generation);
        }
    }

    c5.foodCount = 4;
    c5.scoredCycles = 10;
    c5.progressTotal = 2.5;
    c5.deathCause = Starved;
    tree.died(c5, 40);
    f2.deathCause = Fallen;
    tree.died(f2, 41);
    EXPECT_FALSE(tree.find(5)->alive());
    EXPECT_EQ(tree.find(5)->foods, 4);
    EXPECT_DOUBLE_EQ(tree.find(5)->meanProgress(), 0.25);
    EXPECT_EQ(tree.find(2)->cause, Fallen);

    // The file: back whole, and refused when it does not fit its save.
    Population living;
    creatureOf(living, 4);
    creatureOf(living, 0);
    std::vector<FamilyMember> back;
    std::string reason;
    ASSERT_TRUE(decodeFamily(encodeFamily(tree), living, 50, back, reason)) << reason;
    FamilyTree again;
    again.assign(back);
    EXPECT_EQ(encodeFamily(again), encodeFamily(tree));
    const std::string file = encodeFamily(tree);
    // Member 7 (a refill born at second 1) with one cell changed.
    auto member7 = [&file](std::size_t cell, const std::string& value) {
        std::vector<std::string> cells = {"7", "-1", "-1", "0", "1", "7", "-1", "-1", "1",
                                          "-1", "0", "10", "0", "0", "0", "0", "0", "0",
                                          "0", "0", "0", "0", "0", "-1", "-1"};
        cells[cell] = value;
        std::string row;
        for (const std::string& c : cells)
            row += (row.empty() ? "" : ",") + c;
        return file + row + "\n";
    };
    struct Bad {
        std::string text;
        const char* reason;
    };
    const Bad bad[] = {
        {"id,parent\n", "its first line is not the family header"},
        {file + "7,x\n", "row 8 holds a cell that is no number"},
        {file + "7,1,1\n", "row 8 is not a member (the wrong number of cells)"},
        // Ids the next creatures could not follow, negative counts, times
        // beyond the save's clock, a hue that would be saved as "inf".
        {member7(0, "2147483646"), "row 8 is not a member (an id outside 0 to 1000000000)"},
        {member7(12, "-1"), "row 8 is not a member (a value out of range)"},
        {member7(8, "51"), "row 8 is not a member (a birth or death outside the save's clock)"},
        {member7(11, "1e300"), "row 8 is not a member (a value out of range)"},
        {member7(5, "99"), "row 8 names founder 99, who is no member"},
        {file + file.substr(file.find('\n') + 1, file.find('\n', file.find('\n') + 1) - file.find('\n')),
         "row 8 repeats id 0"},
    };
    for (const Bad& b : bad) {
        EXPECT_FALSE(decodeFamily(b.text, living, 50, back, reason));
        EXPECT_EQ(reason, b.reason);
    }
    EXPECT_TRUE(decodeFamily(member7(0, "7"), living, 50, back, reason)) << reason;
    creatureOf(living, 5); // died in the tree: no living member
    EXPECT_FALSE(decodeFamily(file, living, 50, back, reason));
    EXPECT_EQ(reason, "creature 5 of the save is no living member");
}

TEST(FamilyTree, AFileOfFoundersBodiesIsReadBackOrRefusedWithItsRow)
{
    Gene g;
    Random random(5);
    g.randomize(kGenePhases, kGeneJoints, kGeneParts, random);
    const FounderBodies bodies{{3, bodyShape(g)}, {0, bodyShape(g)}};
    const std::string file = encodeFounderBodies(bodies);
    FounderBodies back;
    std::string reason;
    ASSERT_TRUE(decodeFounderBodies(file, 3, back, reason)) << reason;
    EXPECT_EQ(encodeFounderBodies(back), file);
    EXPECT_EQ(bodyDistance(back.at(3), bodies.at(3)), 0.0);
    const std::size_t rowStart = file.find('\n') + 1;
    const std::string firstRow = file.substr(rowStart, file.find('\n', rowStart) + 1 - rowStart);
    const std::string values = firstRow.substr(firstRow.find(','));
    const struct {
        std::string text;
        int largestId;
        const char* reason;
    } bad[] = {
        {"founder\n", 3, "not a file of founders' bodies"},
        {file, 2, "row 3: not a founder of this save"},
        {file + firstRow, 3, "row 4: not a founder of this save"},
        {file + "-1" + values, 3, "row 4: not a founder of this save"},
        {file + "1,1 2 3\n", 3, "row 4: not a body's values"},
        {file + "1" + values.substr(0, values.size() - 1) + " 7\n", 3, "row 4: not a body's values"},
        {file + "1,1e300" + values.substr(values.find(' ')), 3, "row 4: a value out of range"},
        {file + "1,nan" + values.substr(values.find(' ')), 3, "row 4: not a body's values"},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(b.reason);
        EXPECT_FALSE(decodeFounderBodies(b.text, b.largestId, back, reason));
        EXPECT_EQ(reason, b.reason);
    }
}

// A tree is refused when its next save would not load: short numbers in the
// file become every digit of a double or a float when saved again.
TEST(FamilyTree, ATreeWhoseNextSaveWouldBeTooLargeIsRefused)
{
    const std::string digits = ",-1,-1,0,1,0,-1,-1,.1,.1,0,.1,0,0,.1,0,.1,0,0,.1,.1,.1,.1,.1,.1\n";
    std::string file = encodeFamily(std::vector<FamilyMember>{});
    for (int id = 0; file.size() < kMaxFamilyFileBytes / 3; ++id)
        file += std::to_string(id) + digits;
    ASSERT_LT(file.size(), kMaxFamilyFileBytes);
    std::vector<FamilyMember> members;
    std::string reason;
    EXPECT_FALSE(decodeFamily(file, Population{}, 1.0, members, reason));
    EXPECT_EQ(reason.rfind("saved again it would take ", 0), 0u) << reason;
}

class FamilyTreeOfAWorld : public WorldTest {};

TEST_F(FamilyTreeOfAWorld, TheTreeComesBackWholeAfterASaveAndALoad)
{
    makeScene(2024, 12);
    w().settings.learningRule = LearningRuleId::Improved;
    scene->step(4000); // two minutes: births and deaths
    const std::string tree = encodeFamily(w().sim.family);
    const std::string founders = encodeFounderBodies(w().sim.family.founderBodies());
    EXPECT_GT(w().sim.family.members().size(), 12u);
    for (const Agent& a : w().sim.population)
        ASSERT_NE(w().sim.family.find(a.creatureId), nullptr);
    const std::string dir = ::testing::TempDir() + "family-save";
    std::filesystem::remove_all(dir);
    testing::internal::CaptureStdout();
    saveAll(w().sim, w().settings, dir);
    makeScene(7, 3);
    loadAll(w().sim, w().settings, dir);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(encodeFamily(w().sim.family), tree);
    // Every founder's body comes back, those of dead founders too, so their
    // lines' distances from them go on being measured.
    EXPECT_EQ(encodeFounderBodies(w().sim.family.founderBodies()), founders);
    // A creature born after the load takes an id no member has had.
    EXPECT_GT(w().sim.nextCreatureId, w().sim.family.largestId());
    std::filesystem::remove_all(dir);
}

} // namespace
