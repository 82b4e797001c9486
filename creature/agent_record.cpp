#include "creature/agent_record.h"

#include <algorithm>

#include "creature/agent.h"

namespace {

// Energy a detached creature comes back with at least: a newborn's mean.
constexpr double kRevivalEnergy = 1.5;
// Height its centre is put back at when it had fallen below the ground.
constexpr double kRevivalHeight = 1.0;

} // namespace

std::vector<double> creaturePose(const Agent& a)
{
    std::vector<double> pose;
    const MY_VECTOR3& c = a.centre;
    for (const auto& p : a.parts) {
        if (!p.exists || !p.body)
            continue;
        const dReal* pos = dBodyGetPosition(p.body);
        const dReal* R = dBodyGetRotation(p.body);
        pose.insert(pose.end(), {c.z, pos[0] - c.x, pos[1] - c.y, pos[2] - c.z});
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col)
                pose.push_back(R[row * 4 + col]);
    }
    return pose;
}

DetachedCreature detachCreature(const Agent& a)
{
    DetachedCreature d;
    d.pose = creaturePose(a);
    for (std::size_t i = 0; i < d.pose.size(); i += 13)
        d.pose[i] = std::max(d.pose[i], kRevivalHeight);
    auto copy = std::make_shared<Agent>(a);
    copy->world = nullptr;
    copy->space = nullptr;
    copy->environment = nullptr;
    for (auto& p : copy->parts) {
        p.body = nullptr;
        p.geom = nullptr;
        p.owner = nullptr;
    }
    for (auto& j : copy->joints) {
        j.hinge = nullptr;
        j.motor = nullptr;
    }
    copy->intention.partner = nullptr;
    copy->intention.food = nullptr;
    copy->lifeState = Alive;
    copy->deathCause = Alive;
    copy->dyingProgress = 0.0f;
    copy->energy = std::max(copy->energy, kRevivalEnergy);
    d.record = copy;
    return d;
}
