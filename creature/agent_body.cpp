// Building a creature's body from its genome: part and joint layout (with
// bridging over missing parts), ODE bodies, hinges and motors, placement.
#include <cmath>

#include "creature/agent.h"

namespace {

// Face index from a gene value: its integer part, kept within 0..5.
int faceFromValue(double v)
{
    if (!(v >= 0.0))
        return 0;
    if (v >= 5.0)
        return 5;
    return static_cast<int>(v);
}

// Parent part and default parent face of joint i in the fixed tree shape.
void treeShape(int i, int& parentPart, int& parentFace)
{
    switch (i % 9) {
    case 0:
        parentPart = i;
        parentFace = 0;
        break;
    case 1:
        parentPart = i - 1;
        parentFace = 1;
        break;
    case 2:
    case 3:
    case 4:
    case 5:
        parentPart = i - 1;
        parentFace = 4;
        break;
    case 6:
        parentPart = i - 9 + 3;
        parentFace = 4;
        break;
    default:
        parentPart = i;
        parentFace = 4;
        break;
    }
}

} // namespace

void layoutParts(const Gene& g, int headingPart, std::vector<BodyPart>& parts)
{
    for (int i = 0; i < static_cast<int>(parts.size()); ++i) {
        BodyPart& p = parts[i];
        const double x = (g.at(PART_LENGTH, i) - 0.2) / 0.8;
        p.length = (x * x * x * x * 0.8 + 0.2) * g[BODY_SCALE];
        p.radius = g.at(PART_RADIUS, i) * g[BODY_SCALE] * g[BODY_R_SCALE];
        p.shape = 1;
        p.exists = g.at(PART_PRESENCE, i) >= 1.0;
        p.hangJoint = -1;
    }
    parts[headingPart].exists = true;
    parts[0].exists = true;
}

void layoutJoints(const Gene& g, std::vector<BodyPart>& parts, std::vector<BodyJoint>& joints)
{
    const int n = static_cast<int>(joints.size());
    for (int i = 0; i < n; ++i) {
        BodyJoint& j = joints[i];
        j.exists = true;
        treeShape(i, j.parentPart, j.parentFace);
        j.childPart = i + 1;
        j.childFace = 5;
        if (g.at(PARENT_FACE_SWITCH, i) > 1.0)
            j.parentFace = faceFromValue(g.at(PARENT_FACE, i));
        if (g.at(CHILD_FACE_SWITCH, i) > 1.0)
            j.childFace = faceFromValue(g.at(CHILD_FACE, i));
        j.axis[0] = 1.0;
        j.axis[1] = 0.0;
        j.axis[2] = 0.0;
        const double hingeAxis = g.at(HINGE_AXIS, i);
        if (hingeAxis >= 1.0 && hingeAxis < 2.0)
            j.axis[1] = 1.0;
        parts[j.childPart].hangJoint = i;
        parts[j.childPart].parentIndex = j.parentPart;
    }

    // A missing part removes the joint it hangs from; existing parts take the
    // nearest existing ancestor as their parent.
    for (auto& part : parts) {
        if (!part.exists && part.hangJoint != -1)
            joints[part.hangJoint].exists = false;
        while (part.parentIndex != -1 && !parts[part.parentIndex].exists)
            part.parentIndex = parts[part.parentIndex].parentIndex;
    }

    // Bridging: a joint whose parent part is missing hangs where that part
    // hung, moving to a lower face while another joint occupies its face.
    for (int l = 0; l < n; ++l) {
        BodyJoint& jl = joints[l];
        while (!parts[jl.parentPart].exists) {
            const int e = parts[jl.parentPart].hangJoint;
            if (e == -1)
                break;
            joints[e].exists = false;
            jl.parentFace = joints[e].parentFace;
            jl.parentPart = joints[e].parentPart;
            for (int pass = 0; pass < 6; ++pass) {
                for (int m = 0; m < n; ++m) {
                    const BodyJoint& jm = joints[m];
                    if (m == l || !jm.exists)
                        continue;
                    if (jm.parentPart == jl.parentPart && jm.parentFace == jl.parentFace)
                        jl.parentFace = jl.parentFace == 0 ? 5 : jl.parentFace - 1;
                }
            }
        }
    }
}

void Agent::layoutParts()
{
    ::layoutParts(gene, headingPart(), parts);
}

void Agent::layoutJoints()
{
    ::layoutJoints(gene, parts, joints);
}

void Agent::createPartBodies()
{
    buildParts(world, space, parts);
    for (auto& p : parts) {
        if (!p.exists)
            continue;
        p.owner = this;
        dBodySetData(p.body, &p);
    }
}

void Agent::createJoints()
{
    buildJoints(world, joints, parts);
}

void Agent::placeBody(double x, double y, double z)
{
    for (auto& p : parts) {
        if (!p.exists)
            continue;
        dBodySetPosition(p.body, x, y, z);
        dBodySetLinearVel(p.body, 0, 0, 0);
        dBodySetAngularVel(p.body, 0, 0, 0);
    }
}

void Agent::buildBody(dWorldID newWorld, dSpaceID newSpace, Environment* newEnvironment)
{
    environment = newEnvironment;
    world = newWorld;
    space = newSpace;
    layoutParts();
    layoutJoints();
    createPartBodies();
    createJoints();
    placeBody(centre.x, centre.y, centre.z);
    cycleStartCentre = centre;
    cycleStartHeading = MY_VECTOR2{};
    currentMove = nullptr;
    credit = PendingCredit{};
    disturbed = false;
    if (!learning.moves.empty())
        workingGene = learning.moves.front().gene;
}
