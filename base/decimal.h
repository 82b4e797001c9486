// How the command line reads numbers: in decimal only, with nothing around
// them, the same way for every option and setting.
#pragma once
#ifndef CREATURES_FLOOR_BASE
#error "base/ is for base/ and the floors above it"
#endif

#include <string>

// A decimal number: an optional sign, digits with an optional fraction, and
// an optional decimal exponent ("12", "-0.5", "1e3"). No spaces, no
// hexadecimal, no "inf" or "nan"; the value must be finite.
bool readDecimal(const std::string& text, double& value);

// A whole number of digits only, at most `max`.
bool readWholeNumber(const std::string& text, unsigned long long max, unsigned long long& value);
