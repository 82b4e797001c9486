#include "base/decimal.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

bool digit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

bool readDecimal(const std::string& text, double& value)
{
    // The grammar, checked before strtod (which would also take spaces,
    // hexadecimal and the names of infinity).
    std::size_t i = 0;
    const std::size_t n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < n && digit(text[i]))
        ++i, ++digits;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && digit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            ++i;
        std::size_t exponent = 0;
        while (i < n && digit(text[i]))
            ++i, ++exponent;
        if (exponent == 0)
            return false;
    }
    if (i != n)
        return false;
    const double v = std::strtod(text.c_str(), nullptr);
    if (!std::isfinite(v))
        return false;
    value = v;
    return true;
}

bool readWholeNumber(const std::string& text, unsigned long long max, unsigned long long& value)
{
    if (text.empty() || text.size() > 20)
        return false;
    for (char c : text)
        if (!digit(c))
            return false;
    errno = 0;
    const unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
    if (errno != 0 || v > max)
        return false;
    value = v;
    return true;
}
