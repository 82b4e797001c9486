// Body construction: the part and joint layout from crafted genes, the part
// builders, the joint anchors and axes, and the owner references of bodies.
#include <gtest/gtest.h>
#include <ode/ode.h>

#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "support/creature_helpers.h"
#include "creature/agent.h"
#include "support/ode_fixture.h"

namespace {

constexpr double kPi = 3.141592653589793;

void setGene(Agent& a, int row, int i, double v)
{
    a.gene.values[geneParams[row].start + i] = v;
}

// A newborn record whose gene keeps every part, the default faces and the
// hinge axis (1, 0, 0).
void plainGene(Agent& a)
{
    a.initialize(testRandom());
    for (int i = 0; i < Agent::kJoints; ++i) {
        setGene(a, PARENT_FACE_SWITCH, i, 0.0);
        setGene(a, CHILD_FACE_SWITCH, i, 0.0);
        setGene(a, HINGE_AXIS, i, 0.5);
    }
    for (int i = 0; i < Agent::kParts; ++i)
        setGene(a, PART_PRESENCE, i, 1.5);
}

void layout(Agent& a)
{
    a.layoutParts();
    a.layoutJoints();
}

int existingJoints(const Agent& a)
{
    int n = 0;
    for (const auto& j : a.joints)
        n += j.exists ? 1 : 0;
    return n;
}

double capsuleVolume(double length, double radius)
{
    return kPi * radius * radius * length + 4.0 / 3.0 * kPi * radius * radius * radius;
}

} // namespace

TEST(BodyLayout, FullGeneGivesThreeSegmentsOfTwoLegsAndASpine)
{
    Agent a;
    plainGene(a);
    layout(a);

    // child part -> (parent part, parent face), written from the segment
    // description: legs B,B+1,B+3,B+5 (face 0) and B,B+2,B+4,B+6 (face 1),
    // spine B,B+7,B+8,B+9; the last segment is only 27, 28, 29.
    std::map<int, std::pair<int, int>> expected;
    for (int B : {0, 9, 18}) {
        expected[B + 1] = {B, 0};
        expected[B + 3] = {B + 1, 4};
        expected[B + 5] = {B + 3, 4};
        expected[B + 2] = {B, 1};
        expected[B + 4] = {B + 2, 4};
        expected[B + 6] = {B + 4, 4};
        expected[B + 7] = {B, 4};
        expected[B + 8] = {B + 7, 4};
        expected[B + 9] = {B + 8, 4};
    }
    expected[28] = {27, 0};
    expected[29] = {27, 1};
    ASSERT_EQ(expected.size(), 29u);

    EXPECT_EQ(existingJoints(a), 29);
    for (const auto& j : a.joints) {
        ASSERT_TRUE(expected.count(j.childPart)) << j.childPart;
        EXPECT_EQ(j.parentPart, expected[j.childPart].first) << "child " << j.childPart;
        EXPECT_EQ(j.parentFace, expected[j.childPart].second) << "child " << j.childPart;
        EXPECT_EQ(j.childFace, 5);
        EXPECT_EQ(a.parts[j.childPart].parentIndex, j.parentPart);
        EXPECT_EQ(a.parts[j.childPart].hangJoint, j.childPart - 1);
    }
    EXPECT_EQ(a.parts[0].parentIndex, -1);
    EXPECT_EQ(a.parts[0].hangJoint, -1);
}

TEST(BodyLayout, NoPresentPartsLeaveRootAndHeadingPartJoinedAtFaceFour)
{
    Agent a;
    plainGene(a);
    for (int i = 0; i < Agent::kParts; ++i)
        setGene(a, PART_PRESENCE, i, 0.999);
    layout(a);

    for (int i = 0; i < Agent::kParts; ++i)
        EXPECT_EQ(a.parts[i].exists, i == 0 || i == 27) << "part " << i;
    for (int i = 0; i < Agent::kJoints; ++i)
        EXPECT_EQ(a.joints[i].exists, i == 26) << "joint " << i;
    EXPECT_EQ(a.joints[26].parentPart, 0);
    EXPECT_EQ(a.joints[26].childPart, 27);
    EXPECT_EQ(a.joints[26].parentFace, 4);
    EXPECT_EQ(a.parts[27].parentIndex, 0);
}

TEST(BodyLayout, MissingLegPartIsBridgedFromItsParent)
{
    for (int k = 0; k < 3; ++k) {
        const int B = 9 * k;
        Agent a;
        plainGene(a);
        setGene(a, PART_PRESENCE, B + 3, 0.5);
        layout(a);

        EXPECT_FALSE(a.parts[B + 3].exists);
        EXPECT_FALSE(a.joints[9 * k + 2].exists);
        const BodyJoint& j = a.joints[9 * k + 4];
        EXPECT_TRUE(j.exists);
        EXPECT_EQ(j.parentPart, B + 1);
        EXPECT_EQ(j.childPart, B + 5);
        EXPECT_EQ(j.parentFace, 4);
        EXPECT_EQ(a.parts[B + 5].parentIndex, B + 1);
        EXPECT_EQ(existingJoints(a), 28) << "segment " << k;
    }
}

TEST(BodyLayout, BridgedJointMovesOffOccupiedFaces)
{
    // A layout with one missing part and some joints moved to given faces.
    struct Setup {
        int missingPart;
        std::vector<std::pair<int, double>> parentFaces; // joint, PARENT_FACE value
    };
    auto laidOut = [](Agent& a, const Setup& s) {
        plainGene(a);
        setGene(a, PART_PRESENCE, s.missingPart, 0.5);
        for (const auto& [joint, value] : s.parentFaces) {
            setGene(a, PARENT_FACE_SWITCH, joint, 1.05);
            setGene(a, PARENT_FACE, joint, value);
        }
        layout(a);
    };
    Agent a;
    // Part 1 missing: joint 2 takes joint 0's place (part 0, face 0), which
    // joint 1 also uses: 0 wraps to 5.
    laidOut(a, {1, {{1, 0.5}}});
    EXPECT_FALSE(a.joints[0].exists);
    EXPECT_EQ(a.joints[2].parentPart, 0);
    EXPECT_EQ(a.joints[2].parentFace, 5);
    // ... and with joint 6 at face 5, on down to 4.
    laidOut(a, {1, {{1, 0.5}, {6, 5.5}}});
    EXPECT_EQ(a.joints[2].parentFace, 4);
    // Part 7 missing: joint 7 takes joint 6's place (part 0, face 4). Joint 1
    // sits at 4 and joint 0 at 3: the first pass meets joint 1 (4 -> 3), only
    // a second pass meets joint 0 (3 -> 2).
    laidOut(a, {7, {{0, 3.2}, {1, 4.9}}});
    EXPECT_FALSE(a.joints[6].exists);
    EXPECT_EQ(a.joints[7].parentPart, 0);
    EXPECT_EQ(a.joints[7].parentFace, 2);
    EXPECT_EQ(a.joints[0].parentFace, 3);
    EXPECT_EQ(a.joints[1].parentFace, 4);
}

TEST(BodyLayout, FacesAxesAndSizesComeFromTheGene)
{
    Agent a;
    plainGene(a);
    const double axisValues[] = {0.5, 0.999, 1.0, 1.5, 1.998};
    for (int i = 0; i < 5; ++i)
        setGene(a, HINGE_AXIS, 10 + i, axisValues[i]);
    setGene(a, PARENT_FACE_SWITCH, 3, 1.0); // switches act strictly above 1.0
    setGene(a, PARENT_FACE, 3, 2.5);
    setGene(a, PARENT_FACE_SWITCH, 4, 1.01);
    setGene(a, PARENT_FACE, 4, 2.99);
    setGene(a, CHILD_FACE_SWITCH, 8, 1.1);
    setGene(a, CHILD_FACE, 8, 0.0);
    setGene(a, BODY_SCALE, 0, 1.2);
    setGene(a, BODY_R_SCALE, 0, 2.0);
    setGene(a, PART_LENGTH, 4, 0.6); // x = 0.5, x^4 = 0.0625
    setGene(a, PART_RADIUS, 4, 0.08);
    setGene(a, PART_LENGTH, 5, 1.0);
    layout(a);

    EXPECT_EQ(a.joints[3].parentFace, 4);
    EXPECT_EQ(a.joints[4].parentFace, 2);
    EXPECT_EQ(a.joints[8].childFace, 0);
    for (int i = 0; i < 5; ++i) {
        const double* axis = a.joints[10 + i].axis;
        EXPECT_EQ(axis[0], 1.0);
        EXPECT_EQ(axis[1], axisValues[i] >= 1.0 ? 1.0 : 0.0) << axisValues[i];
        EXPECT_EQ(axis[2], 0.0);
    }
    EXPECT_NEAR(a.parts[4].length, (0.0625 * 0.8 + 0.2) * 1.2, 1e-12);
    EXPECT_NEAR(a.parts[4].radius, 0.08 * 1.2 * 2.0, 1e-12);
    EXPECT_NEAR(a.parts[5].length, 1.2, 1e-12);
}

using BodyBuild = WorldTest;

TEST_F(BodyBuild, PartBuildersGiveVolumeMassAndShapes)
{
    std::vector<BodyPart> parts(2);
    parts[0].length = 0.2;
    parts[0].radius = 0.1;
    buildPart(w().sim.world, w().sim.space, parts[0]);
    EXPECT_NEAR(parts[0].mass, 0.0104719755, 1e-10);
    const double sides[3] = {1.0, 2.0, 3.0};
    makeBox(w().sim.world, w().sim.space, parts[1], sides, 7.0);

    const double masses[2] = {capsuleVolume(0.2, 0.1), 7.0};
    for (int i = 0; i < 2; ++i) {
        dMass m;
        dBodyGetMass(parts[i].body, &m);
        EXPECT_NEAR(m.mass, masses[i], 1e-12);
        EXPECT_EQ(dGeomGetBody(parts[i].geom), parts[i].body);
    }
    dReal r, len;
    dGeomCapsuleGetParams(parts[0].geom, &r, &len);
    EXPECT_EQ(r, 0.1);
    EXPECT_EQ(len, 0.2);
    dVector3 got;
    dGeomBoxGetLengths(parts[1].geom, got);
    EXPECT_TRUE(got[0] == 1.0 && got[1] == 2.0 && got[2] == 3.0);
    destroyParts(parts);
    EXPECT_EQ(parts[1].body, nullptr);
}

TEST_F(BodyBuild, JointAnchorsSitOnTheChosenFaces)
{
    // Expected anchor in a part's own frame: faces 2-5 point at the anchor,
    // for faces 0 and 1 it falls on the opposite side of the x axis.
    auto expectedAnchor = [](int face, const BodyPart& p, double out[3]) {
        double reach = p.radius + 0.000005 + (face >= 4 ? 0.5 * p.length : 0.0);
        const double sign = face <= 1 ? -1.0 : 1.0;
        for (int k = 0; k < 3; ++k)
            out[k] = sign * reach * faceDirections[face][k];
    };
    for (int pf = 0; pf < 6; ++pf) {
        for (int cf = 0; cf < 6; ++cf) {
            std::vector<BodyPart> parts(2);
            makeCapsule(w().sim.world, w().sim.space, parts[0], 0.4, 0.1, 1.0);
            makeCapsule(w().sim.world, w().sim.space, parts[1], 0.6, 0.15, 1.0);
            BodyJoint j;
            j.exists = true;
            j.parentPart = 0;
            j.childPart = 1;
            j.parentFace = pf;
            j.childFace = cf;
            j.axis[1] = 1.0;
            buildJoint(w().sim.world, j, parts);

            EXPECT_GT(dBodyGetPosition(parts[0].body)[0], 0.0);
            EXPECT_LT(dBodyGetPosition(parts[1].body)[0], 0.0);
            dVector3 anchor, anchor2, axis;
            dJointGetHingeAnchor(j.hinge, anchor);
            dJointGetHingeAnchor2(j.hinge, anchor2);
            for (int k = 0; k < 3; ++k) {
                EXPECT_NEAR(anchor[k], 0.0, 1e-12);
                EXPECT_NEAR(anchor2[k], 0.0, 1e-12);
            }
            for (int side = 0; side < 2; ++side) {
                const int face = side == 0 ? pf : cf;
                double want[3];
                expectedAnchor(face, parts[side], want);
                dVector3 local;
                dBodyGetPosRelPoint(parts[side].body, 0, 0, 0, local);
                for (int k = 0; k < 3; ++k)
                    EXPECT_NEAR(local[k], want[k], 1e-12)
                        << "side " << side << " faces " << pf << "," << cf << " k " << k;
            }
            dJointGetHingeAxis(j.hinge, axis);
            EXPECT_NEAR(axis[0], std::sqrt(0.5), 1e-12);
            EXPECT_NEAR(axis[1], std::sqrt(0.5), 1e-12);
            EXPECT_EQ(dJointGetHingeParam(j.hinge, dParamHiStop), 1.427996660722633);
            EXPECT_EQ(dJointGetBody(j.motor, 1), parts[1].body);
            dJointDestroy(j.motor);
            dJointDestroy(j.hinge);
            destroyParts(parts);
        }
    }
}

TEST_F(BodyBuild, BuiltCreaturesCarryMassesOwnersAndJoints)
{
    ASSERT_EQ(w().sim.population.size(), 10u);
    for (Agent& a : w().sim.population) {
        for (BodyPart& p : a.parts) {
            if (!p.exists) {
                EXPECT_EQ(p.body, nullptr);
                EXPECT_EQ(p.geom, nullptr);
                continue;
            }
            EXPECT_NEAR(p.mass, capsuleVolume(p.length, p.radius), 1e-14);
            dMass m;
            dBodyGetMass(p.body, &m);
            EXPECT_NEAR(m.mass, p.mass, 1e-14);
            auto* data = static_cast<BodyPart*>(dBodyGetData(p.body));
            EXPECT_EQ(data, &p);
            ASSERT_NE(data, nullptr);
            EXPECT_EQ(data->owner, &a);
        }
        for (const BodyJoint& j : a.joints) {
            EXPECT_EQ(j.exists, j.hinge != nullptr);
            if (!j.exists)
                continue;
            EXPECT_TRUE(a.parts[j.parentPart].exists);
            EXPECT_TRUE(a.parts[j.childPart].exists);
            EXPECT_EQ(dJointGetBody(j.hinge, 0), a.parts[j.parentPart].body);
            EXPECT_EQ(dJointGetBody(j.hinge, 1), a.parts[j.childPart].body);
        }
        // Every existing part but the root hangs from exactly one joint.
        int parts = 0;
        for (const BodyPart& p : a.parts)
            parts += p.exists ? 1 : 0;
        EXPECT_EQ(existingJoints(a), parts - 1);
    }
    for (const BodyPart& block : w().sim.walls.blocks)
        EXPECT_EQ(dBodyGetData(block.body), nullptr);
}

TEST_F(BodyBuild, MinimalCreatureIsBuiltAtItsCentre)
{
    Agent a;
    plainGene(a);
    for (int i = 0; i < Agent::kParts; ++i)
        setGene(a, PART_PRESENCE, i, 0.5);
    a.centre = MY_VECTOR3{5.0, -4.0, 3.0};
    a.disturbed = true;
    a.buildBody(w().sim.world, w().sim.space, &w().sim.environment);

    for (int i : {0, 27}) {
        const dReal* pos = dBodyGetPosition(a.parts[i].body);
        EXPECT_TRUE(pos[0] == 5.0 && pos[1] == -4.0 && pos[2] == 3.0) << i;
    }
    EXPECT_TRUE(dAreConnected(a.parts[0].body, a.parts[27].body));
    EXPECT_EQ(dBodyGetNumJoints(a.parts[0].body), 2); // hinge and motor
    EXPECT_FALSE(a.disturbed);
    ASSERT_FALSE(a.learning.moves.empty());
    EXPECT_EQ(a.workingGene.values, a.learning.moves.front().gene.values);
}
