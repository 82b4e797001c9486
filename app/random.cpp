#include "app/random.h"

Random& rng()
{
    static Random instance;
    return instance;
}
