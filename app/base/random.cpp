#include "app/base/random.h"

Random& rng()
{
    static Random instance;
    return instance;
}
