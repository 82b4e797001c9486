#include "creature/body_shape.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "creature/body_part.h"

namespace {

double range(int row)
{
    return geneParams[row].max - geneParams[row].min;
}

// |a - b| over the row's range.
double scaled(double a, double b, int row)
{
    return std::fabs(a - b) / range(row);
}

struct Layout {
    std::vector<BodyPart> parts = std::vector<BodyPart>(kGeneParts);
    std::vector<BodyJoint> joints = std::vector<BodyJoint>(kGeneJoints);
    explicit Layout(const Gene& g)
    {
        layoutParts(g, kHeadingPart, parts);
        layoutJoints(g, parts, joints);
    }
};

// Holds every joint at its rest target with the motor law the simulation
// uses.
void holdRestPose(const std::vector<BodyJoint>& joints, const Gene& g)
{
    const int targets = g.start(JOINT_TARGET);
    const int gains = g.start(JOINT_GAIN);
    for (int i = 0; i < static_cast<int>(joints.size()); ++i) {
        const BodyJoint& j = joints[i];
        if (!j.exists)
            continue;
        driveJoint(j, g.values[targets + i], g.values[gains + i]);
    }
}

// Steps of the rest measure: three simulated seconds, in which a body falls
// from its start and settles into its rest pose.
constexpr int kRestSteps = 100;

// A world of one body and the ground.
struct RestWorld {
    static constexpr double kStep = 0.03;
    static constexpr int kMaxContacts = 4;
    dWorldID world = dWorldCreate();
    dSpaceID space = dSimpleSpaceCreate(nullptr);
    dGeomID ground = dCreatePlane(space, 0, 0, 1, 0);
    dJointGroupID contacts = dJointGroupCreate(0);

    RestWorld()
    {
        dWorldSetGravity(world, 0, 0, -9.8);
        dWorldSetQuickStepNumIterations(world, 10);
        dWorldSetERP(world, (kStep * 200) / (kStep * 200 + 50));
        dWorldSetCFM(world, 1 / (kStep * 200 + 50));
    }
    ~RestWorld()
    {
        dJointGroupDestroy(contacts);
        dSpaceDestroy(space); // destroys the geoms in it
        dWorldDestroy(world); // destroys the bodies and joints
    }
    RestWorld(const RestWorld&) = delete;
    RestWorld& operator=(const RestWorld&) = delete;

    // Contacts of the parts with the ground only.
    static void near(void* data, dGeomID a, dGeomID b)
    {
        RestWorld& w = *static_cast<RestWorld*>(data);
        if (a != w.ground && b != w.ground)
            return;
        dContact c[kMaxContacts];
        const int n = dCollide(a, b, kMaxContacts, &c[0].geom, sizeof(dContact));
        for (int i = 0; i < n; ++i) {
            c[i].surface.mode = dContactSoftERP | dContactSoftCFM | dContactApprox1;
            c[i].surface.mu = 5.0;
            c[i].surface.soft_erp = 0.8;
            c[i].surface.soft_cfm = 1e-5;
            const dJointID j = dJointCreateContact(w.world, w.contacts, &c[i]);
            dJointAttach(j, dGeomGetBody(c[i].geom.g1), dGeomGetBody(c[i].geom.g2));
        }
    }

    void step()
    {
        dSpaceCollide(space, this, &RestWorld::near);
        dWorldQuickStep(world, kStep);
        dJointGroupEmpty(contacts);
    }
};

// Both ends of a capsule part, in the world.
void capsuleEnds(const BodyPart& p, double ends[2][3])
{
    const dReal* c = dBodyGetPosition(p.body);
    const dReal* R = dBodyGetRotation(p.body);
    const double h = p.length / 2;
    for (int k = 0; k < 3; ++k) {
        ends[0][k] = c[k] + R[4 * k + 2] * h;
        ends[1][k] = c[k] - R[4 * k + 2] * h;
    }
}

} // namespace

BodyShape bodyShape(const Gene& g)
{
    const Layout layout(g);
    BodyShape s;
    s.scale = g[BODY_SCALE];
    s.rScale = g[BODY_R_SCALE];
    s.parts.resize(layout.parts.size());
    for (std::size_t i = 0; i < layout.parts.size(); ++i) {
        s.parts[i].exists = layout.parts[i].exists;
        s.parts[i].length = g.at(PART_LENGTH, static_cast<int>(i));
        s.parts[i].radius = g.at(PART_RADIUS, static_cast<int>(i));
    }
    s.joints.resize(layout.joints.size());
    for (std::size_t i = 0; i < layout.joints.size(); ++i) {
        const BodyJoint& j = layout.joints[i];
        BodyShape::Joint& out = s.joints[i];
        out.exists = j.exists;
        out.parentPart = j.parentPart;
        out.parentFace = j.parentFace;
        out.childFace = j.childFace;
        out.tiltedAxis = j.axis[1] != 0.0;
        out.restTarget = g.at(JOINT_TARGET, static_cast<int>(i));
        out.restGain = g.at(JOINT_GAIN, static_cast<int>(i));
    }
    return s;
}

double bodyDistance(const BodyShape& a, const BodyShape& b)
{
    double d = scaled(a.scale, b.scale, BODY_SCALE) + scaled(a.rScale, b.rScale, BODY_R_SCALE);
    const std::size_t parts = std::min(a.parts.size(), b.parts.size());
    for (std::size_t i = 0; i < parts; ++i) {
        const BodyShape::Part& p = a.parts[i];
        const BodyShape::Part& q = b.parts[i];
        if (p.exists != q.exists)
            d += 1.0;
        else if (p.exists)
            d += scaled(p.length, q.length, PART_LENGTH) + scaled(p.radius, q.radius, PART_RADIUS);
    }
    const std::size_t joints = std::min(a.joints.size(), b.joints.size());
    for (std::size_t i = 0; i < joints; ++i) {
        const BodyShape::Joint& j = a.joints[i];
        const BodyShape::Joint& k = b.joints[i];
        if (!j.exists || !k.exists)
            continue;
        if (j.parentPart != k.parentPart || j.parentFace != k.parentFace ||
            j.childFace != k.childFace)
            d += 1.0;
        if (j.tiltedAxis != k.tiltedAxis)
            d += 1.0;
        d += scaled(j.restTarget, k.restTarget, JOINT_TARGET) +
             scaled(j.restGain, k.restGain, JOINT_GAIN);
    }
    return d;
}

BodyMeasures measureBody(const Gene& g)
{
    Layout layout(g);
    BodyMeasures m;
    for (const BodyPart& p : layout.parts)
        if (p.exists)
            ++m.parts;
    for (const BodyJoint& j : layout.joints)
        if (j.exists)
            ++m.joints;

    // The solver draws from the engine's generator: the measure starts it
    // from the same state every time, so a body measures the same whatever
    // ran before, and hands the state back, so the world the creature lives
    // in never sees those draws.
    const unsigned long seed = dRandGetSeed();
    dRandSetSeed(0);
    RestWorld w;
    buildParts(w.world, w.space, layout.parts);
    buildJoints(w.world, layout.joints, layout.parts);
    for (BodyPart& p : layout.parts) {
        if (!p.exists)
            continue;
        m.limbLength += p.length;
        m.mass += p.mass;
        dBodySetPosition(p.body, 0, 0, 1.5);
    }
    // The parts spring apart into their jointed pose, fall and settle.
    for (int i = 0; i < kRestSteps; ++i) {
        holdRestPose(layout.joints, g);
        w.step();
    }

    std::vector<std::array<double, 3>> ends;
    std::vector<double> radii;
    double top = 0.0;
    for (const BodyPart& p : layout.parts) {
        if (!p.exists)
            continue;
        double e[2][3];
        capsuleEnds(p, e);
        for (auto& end : e) {
            ends.push_back({end[0], end[1], end[2]});
            radii.push_back(p.radius);
            top = std::max(top, end[2] + p.radius);
        }
    }
    for (std::size_t i = 0; i < ends.size(); ++i)
        for (std::size_t k = i; k < ends.size(); ++k) {
            const double dx = ends[i][0] - ends[k][0];
            const double dy = ends[i][1] - ends[k][1];
            m.span = std::max(m.span, std::sqrt(dx * dx + dy * dy) + radii[i] + radii[k]);
        }
    m.height = top;
    dRandSetSeed(seed);
    if (!std::isfinite(m.span) || !std::isfinite(m.height))
        m.span = m.height = 0.0;
    return m;
}
