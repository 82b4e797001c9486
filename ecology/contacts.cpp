#include "ecology/contacts.h"

#include "ecology/simulation.h"
#include "ecology/world_settings.h"

namespace {

constexpr int kMaxContacts = 8;

BodyPart* partOf(dBodyID b)
{
    return b ? static_cast<BodyPart*>(dBodyGetData(b)) : nullptr;
}

Agent* ownerOf(dBodyID b)
{
    BodyPart* p = partOf(b);
    return p ? p->owner : nullptr;
}

} // namespace

double groundSoftErp(double h)
{
    return h * 200 / (h * 200 + 50);
}

double groundSoftCfm(double h)
{
    return 1 / (h * 200 + 50);
}

void nearCallback(void* data, dGeomID o1, dGeomID o2)
{
    const ContactContext& context = *static_cast<const ContactContext*>(data);
    Simulation& sim = *context.sim;
    // Reused for every pair of every step; fields never written stay zero.
    dContact* contactBuffer = sim.contacts;
    const dBodyID b1 = dGeomGetBody(o1);
    const dBodyID b2 = dGeomGetBody(o2);
    if (b1 && b2 && dAreConnected(b1, b2))
        return;

    const dBodyID g = dGeomGetBody(sim.groundPlane);
    const bool groundPair = (b1 == g || b2 == g);
    const dBodyID other = (b1 == g) ? b2 : b1;

    // Friction between bodies: none between two creatures' parts.
    bool twoCreatures = false;
    if (groundPair) {
        if (!other)
            return;
        // Bodies whose centre left the square, or sank below a surface that
        // falls away towards the edge, get no ground contact.
        const dReal* p = dBodyGetPosition(other);
        const double S = context.settings->groundSize;
        const double ex = p[0] > 0 ? S - p[0] : p[0] + S;
        const double ey = p[1] > 0 ? S - p[1] : p[1] + S;
        const double e = ex < ey ? ex : ey;
        if (e < 0)
            return;
        if (p[2] < -0.1 * e)
            return;
        if (BodyPart* part = partOf(other))
            part->groundTouch = 1.0;
    } else {
        Agent* a1 = ownerOf(b1);
        Agent* a2 = ownerOf(b2);
        if (a1 && a2 && a1 != a2) {
            a1->disturbed = true;
            a2->disturbed = true;
        }
        twoCreatures = a1 && a2;
    }

    const int n = dCollide(o1, o2, kMaxContacts, &contactBuffer[0].geom, sizeof(dContact));
    const double h = sim.stepSize;
    for (int i = 0; i < n; ++i) {
        dSurfaceParameters& s = contactBuffer[i].surface;
        // Friction pyramid approximation in both friction directions.
        s.mode = dContactBounce | dContactSoftERP | dContactSoftCFM | dContactApprox1_1 |
                 dContactApprox1_2;
        s.bounce = 0;
        s.bounce_vel = 0;
        if (groundPair) {
            s.mu = 5.0;
            s.soft_erp = groundSoftErp(h);
            s.soft_cfm = groundSoftCfm(h);
        } else {
            s.mu = twoCreatures ? 0.0 : 5.0;
            s.soft_erp = 0.8;
            s.soft_cfm = 1e-10;
        }
        const dJointID j = dJointCreateContact(sim.world, sim.contactGroup, &contactBuffer[i]);
        dJointAttach(j, b1, b2);
    }
}
