// Test support: ODE reports (errors, debug checks, messages) fail the test
// that caused them, and a fixture gives each test a fresh running world.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <memory>

#include "app/scene.h"

// Counts ODE reports since start-up; the global environment fails the running
// test on any report.
int odeReportCount();

// A fresh world of minPopulation creatures from a fixed seed.
class WorldTest : public ::testing::Test {
protected:
    void makeScene(std::uint32_t seed = 12345, int minPopulation = 10)
    {
        scene.reset();
        scene = std::make_unique<Scene>(seed, minPopulation);
    }
    void SetUp() override { makeScene(); }
    void TearDown() override { scene.reset(); }
    World& w() { return scene->world(); }
    // The i-th creature of the population, in list order.
    Agent& creature(int i) { return *std::next(w().sim.population.begin(), i); }

    std::unique_ptr<Scene> scene;
};
