// SHA-256 of a byte string (FIPS 180-4), as the lowercase hexadecimal text
// that sha256sum prints.
#pragma once

#include <string>

std::string sha256Hex(const std::string& bytes);
