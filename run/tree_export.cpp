#include "run/tree_export.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <unordered_map>
#include <vector>

namespace {

bool endsWith(const std::string& s, const std::string& end)
{
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

std::string seconds(double t)
{
    std::ostringstream o;
    o.precision(10);
    o << std::max(0.0, t);
    return o.str();
}

// Children of every member along the initiating-parent lines, and the roots.
struct Lines {
    std::vector<std::size_t> roots;
    std::unordered_map<std::size_t, std::vector<std::size_t>> children;
};

Lines linesOf(const FamilyTree& tree)
{
    Lines lines;
    const auto& members = tree.members();
    std::unordered_map<int, std::size_t> index;
    for (std::size_t i = 0; i < members.size(); ++i)
        index[members[i].id] = i;
    for (std::size_t i = 0; i < members.size(); ++i) {
        const FamilyMember* parent = tree.initiator(members[i]);
        if (parent)
            lines.children[index.at(parent->id)].push_back(i);
        else
            lines.roots.push_back(i);
    }
    return lines;
}

} // namespace

TreeFormat treeFormatOf(const std::string& file)
{
    if (endsWith(file, ".nwk") || endsWith(file, ".newick"))
        return TreeFormat::Newick;
    if (endsWith(file, ".dot") || endsWith(file, ".gv"))
        return TreeFormat::Dot;
    return TreeFormat::None;
}

std::string newickOf(const FamilyTree& tree)
{
    const auto& members = tree.members();
    const Lines lines = linesOf(tree);
    std::string out;
    // Depth first without recursion: a line of thousands of generations is
    // no risk to the stack.
    struct Visit {
        std::size_t node;
        std::size_t next; // next child to visit
        double from;      // the birth time its branch starts at
    };
    const std::vector<std::size_t> none;
    auto childrenOf = [&](std::size_t i) -> const std::vector<std::size_t>& {
        const auto it = lines.children.find(i);
        return it == lines.children.end() ? none : it->second;
    };
    out += "(";
    for (std::size_t r = 0; r < lines.roots.size(); ++r) {
        if (r > 0)
            out += ",";
        std::vector<Visit> stack = {{lines.roots[r], 0, 0.0}};
        while (!stack.empty()) {
            Visit& v = stack.back();
            const std::vector<std::size_t>& kids = childrenOf(v.node);
            const FamilyMember& m = members[v.node];
            if (v.next == 0 && !kids.empty())
                out += "(" + std::to_string(m.id) + ":0";
            if (v.next < kids.size()) {
                out += ",";
                const std::size_t child = kids[v.next++];
                stack.push_back({child, 0, m.born});
                continue;
            }
            if (kids.empty())
                out += std::to_string(m.id);
            else
                out += ")";
            out += ":" + seconds(m.born - v.from);
            stack.pop_back();
        }
    }
    out += ");\n";
    return out;
}

std::string dotOf(const FamilyTree& tree)
{
    std::ostringstream o;
    o << "digraph family {\n"
      << "  rankdir=LR;\n"
      << "  node [shape=circle, style=filled, fontsize=9, width=0.3, fixedsize=true];\n";
    for (const FamilyMember& m : tree.members()) {
        const double hue = std::fmod(std::fmod(static_cast<double>(m.hue), 360.0) + 360.0, 360.0);
        o << "  " << m.id << " [label=\"" << m.id << "\", fillcolor=\"" << hue / 360.0
          << " 0.55 " << (m.alive() ? "0.95" : "0.6") << "\"];\n";
    }
    for (const FamilyMember& m : tree.members()) {
        if (const FamilyMember* p = tree.initiator(m))
            o << "  " << p->id << " -> " << m.id << ";\n";
        if (m.origin == FamilyMember::Birth)
            if (const FamilyMember* partner = tree.find(m.parents[1]);
                partner && partner->born < m.born && partner->id != m.parents[0])
                o << "  " << partner->id << " -> " << m.id
                  << " [style=dashed, color=\"gray60\", arrowhead=none];\n";
    }
    o << "}\n";
    return o.str();
}

bool writeTree(const FamilyTree& tree, const std::string& file)
{
    const TreeFormat format = treeFormatOf(file);
    if (format == TreeFormat::None)
        return false;
    std::ofstream out(file, std::ios::out | std::ios::trunc);
    if (!out.is_open())
        return false;
    out << (format == TreeFormat::Newick ? newickOf(tree) : dotOf(tree));
    out.close();
    if (out)
        return true;
    // A file cut short (a full disk, the file-size limit) is no tree: it
    // goes, rather than pass for one.
    struct stat st;
    if (::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        ::unlink(file.c_str());
    return false;
}
