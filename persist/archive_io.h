// Whole archives: one library header and one saved record, as bytes.
//
// The layouts of the records are in creature/archive.h; this is where a
// record becomes the contents of one file and back.
#pragma once

#include <string>

#include "creature/archive.h"

std::string saveArchive(const SimData& d);
std::string saveArchive(const Agent& a);
std::string saveArchive(const AimPointHander& foods);
std::string saveArchive(const Gene& g);

// Reads one archive holding one record into an existing record; the whole
// input must be that archive. Throws ArchiveError with a short reason for
// bytes that are not such an archive (cut short, damaged header, newer
// library or class version, impossible counts, trailing bytes). On failure
// the record may be partly overwritten.
void loadArchive(const std::string& bytes, SimData& d);
void loadArchive(const std::string& bytes, Agent& a);
void loadArchive(const std::string& bytes, AimPointHander& foods);
void loadArchive(const std::string& bytes, Gene& g);
