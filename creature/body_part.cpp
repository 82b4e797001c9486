#include "creature/body_part.h"

#include <cmath>

const double faceDirections[6][3] = {
    {1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1},
};

namespace {

constexpr double kPi = 3.141592653589793;

// Turns the part so that side d points along face f, and puts it on the d side
// of the origin at the reach of that face.
void placeAroundOrigin(const BodyPart& part, const double d[3], int face)
{
    const double* f = faceDirections[face];
    double reach = part.radius + 0.000005;
    if (face == 4 || face == 5)
        reach += 0.5 * part.length;

    dMatrix3 R;
    if (d[0] == f[0] && d[1] == f[1] && d[2] == f[2]) {
        dRSetIdentity(R);
    } else if (d[0] == -f[0] && d[1] == -f[1] && d[2] == -f[2]) {
        dRFromAxisAndAngle(R, 0, 1.0 / std::sqrt(2.0), 1.0 / std::sqrt(2.0), kPi);
    } else {
        const double cx = d[1] * f[2] - d[2] * f[1];
        const double cy = d[2] * f[0] - d[0] * f[2];
        const double cz = d[0] * f[1] - d[1] * f[0];
        dRFromAxisAndAngle(R, cx, cy, cz, kPi * 0.5);
    }
    dBodySetRotation(part.body, R);
    dBodySetPosition(part.body, d[0] * reach, 0, 0);
}

} // namespace

void makeCapsule(dWorldID world, dSpaceID space, BodyPart& part, double length, double radius,
                 double mass)
{
    dMass m;
    dMassSetZero(&m);
    part.length = length;
    part.radius = radius;
    part.mass = mass;
    part.shape = 1;
    part.body = dBodyCreate(world);
    dMassSetCapsuleTotal(&m, mass, 3, radius, length);
    dBodySetMass(part.body, &m);
    part.geom = dCreateCapsule(space, radius, length);
    dGeomSetBody(part.geom, part.body);
}

void makeBox(dWorldID world, dSpaceID space, BodyPart& part, const double sides[3], double mass)
{
    dMass m;
    dMassSetZero(&m);
    for (int i = 0; i < 3; ++i)
        part.sides[i] = sides[i];
    part.mass = mass;
    part.shape = 2;
    part.body = dBodyCreate(world);
    dMassSetBoxTotal(&m, mass, sides[0], sides[1], sides[2]);
    dMassAdjust(&m, mass);
    dBodySetMass(part.body, &m);
    part.geom = dCreateBox(space, sides[0], sides[1], sides[2]);
    dGeomSetBody(part.geom, part.body);
}

void buildPart(dWorldID world, dSpaceID space, BodyPart& part)
{
    const double r = part.radius;
    const double mass = kPi * r * r * part.length + 4.1887902047863905 * r * r * r;
    makeCapsule(world, space, part, part.length, part.radius, mass);
}

void buildParts(dWorldID world, dSpaceID space, std::vector<BodyPart>& parts)
{
    for (auto& p : parts)
        if (p.exists)
            buildPart(world, space, p);
}

void buildJoint(dWorldID world, BodyJoint& joint, std::vector<BodyPart>& parts)
{
    BodyPart& parent = parts[joint.parentPart];
    BodyPart& child = parts[joint.childPart];
    const double plusX[3] = {1, 0, 0};
    const double minusX[3] = {-1, 0, 0};
    placeAroundOrigin(parent, plusX, joint.parentFace);
    placeAroundOrigin(child, minusX, joint.childFace);

    joint.hinge = dJointCreateHinge(world, nullptr);
    dJointAttach(joint.hinge, parent.body, child.body);
    dJointSetHingeAnchor(joint.hinge, 0, 0, 0);
    dJointSetHingeAxis(joint.hinge, joint.axis[0], joint.axis[1], joint.axis[2]);
    dJointSetHingeParam(joint.hinge, dParamLoStop, -kHingeLimit);
    dJointSetHingeParam(joint.hinge, dParamHiStop, kHingeLimit);

    joint.motor = dJointCreateAMotor(world, nullptr);
    dJointAttach(joint.motor, parent.body, child.body);
    dJointSetAMotorAxis(joint.motor, 0, 1, joint.axis[0], joint.axis[1], joint.axis[2]);
    dJointSetAMotorAxis(joint.motor, 1, 2, 0, 1, 0);
    dJointSetAMotorAxis(joint.motor, 2, 2, 0, 0, 1);
    dJointSetAMotorMode(joint.motor, dAMotorEuler);
}

void buildJoints(dWorldID world, std::vector<BodyJoint>& joints, std::vector<BodyPart>& parts)
{
    for (auto& j : joints)
        if (j.exists)
            buildJoint(world, j, parts);
}

void destroyParts(std::vector<BodyPart>& parts)
{
    for (auto& p : parts) {
        if (p.body)
            dBodyDestroy(p.body);
        if (p.geom)
            dGeomDestroy(p.geom);
        p.body = nullptr;
        p.geom = nullptr;
    }
}

void driveJoint(const BodyJoint& joint, double target, double gain)
{
    const double angle = dJointGetHingeAngle(joint.hinge);
    dJointSetAMotorParam(joint.motor, dParamFMax, dInfinity);
    dJointSetAMotorParam(joint.motor, dParamVel, 4 * 4 * gain * (target - angle));
}
