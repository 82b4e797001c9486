#include "persist/lineage_file.h"

#include <iostream>
#include <sstream>
#include <vector>

#include "persist/file_io.h"

namespace {

constexpr const char* kHeader = "index,id,generation,parent_a,parent_b,children";

struct LineageRow {
    long long index = 0;
    int id = 0;
    int generation = 0;
    int parents[2] = {-1, -1};
    int children = 0;
};

bool parseInt(const std::string& field, long long low, long long high, long long& out)
{
    if (field.empty() || field.size() > 12)
        return false;
    std::size_t used = 0;
    try {
        out = std::stoll(field, &used);
    } catch (const std::exception&) {
        return false;
    }
    return used == field.size() && out >= low && out <= high;
}

// False for a line that is not a row of six numbers.
bool parseRow(const std::string& line, LineageRow& row)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma == std::string::npos ? std::string::npos
                                                                         : comma - start));
        if (comma == std::string::npos || fields.size() > 6)
            break;
        start = comma + 1;
    }
    if (fields.size() != 6)
        return false;
    long long v[6] = {0, 0, 0, -1, -1, 0};
    const long long maxInt = 2147483647LL;
    for (int i = 0; i < 6; ++i) {
        if ((i == 3 || i == 4) && fields[i].empty())
            continue;
        if (!parseInt(fields[i], 0, maxInt, v[i]))
            return false;
    }
    row.index = v[0];
    row.id = static_cast<int>(v[1]);
    row.generation = static_cast<int>(v[2]);
    row.parents[0] = static_cast<int>(v[3]);
    row.parents[1] = static_cast<int>(v[4]);
    row.children = static_cast<int>(v[5]);
    return true;
}

// The rows of a lineage text for the creatures, one per creature in file
// order; false with the reason (never bytes of the file) otherwise.
bool lineageRows(const std::string& text, const std::vector<Agent*>& creatures,
                 std::vector<LineageRow>& rows, std::string& reason)
{
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kHeader) {
        reason = "its first line is not the lineage header";
        return false;
    }
    long long number = 0;
    while (std::getline(in, line)) {
        ++number;
        LineageRow row;
        if (!parseRow(line, row)) {
            reason = "row " + std::to_string(number) + " is not six numbers";
            return false;
        }
        if (row.index != static_cast<long long>(rows.size())) {
            reason = "row " + std::to_string(number) + " has index " + std::to_string(row.index) +
                     ", not " + std::to_string(rows.size());
            return false;
        }
        // A generation needs a creature for each one before it.
        if (row.generation > kMaxCreatureId) {
            reason = "row " + std::to_string(number) + " has generation " +
                     std::to_string(row.generation) + ", beyond any run's";
            return false;
        }
        if (rows.size() >= creatures.size()) {
            reason = "it has more rows than the save's " + std::to_string(creatures.size()) +
                     " creatures";
            return false;
        }
        const int id = creatures[rows.size()]->creatureId;
        if (row.id != id) {
            reason = "row " + std::to_string(number) + " is for creature id " +
                     std::to_string(row.id) + ", but the save's creature " +
                     std::to_string(row.index) + " has id " + std::to_string(id) +
                     " (a file of another save?)";
            return false;
        }
        rows.push_back(row);
    }
    if (rows.size() != creatures.size()) {
        reason = "it has rows for " + std::to_string(rows.size()) + " of the save's " +
                 std::to_string(creatures.size()) + " creatures";
        return false;
    }
    return true;
}

} // namespace

namespace {

void writeRow(std::ostream& o, long long index, const Agent& a)
{
    o << index << ',' << a.creatureId << ',' << a.generation << ',';
    if (a.parentIds[0] >= 0)
        o << a.parentIds[0];
    o << ',';
    if (a.parentIds[1] >= 0)
        o << a.parentIds[1];
    o << ',' << a.children << '\n';
}

} // namespace

std::string encodeLineage(const Population& population)
{
    std::ostringstream o;
    o << kHeader << '\n';
    long long i = 0;
    for (const auto& a : population)
        writeRow(o, i++, a);
    return o.str();
}

std::string encodeLineage(const Agent& a)
{
    std::ostringstream o;
    o << kHeader << '\n';
    writeRow(o, 0, a);
    return o.str();
}

void readLineage(const FileSource& source, Population& creatures)
{
    std::vector<Agent*> byIndex;
    for (auto& a : creatures)
        byIndex.push_back(&a);
    // A row is a few dozen bytes; a file far larger than the creatures need
    // is not read.
    const std::size_t limit = 4096 + 128 * byIndex.size();
    std::string text;
    std::string reason;
    switch (source.tryRead(kLineageFile, text, limit)) {
    case ReadResult::Missing: return;
    case ReadResult::Done: break;
    case ReadResult::NotAFile: reason = "it is not a regular file"; break;
    case ReadResult::TooLarge:
        reason = "it is larger than " + std::to_string(limit) + " bytes";
        break;
    case ReadResult::CannotOpen:
    case ReadResult::Interrupted: reason = "it cannot be read"; break;
    }
    std::vector<LineageRow> rows;
    if (reason.empty())
        lineageRows(text, byIndex, rows, reason);
    if (!reason.empty()) {
        std::cerr << "warning: " << source.path(kLineageFile) << " ignored (" << reason
                  << "); the creatures start at generation 0" << std::endl;
        return;
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        Agent& a = *byIndex[i];
        a.generation = rows[i].generation;
        a.parentIds[0] = rows[i].parents[0];
        a.parentIds[1] = rows[i].parents[1];
        a.children = rows[i].children;
    }
}
