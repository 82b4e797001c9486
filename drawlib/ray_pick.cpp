#include "drawlib/ray_pick.h"

#include <cmath>
#include <utility>

namespace {

// The ray in a primitive's own frame: origin relative to pos, both turned by
// the transpose of R.
Ray toLocal(const Ray& ray, const double pos[3], const double R[12])
{
    Ray local;
    const double o[3] = {ray.origin[0] - pos[0], ray.origin[1] - pos[1], ray.origin[2] - pos[2]};
    for (int i = 0; i < 3; ++i) {
        local.origin[i] = R[i] * o[0] + R[4 + i] * o[1] + R[8 + i] * o[2];
        local.dir[i] = R[i] * ray.dir[0] + R[4 + i] * ray.dir[1] + R[8 + i] * ray.dir[2];
    }
    return local;
}

// Smallest non-negative root of a t^2 + 2 b t + c = 0, or -1.
double nearestRoot(double a, double b, double c)
{
    if (a <= 0.0)
        return -1.0;
    const double disc = b * b - a * c;
    if (disc < 0.0)
        return -1.0;
    const double s = std::sqrt(disc);
    const double t0 = (-b - s) / a;
    if (t0 >= 0.0)
        return t0;
    const double t1 = (-b + s) / a;
    return t1 >= 0.0 ? t1 : -1.0;
}

double keepNearest(double a, double b)
{
    if (a < 0.0)
        return b;
    if (b < 0.0)
        return a;
    return a < b ? a : b;
}

} // namespace

double raySphere(const Ray& ray, const double centre[3], double radius)
{
    double oc[3];
    double b = 0.0, c = 0.0, a = 0.0;
    for (int i = 0; i < 3; ++i) {
        oc[i] = ray.origin[i] - centre[i];
        a += ray.dir[i] * ray.dir[i];
        b += oc[i] * ray.dir[i];
        c += oc[i] * oc[i];
    }
    return nearestRoot(a, b, c - radius * radius);
}

double rayCapsule(const Ray& ray, const double pos[3], const double R[12], double length,
                  double radius)
{
    const Ray l = toLocal(ray, pos, R);
    const double half = length * 0.5;
    double best = -1.0;
    // The side of the cylinder, within the length.
    const double a = l.dir[0] * l.dir[0] + l.dir[1] * l.dir[1];
    const double b = l.origin[0] * l.dir[0] + l.origin[1] * l.dir[1];
    const double c = l.origin[0] * l.origin[0] + l.origin[1] * l.origin[1] - radius * radius;
    const double t = nearestRoot(a, b, c);
    if (t >= 0.0) {
        const double z = l.origin[2] + t * l.dir[2];
        if (z >= -half && z <= half)
            best = t;
    }
    // The two caps.
    for (double zc : {-half, half}) {
        const double centre[3] = {0.0, 0.0, zc};
        best = keepNearest(best, raySphere(l, centre, radius));
    }
    return best;
}

double rayBox(const Ray& ray, const double pos[3], const double R[12], const double sides[3])
{
    const Ray l = toLocal(ray, pos, R);
    double tmin = -1e300, tmax = 1e300;
    for (int i = 0; i < 3; ++i) {
        const double h = sides[i] * 0.5;
        if (std::fabs(l.dir[i]) < 1e-300) {
            if (l.origin[i] < -h || l.origin[i] > h)
                return -1.0;
            continue;
        }
        double t0 = (-h - l.origin[i]) / l.dir[i];
        double t1 = (h - l.origin[i]) / l.dir[i];
        if (t0 > t1)
            std::swap(t0, t1);
        tmin = t0 > tmin ? t0 : tmin;
        tmax = t1 < tmax ? t1 : tmax;
        if (tmin > tmax)
            return -1.0;
    }
    if (tmax < 0.0)
        return -1.0;
    return tmin >= 0.0 ? tmin : tmax;
}
