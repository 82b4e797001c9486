#include "app/setting_overrides.h"

#include "app/arena.h"
#include "app/base/random.h"

void applySettingOverrides(World& w, const std::vector<SettingOverride>& overrides, bool freshWorld,
                           std::uint32_t seed)
{
    const WorldSetting* groundSize = findWorldSetting("groundSize");
    const WorldSetting* gravity = findWorldSetting("gravity");
    bool remake = false;
    for (const auto& o : overrides) {
        o.setting->set(w, o.value);
        remake = remake || o.setting->shapesFreshWorld;
        if (!w.world)
            continue;
        // The arena's edge and the physics follow at once.
        if (o.setting == groundSize)
            resizeArena(w, w.simData.groundSize);
        if (o.setting == gravity)
            dWorldSetGravity(w.world, w.gravity[0], w.gravity[1], w.gravity[2]);
    }
    if (!freshWorld || !remake)
        return;
    // As the Init button does, but from the run's seed: the first reset's
    // draws are made again with the new settings in place.
    forgetAllCreatures(w);
    clearPopulation(w.population);
    rng().seed(seed);
    resetWorld(w);
}
