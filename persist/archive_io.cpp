#include "persist/archive_io.h"

#include <boost/archive/archive_exception.hpp>
#include <boost/archive/basic_archive.hpp>

#include <cstring>
#include <new>
#include <sstream>

namespace {

// The header the library writes first: the signature as a length-prefixed
// string, the library version byte and a zero, then the native sizes of int,
// long, float and double and the number 1 as an int.
constexpr char kSignature[] = "serialization::archive";
constexpr std::size_t kSignatureLength = sizeof kSignature - 1;
constexpr std::size_t kLengthField = 8;
constexpr std::size_t kHeaderBytes = kLengthField + kSignatureLength + 2 + 4 + 4;
// Library versions whose encodings of counts, versions and tracking flags the
// loaders above know.
constexpr unsigned kOldestLibrary = 8;

// Checks what the library would read without bounds (the signature's length)
// and what our loaders rely on (the library version), before it reads them.
void checkHeader(const std::string& bytes)
{
    if (bytes.size() < kHeaderBytes)
        throw ArchiveError(bytes.size() < kLengthField + kSignatureLength
                               ? "ends too early"
                               : "ends inside the archive header");
    std::uint64_t length = 0;
    for (std::size_t i = 0; i < kLengthField; ++i)
        length |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    if (length != kSignatureLength ||
        std::memcmp(bytes.data() + kLengthField, kSignature, kSignatureLength) != 0)
        throw ArchiveError("not a saved archive");
    const unsigned library = static_cast<unsigned char>(bytes[kLengthField + kSignatureLength]);
    const unsigned ours = static_cast<unsigned>(boost::archive::BOOST_ARCHIVE_VERSION());
    if (library > ours || bytes[kLengthField + kSignatureLength + 1] != 0)
        throw ArchiveError("written by a newer archive library (version " +
                           std::to_string(library) + ")");
    if (library < kOldestLibrary)
        throw ArchiveError("written by an archive library too old to read (version " +
                           std::to_string(library) + ")");
}

std::string reasonFor(const boost::archive::archive_exception& e)
{
    using boost::archive::archive_exception;
    switch (e.code) {
    case archive_exception::input_stream_error: return "ends too early";
    case archive_exception::invalid_signature: return "not a saved archive";
    case archive_exception::unsupported_version: return "written by a newer archive library";
    case archive_exception::incompatible_native_format:
        return "written on a machine with other number sizes";
    case archive_exception::unsupported_class_version:
        return "class version newer than this program reads";
    default: return std::string("cannot be decoded (") + e.what() + ")";
    }
}

template <class T> std::string saveOne(const T& object)
{
    std::ostringstream out(std::ios::out | std::ios::binary);
    {
        boost::archive::binary_oarchive ar(out);
        ar << object;
    }
    return out.str();
}

template <class T> void loadOne(const std::string& bytes, T& object)
{
    checkHeader(bytes);
    ArchiveInput input(bytes);
    try {
        BoundedIArchive ar(input);
        ar >> object;
    } catch (const ArchiveError&) {
        throw;
    } catch (const boost::archive::archive_exception& e) {
        throw ArchiveError(reasonFor(e));
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

} // namespace

std::string saveArchive(const SimData& d)
{
    return saveOne(d);
}
std::string saveArchive(const Agent& a)
{
    return saveOne(a);
}
std::string saveArchive(const AimPointHander& foods)
{
    return saveOne(foods);
}
std::string saveArchive(const Gene& g)
{
    return saveOne(g);
}

void loadArchive(const std::string& bytes, SimData& d)
{
    loadOne(bytes, d);
}
void loadArchive(const std::string& bytes, Agent& a)
{
    loadOne(bytes, a);
}
void loadArchive(const std::string& bytes, AimPointHander& foods)
{
    loadOne(bytes, foods);
}
void loadArchive(const std::string& bytes, Gene& g)
{
    loadOne(bytes, g);
}
