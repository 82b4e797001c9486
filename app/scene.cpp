#include "app/scene.h"

#include "app/step_driver.h"
#include "ui/view_setup.h"

Scene::Scene(std::uint32_t seed, int minPopulation) : world_(std::make_unique<World>())
{
    World& w = *world_;
    w.sim.random.seed(seed);
    w.settings.minPopulation = minPopulation;
    w.view.miniDisplay = 0;
    w.view.viewCount = 1;
    session_ = std::make_unique<PhysicsSession>(w.sim, w.settings, false);
    startUpView(w);
    resetWorld(w.sim, w.settings);
    resetView(w);
}

Scene::~Scene()
{
    forgetAllCreatures(world_->view);
    session_.reset();
}

void Scene::step(int n)
{
    for (int i = 0; i < n; ++i)
        stepWorld(*world_, parts_);
}
