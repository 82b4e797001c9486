#include "ecology/food_store.h"

#include "base/random.h"

void AimPointHander::reset()
{
    eaten = nullptr;
    timer = 0.0;
    foods.clear();
}

void AimPointHander::update(double h, int foodInterval, double groundSize, Random& random)
{
    if (eaten) {
        *eaten = foods.back();
        foods.pop_back();
        eaten = nullptr;
    }
    timer += h;
    if (timer > static_cast<double>(foodInterval)) {
        timer = 0.0;
        const double d = groundSize * 0.8 * 0.8;
        AimPoint food;
        food.position.x = (random.next() - 16384) * 2 / 32767.0 * d;
        food.position.y = (random.next() - 16384) * 2 / 32767.0 * d;
        food.position.z = 0.0;
        foods.push_back(food);
    }
}

AimPoint* AimPointHander::nearestFood(const MY_VECTOR3& point)
{
    if (foods.empty())
        return nullptr;
    double best = 2147483647.0;
    AimPoint* result = &foods.front();
    for (auto& f : foods) {
        const double dx = f.position.x - point.x;
        const double dy = f.position.y - point.y;
        const double dz = f.position.z - point.z;
        const double d = dx * dx + dy * dy + dz * dz;
        if (d < best) {
            best = d;
            result = &f;
        }
    }
    return result;
}
