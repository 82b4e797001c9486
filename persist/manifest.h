// The manifest of a save: the SHA-256 sum of each of its files, in the
// format `sha256sum -c` reads ("<64 hex digits>  <name>" a line), so that a
// user can check a save with a standard tool. Loads verify every file the
// manifest names; a save without one (older, or made by another program)
// loads as before.
#pragma once
#ifndef CREATURES_FLOOR_PERSIST
#error "persist/ is for persist/ and the floors above it"
#endif

#include <map>
#include <string>

#include "persist/file_io.h"

constexpr const char* kManifestFile = "SHA256SUMS";
// Largest manifest read: a line of about 80 bytes for each of up to 100,000
// creature files and a few more.
constexpr std::size_t kMaxManifestBytes = std::size_t(16) << 20;

// The manifest of the files (the manifest itself is not among them).
std::string encodeManifest(const SavedFiles& files);

// The sums by file name. False, with the reason, for a text that is not a
// manifest of plain file names.
bool decodeManifest(const std::string& text, std::map<std::string, std::string>& sums,
                    std::string& reason);
