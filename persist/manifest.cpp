#include "persist/manifest.h"

#include "persist/sha256.h"

namespace {

bool hexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

// A name that stays in its folder and needs no escaping in a manifest.
bool plainFileName(const std::string& name)
{
    if (name.empty() || name == "." || name == ".." || name.size() > 255)
        return false;
    for (char c : name)
        if (c == '/' || c == '\\' || c == '\n' || c == '\r' || c == '\0')
            return false;
    return true;
}

} // namespace

std::string encodeManifest(const SavedFiles& files)
{
    std::string text;
    for (const auto& [name, bytes] : files)
        text += sha256Hex(bytes) + "  " + name + "\n";
    return text;
}

bool decodeManifest(const std::string& text, std::map<std::string, std::string>& sums,
                    std::string& reason)
{
    sums.clear();
    std::size_t start = 0;
    int line = 0;
    while (start < text.size()) {
        ++line;
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            reason = "line " + std::to_string(line) + " has no line end";
            return false;
        }
        const std::string entry = text.substr(start, end - start);
        start = end + 1;
        // Text mode ("  ") and binary mode (" *") entries are both read.
        bool ok = entry.size() > 66 && entry[64] == ' ' && (entry[65] == ' ' || entry[65] == '*');
        for (int i = 0; ok && i < 64; ++i)
            ok = hexDigit(entry[i]);
        const std::string name = ok ? entry.substr(66) : std::string();
        if (!ok || !plainFileName(name)) {
            reason = "line " + std::to_string(line) + " is not a sum and a file name";
            return false;
        }
        if (!sums.emplace(name, entry.substr(0, 64)).second) {
            reason = "line " + std::to_string(line) + " names a file twice";
            return false;
        }
    }
    if (sums.empty()) {
        reason = "it names no file";
        return false;
    }
    return true;
}
