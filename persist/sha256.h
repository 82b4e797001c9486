// SHA-256 of a byte string (FIPS 180-4), as the lowercase hexadecimal text
// that sha256sum prints.
#pragma once
#ifndef CREATURES_FLOOR_PERSIST
#error "persist/ is for persist/ and the floors above it"
#endif

#include <string>

std::string sha256Hex(const std::string& bytes);
