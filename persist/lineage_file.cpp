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

// False with the reason for a line that is not a row.
bool parseRow(const std::string& line, LineageRow& row, std::string& reason)
{
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, ','))
        fields.push_back(field);
    if (!line.empty() && line.back() == ',')
        fields.emplace_back();
    if (fields.size() != 6) {
        reason = "a row has " + std::to_string(fields.size()) + " fields, not 6";
        return false;
    }
    long long v[6] = {0, 0, 0, -1, -1, 0};
    const long long maxInt = 2147483647LL;
    for (int i = 0; i < 6; ++i) {
        if ((i == 3 || i == 4) && fields[i].empty())
            continue;
        if (!parseInt(fields[i], 0, maxInt, v[i])) {
            reason = "'" + fields[i] + "' is not a count";
            return false;
        }
    }
    row.index = v[0];
    row.id = static_cast<int>(v[1]);
    row.generation = static_cast<int>(v[2]);
    row.parents[0] = static_cast<int>(v[3]);
    row.parents[1] = static_cast<int>(v[4]);
    row.children = static_cast<int>(v[5]);
    return true;
}

} // namespace

std::string encodeLineage(const Population& population)
{
    std::ostringstream o;
    o << kHeader << '\n';
    long long i = 0;
    for (const auto& a : population) {
        o << i++ << ',' << a.creatureId << ',' << a.generation << ',';
        if (a.parentIds[0] >= 0)
            o << a.parentIds[0];
        o << ',';
        if (a.parentIds[1] >= 0)
            o << a.parentIds[1];
        o << ',' << a.children << '\n';
    }
    return o.str();
}

void readLineage(const FileSource& source, Population& creatures)
{
    std::string text;
    if (!source.tryRead(kLineageFile, text))
        return;
    std::vector<Agent*> byIndex;
    for (auto& a : creatures)
        byIndex.push_back(&a);

    std::istringstream in(text);
    std::string line;
    std::string reason;
    std::vector<LineageRow> rows;
    if (!std::getline(in, line) || line != kHeader)
        reason = "not a lineage file";
    while (reason.empty() && std::getline(in, line)) {
        LineageRow row;
        if (parseRow(line, row, reason))
            rows.push_back(row);
    }
    if (!reason.empty()) {
        std::cerr << "warning: " << source.path(kLineageFile) << " ignored (" << reason
                  << "); the creatures start at generation 0" << std::endl;
        return;
    }
    for (const LineageRow& row : rows) {
        if (row.index >= static_cast<long long>(byIndex.size()))
            continue;
        Agent& a = *byIndex[static_cast<std::size_t>(row.index)];
        if (a.creatureId != row.id)
            continue;
        a.generation = row.generation;
        a.parentIds[0] = row.parents[0];
        a.parentIds[1] = row.parents[1];
        a.children = row.children;
    }
}
