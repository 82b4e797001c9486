#include "app/scene.h"

#include "app/base/random.h"
#include "ecology/simulation_step.h"

Scene::Scene(std::uint32_t seed, int minPopulation) : world_(std::make_unique<World>())
{
    rng().seed(seed);
    world_->simData.minPopulation = minPopulation;
    world_->miniDisplay = 0;
    world_->viewCount = 1;
    session_ = std::make_unique<PhysicsSession>(*world_, true);
}

Scene::~Scene()
{
    session_.reset();
}

void Scene::step(int n)
{
    for (int i = 0; i < n; ++i)
        simulationStep(*world_);
}
