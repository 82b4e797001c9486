#include "ui/status_text.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

// Whole part of a value, towards zero, held to the int range (NaN as 0).
int truncToInt(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0)
        return 2147483647;
    if (v <= -2147483648.0)
        return -2147483647 - 1;
    return static_cast<int>(v);
}

// Value cut, not rounded, to steps of 1 / scale: 12.97 at scale 10 is 12.9.
double truncDecimals(double v, double scale)
{
    return std::trunc(v * scale) / scale;
}

} // namespace

std::string statusText(const World& w)
{
    std::ostringstream out;
    out << "\n";
    out << "FPS:  " << w.driver.fps << "\n";
    out << "Time(sec):  " << truncDecimals(w.sim.time, 10) << "\n";
    out << "Number of Cretures:  " << w.sim.population.size() << "\n";
    out << "Number of Foods:  " << w.sim.foods.foods.size() << "\n";
    if (const Agent* a = w.view.selectedAgent) {
        out << "\n";
        out << "About Seleccted Creture\n";
        out << "  Yakinamasi:  " << a->temperature << "\n";
        out << "  Yakinamasi:  " << a->gene[YAKINAMASI] << "\n";
        out << "  Age(sec):  " << truncToInt(a->age) << "\n";
        out << "  Energy:  " << truncDecimals(a->energy, 100) << "\n";
        out << "  Number of Food:  " << a->foodCount << "\n";
        out << "  Number of Children:  " << a->matingCount << "\n";
    }
    // How far evolution has come: the highest generation reached so far
    // (living or not) and the births so far.
    int generation = w.sim.highestGeneration;
    for (const Agent& a : w.sim.population)
        generation = std::max(generation, a.generation);
    out << "\n";
    out << "Highest Generation:  " << generation << "\n";
    out << "Births:  " << w.sim.counters.births << "\n";
    // Simulated seconds a wall second, under the lines above, which keep
    // their places.
    out << "Speed:  " << speedText(w.driver.speed.speed) << "\n";
    // Rules other than the defaults make another run of the world: said so.
    if (w.settings.learningRule != LearningRuleId::Original)
        out << "Learning:  " << learningRule(w.settings.learningRule).name << "\n";
    if (w.settings.physics != PhysicsSetupId::Classic)
        out << "Physics:  " << physicsSetup(w.settings.physics).name << "\n";
    return out.str();
}
