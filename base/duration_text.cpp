#include "base/duration_text.h"

#include <cmath>
#include <iomanip>
#include <sstream>

std::string formatDuration(double seconds)
{
    if (!(seconds >= 0) || seconds > 1e7)
        return "?";
    const long long s = std::llround(seconds);
    std::ostringstream o;
    if (s >= 3600)
        o << s / 3600 << "h" << std::setw(2) << std::setfill('0') << (s % 3600) / 60 << "m";
    else if (s >= 60)
        o << s / 60 << "m" << std::setw(2) << std::setfill('0') << s % 60 << "s";
    else
        o << s << "s";
    return o.str();
}
