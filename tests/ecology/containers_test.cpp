// The food store's per-step update and the population container with its
// queries.
#include <gtest/gtest.h>

#include <iterator>
#include <vector>

#include "support/creature_helpers.h"
#include "base/random.h"
#include "ui/world.h"
#include "ecology/food_store.h"
#include "ecology/population.h"

namespace {

// What the food store's growth depends on.
struct FoodRules {
    int foodInterval = 15;
    double groundSize = 60.0;
};

// Store with foods at x = 0, 1, 2, ... that grows none for a long time.
AimPointHander storeOf(FoodRules& sd, int n)
{
    sd.foodInterval = 1000000;
    AimPointHander store;
    store.reset();
    for (int i = 0; i < n; ++i) {
        AimPoint f;
        f.position.x = i;
        store.foods.push_back(f);
    }
    return store;
}

std::vector<double> xs(const AimPointHander& store)
{
    std::vector<double> v;
    for (const AimPoint& f : store.foods)
        v.push_back(f.position.x);
    return v;
}

} // namespace

TEST(FoodStore, EatenFoodIsReplacedByTheLastOne)
{
    FoodRules sd;
    AimPointHander store = storeOf(sd, 5);
    store.eaten = &store.foods[1];
    store.update(kStepSize, sd.foodInterval, sd.groundSize, testRandom());
    EXPECT_EQ(xs(store), (std::vector<double>{0, 4, 2, 3}));
    EXPECT_EQ(store.eaten, nullptr);

    store.eaten = &store.foods.back();
    store.update(kStepSize, sd.foodInterval, sd.groundSize, testRandom());
    EXPECT_EQ(xs(store), (std::vector<double>{0, 4, 2}));

    store.update(kStepSize, sd.foodInterval, sd.groundSize, testRandom()); // nothing eaten: nothing removed
    EXPECT_EQ(store.foods.size(), 3u);

    AimPointHander single = storeOf(sd, 1);
    single.eaten = &single.foods[0];
    single.update(kStepSize, sd.foodInterval, sd.groundSize, testRandom());
    EXPECT_TRUE(single.foods.empty());
}

TEST(FoodStore, EatenFoodLeavesBeforeANewOneGrows)
{
    FoodRules sd;
    AimPointHander store = storeOf(sd, 3);
    sd.foodInterval = 0;
    sd.groundSize = 10.0;
    store.eaten = &store.foods[0];
    Random probe(testRandom().state());
    store.update(kStepSize, sd.foodInterval, sd.groundSize, testRandom());
    ASSERT_EQ(store.foods.size(), 3u);
    EXPECT_EQ(store.foods[0].position.x, 2.0);
    EXPECT_EQ(store.foods[1].position.x, 1.0);
    // The new food: first draw for x, second for y, over the 0.64 S square.
    const double d = 10.0 * 0.8 * 0.8;
    const double x = (probe.next() - 16384) * 2 / 32767.0 * d;
    const double y = (probe.next() - 16384) * 2 / 32767.0 * d;
    EXPECT_EQ(store.foods[2].position.x, x);
    EXPECT_EQ(store.foods[2].position.y, y);
    EXPECT_EQ(store.foods[2].position.z, 0.0);
}

TEST(FoodStore, FoodsGrowOneAtATimeAfterTheInterval)
{
    struct Case {
        int interval;
        int stepsPerFood;
    };
    for (const Case c : {Case{15, 501}, Case{1, 34}, Case{0, 1}}) {
        FoodRules sd;
        AimPointHander store = storeOf(sd, 0);
        sd.foodInterval = c.interval;
        std::vector<int> growthSteps;
        for (int step = 1; growthSteps.size() < 4 && step < 5000; ++step) {
            const size_t before = store.foods.size();
            store.update(kStepSize, sd.foodInterval, sd.groundSize, testRandom());
            ASSERT_LE(store.foods.size(), before + 1);
            if (store.foods.size() > before) {
                growthSteps.push_back(step);
                EXPECT_EQ(store.timer, 0.0);
            }
        }
        ASSERT_EQ(growthSteps.size(), 4u) << c.interval;
        int previous = 0;
        for (int s : growthSteps) {
            EXPECT_EQ(s - previous, c.stepsPerFood) << "interval " << c.interval;
            previous = s;
        }
    }

    // A long update still grows a single food.
    FoodRules sd;
    AimPointHander store = storeOf(sd, 0);
    sd.foodInterval = 1;
    store.update(100.0, sd.foodInterval, sd.groundSize, testRandom());
    EXPECT_EQ(store.foods.size(), 1u);
    EXPECT_EQ(store.timer, 0.0);
}

TEST(PopulationList, AppendAndRemoveWorkAtTheBack)
{
    Simulation sim;
    const int first = sim.nextCreatureId;
    for (int i = 0; i < 4; ++i)
        appendCreature(sim);
    ASSERT_EQ(sim.population.size(), 4u);
    int id = first;
    for (const Agent& a : sim.population)
        EXPECT_EQ(a.creatureId, id++);
    Agent& appended = appendCreature(sim);
    EXPECT_EQ(&appended, &sim.population.back());
    EXPECT_EQ(appended.creatureId, first + 4);

    removeLastCreature(sim.population);
    EXPECT_EQ(sim.population.back().creatureId, first + 3);
    clearCreatures(sim);
    EXPECT_TRUE(sim.population.empty());
}

TEST(PopulationList, BestAndOldestPreferTheFirstAmongEquals)
{
    Population pop(4);
    for (Agent& a : pop) {
        a.score = 1.5;
        a.age = 20.0;
    }
    EXPECT_EQ(bestByScore(pop), &pop.front());
    EXPECT_EQ(oldest(pop), &pop.front());

    auto second = std::next(pop.begin());
    auto third = std::next(second);
    second->score = 2.0;
    third->score = 2.0;
    third->age = 20.5;
    pop.back().age = 20.5;
    EXPECT_EQ(bestByScore(pop), &*second);
    EXPECT_EQ(oldest(pop), &*third);

    pop.back().score = -1.0; // a lower later value never wins
    pop.front().age = 30.0;
    EXPECT_EQ(bestByScore(pop), &*second);
    EXPECT_EQ(oldest(pop), &pop.front());
}
