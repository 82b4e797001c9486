// Whole archives: one library header and one saved record, as bytes.
//
// The layouts of the records are in creature/archive.h; this is where a
// record becomes the contents of one file and back.
#pragma once
#ifndef CREATURES_FLOOR_PERSIST
#error "persist/ is for persist/ and the floors above it"
#endif

#include <boost/archive/archive_exception.hpp>

#include <new>
#include <sstream>
#include <stdexcept>
#include <string>

#include "persist/world_archive.h"

// Checks what the library would read without bounds (the signature's length)
// and what the loaders rely on (the library version) before the library reads
// them; throws ArchiveError with the reason.
void checkArchiveHeader(const std::string& bytes);

// Short reason, for messages, of an error of the archive library.
std::string archiveFailureReason(const boost::archive::archive_exception& e);

// The bytes of one archive holding the record (SimData, Agent, AimPointHander
// or Gene).
template <class T> std::string saveArchive(const T& object)
{
    std::ostringstream out(std::ios::out | std::ios::binary);
    {
        boost::archive::binary_oarchive ar(out);
        ar << object;
    }
    return out.str();
}

// Reads one archive holding one record into an existing record; the whole
// input must be that archive. Throws ArchiveError with a short reason for
// bytes that are not such an archive (cut short, damaged header, newer
// library or class version, impossible counts, trailing bytes). On failure
// the record may be partly overwritten.
template <class T> void loadArchive(const std::string& bytes, T& object)
{
    checkArchiveHeader(bytes);
    ArchiveInput input(bytes);
    try {
        BoundedIArchive ar(input);
        ar >> object;
    } catch (const ArchiveError&) {
        throw;
    } catch (const boost::archive::archive_exception& e) {
        throw ArchiveError(archiveFailureReason(e));
    } catch (const std::bad_alloc&) {
        throw ArchiveError("too large to read");
    } catch (const std::length_error&) {
        throw ArchiveError("too large to read");
    } catch (const std::exception& e) {
        throw ArchiveError(std::string("cannot be decoded (") + e.what() + ")");
    }
    if (input.bytesLeft() != 0)
        throw ArchiveError(std::to_string(input.bytesLeft()) +
                           " unexpected bytes after the saved record");
}
