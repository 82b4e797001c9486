#include "persist/creature_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "creature/agent.h"
#include "ecology/simulation.h"
#include "persist/archive_io.h"
#include "persist/creature_save.h"
#include "persist/file_io.h"
#include "persist/lineage_file.h"
#include "persist/manifest.h"
#include "persist/positions.h"
#include "persist/world_rules.h"

namespace {

constexpr const char* kMagic = "creatures creature file 1";
// A creature file holds an archive of some hundred kilobytes (a genome and
// a movement store of a few dozen movements of about 4 KB each) and its
// pose; a file many times that is no creature file, whatever it starts with.
constexpr std::size_t kMaxCreatureFileBytes = std::size_t(4) << 20;

std::string encodeSections(const SavedFiles& files)
{
    SavedFiles all = files;
    all.emplace_back(kManifestFile, encodeManifest(files));
    std::string out = std::string(kMagic) + "\n";
    for (const auto& [name, bytes] : all)
        out += name + " " + std::to_string(bytes.size()) + "\n" + bytes;
    return out;
}

// The sections of a creature file; false with the reason for anything else.
bool decodeSections(const std::string& text, MemorySource& source, std::string& reason)
{
    std::size_t at = text.find('\n');
    if (at == std::string::npos || text.compare(0, at, kMagic) != 0) {
        reason = "not a creature file";
        return false;
    }
    ++at;
    std::vector<std::string> sections;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        const std::size_t space = text.find(' ', at);
        if (end == std::string::npos || space == std::string::npos || space > end) {
            reason = "a section has no header";
            return false;
        }
        const std::string name = text.substr(at, space - at);
        const std::string length = text.substr(space + 1, end - space - 1);
        if (name != "agent.dat" && name != kPositionFile && name != kRulesFile &&
            name != kLineageFile &&
            name != kManifestFile) {
            reason = "an unknown section";
            return false;
        }
        std::size_t n = 0;
        if (length.empty() || length.size() > 9 ||
            length.find_first_not_of("0123456789") != std::string::npos ||
            (n = std::stoul(length)) > text.size() - end - 1) {
            reason = "a section's length does not fit the file";
            return false;
        }
        source.put(name, text.substr(end + 1, n));
        at = end + 1 + n;
        sections.push_back(name);
    }
    // Every file this program writes carries its checksum section.
    if (std::find(sections.begin(), sections.end(), kManifestFile) == sections.end()) {
        reason = "no checksum section";
        return false;
    }
    return true;
}

// The sections of the contents, checked whole: the damaged text otherwise.
void decodeOrThrow(const std::string& path, const std::string& contents, MemorySource& source)
{
    std::string reason;
    if (!decodeSections(contents, source, reason))
        throwDamaged(path, reason);
    // The manifest must name the rules section when there is one, and the
    // rules must be rules, before anything is taken from the file.
    source.requireManifestOf({}, {kRulesFile, kLineageFile});
    WorldSettings rules;
    readRules(source, rules);
}

} // namespace

std::string encodeCreatureFile(const Agent& a, const WorldSettings& world)
{
    SavedFiles files = creatureFiles(a);
    files.emplace_back(kRulesFile, encodeRules(world));
    files.emplace_back(kLineageFile, encodeLineage(a));
    return encodeSections(files);
}

std::string encodeCreatureFile(const Agent& record, const std::vector<double>& pose,
                               const WorldSettings& world)
{
    SavedFiles files;
    files.emplace_back("agent.dat", saveArchive(record));
    files.emplace_back(kPositionFile, encodeCreaturePose(pose));
    files.emplace_back(kRulesFile, encodeRules(world));
    files.emplace_back(kLineageFile, encodeLineage(record));
    return encodeSections(files);
}

CreatureFileRules creatureFileRules(const std::string& path, const std::string& contents)
{
    MemorySource source(path);
    decodeOrThrow(path, contents, source);
    CreatureFileRules rules;
    std::string text;
    rules.recorded = source.tryRead(kRulesFile, text, 4096) == ReadResult::Done;
    readRules(source, rules.settings);
    return rules;
}

std::string readCreatureFile(const std::string& path)
{
    std::string bytes;
    switch (readRegularFile(path, bytes, kMaxCreatureFileBytes)) {
    case ReadResult::Done: break;
    case ReadResult::TooLarge: throwDamaged(path, "too large for a creature file");
    case ReadResult::Interrupted: throwFailed(path, "interrupted");
    default: throwCannotOpen(path);
    }
    return bytes;
}

void writeCreatureFile(const std::string& path, const std::string& contents)
{
    struct stat st;
    if (path.empty() || (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)))
        throwCannotOpen(path);
    const std::string draft = path + ".new";
    ::unlink(draft.c_str());
    const int result = writeNewFile(draft, contents, O_EXCL);
    if (result != 0) {
        ::unlink(draft.c_str());
        if (result == 1)
            throwCannotOpen(path);
        throwCannotWrite(path);
    }
    if (std::rename(draft.c_str(), path.c_str()) != 0) {
        ::unlink(draft.c_str());
        throwCannotWrite(path);
    }
}

bool loadCreatureFileContents(Simulation& sim, const WorldSettings& settings,
                              const std::string& path, const std::string& contents, PlacePoint at,
                              Arrival arrival)
{
    MemorySource source(path);
    decodeOrThrow(path, contents, source);
    return loadCreatureFrom(sim, settings, source, at, arrival);
}

bool loadCreatureFile(Simulation& sim, const WorldSettings& settings, const std::string& path,
                      PlacePoint at, Arrival arrival)
{
    return loadCreatureFileContents(sim, settings, path, readCreatureFile(path), at, arrival);
}

std::string addedCreatureText(int id, const std::string& name, const CreatureFileRules& file,
                              const WorldSettings& world)
{
    std::string text = "Added creature " + std::to_string(id) + " from " + name;
    if (file.recorded && !sameRules(file.settings, world))
        text += " (its file's rules, " + rulesText(file.settings) + ", are not this world's, " +
                rulesText(world) + ": it lives by this world's)";
    return text;
}
