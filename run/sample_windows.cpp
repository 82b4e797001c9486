#include "run/sample_windows.h"

std::vector<std::size_t> windowStarts(const std::vector<double>& times, double window)
{
    std::vector<std::size_t> start(times.size(), 0);
    std::size_t j = 0;
    for (std::size_t i = 0; i < times.size(); ++i) {
        while (j < i && times[i] - times[j] > window)
            ++j;
        start[i] = (j == i && i > 0) ? i - 1 : j;
    }
    return start;
}
