#include "run/setting_overrides.h"

#include "ecology/arena.h"

void applySettingOverrides(RunWorld& w, const std::vector<SettingOverride>& overrides, bool freshWorld,
                           std::uint32_t seed)
{
    const WorldSetting* groundSize = findWorldSetting("groundSize");
    const WorldSetting* gravity = findWorldSetting("gravity");
    bool remake = false;
    for (const auto& o : overrides) {
        o.setting->set(w.settings, o.value);
        remake = remake || o.setting->shapesFreshWorld;
        if (!w.sim.world)
            continue;
        // The arena's edge and the physics follow at once.
        if (o.setting == groundSize)
            resizeArena(w.sim, w.settings);
        if (o.setting == gravity)
            dWorldSetGravity(w.sim.world, w.settings.gravity[0], w.settings.gravity[1],
                             w.settings.gravity[2]);
    }
    if (!freshWorld || !remake)
        return;
    // As the Init button does, but from the run's seed: the first reset's
    // draws are made again with the new settings in place.
    clearCreatures(w.sim);
    w.sim.random.seed(seed);
    resetWorld(w.sim, w.settings);
}
