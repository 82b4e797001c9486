#include "persist/archive_io.h"

#include <boost/archive/archive_exception.hpp>
#include <boost/archive/basic_archive.hpp>

#include <cstring>

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

} // namespace

void checkArchiveHeader(const std::string& bytes)
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
    // The library version: two bytes, low byte first.
    const unsigned library =
        static_cast<unsigned char>(bytes[kLengthField + kSignatureLength]) |
        static_cast<unsigned>(static_cast<unsigned char>(bytes[kLengthField + kSignatureLength + 1]))
            << 8;
    const unsigned ours = static_cast<unsigned>(boost::archive::BOOST_ARCHIVE_VERSION());
    if (library > ours)
        throw ArchiveError("written by a newer archive library (version " +
                           std::to_string(library) + ")");
    if (library < kOldestLibrary)
        throw ArchiveError("written by an archive library too old to read (version " +
                           std::to_string(library) + ")");
}

std::string archiveFailureReason(const boost::archive::archive_exception& e)
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
