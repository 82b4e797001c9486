// The family tree as Newick and Graphviz files, read back by the tools that
// use them: Python's Bio.Phylo and Graphviz's dot (Debian's
// python3-biopython and graphviz, which the setup installs).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "run/tree_export.h"
#include "creature/agent.h"
#include "persist/persist_support.h"

namespace {

namespace fs = std::filesystem;

std::string commandOutput(const std::string& command)
{
    std::string out;
    if (std::FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
            out.append(buffer, n);
        ::pclose(p);
    }
    return out;
}

TEST(TreeExport, NewickAndDotFilesAreReadByTheirToolsAsTheTreeIs)
{
    // Founders 0 and 1; 2 = 0x1 at 10 s, 3 = 2x1 at 25 s, 4 = 0x3 at 40 s;
    // 5 arrives by the refill at 50 s; 3 dies.
    FamilyTree tree;
    Population all;
    auto add = [&](int id, int a, int b, double t, bool birth) {
        Agent& x = all.emplace_back();
        x.creatureId = id;
        x.parentIds[0] = a;
        x.parentIds[1] = b;
        if (birth)
            tree.born(x, t);
        else
            tree.arrive(x, t, t == 0 ? FamilyMember::StartUp : FamilyMember::Refill);
        return &x;
    };
    add(0, -1, -1, 0, false);
    add(1, -1, -1, 0, false);
    add(2, 0, 1, 10, true);
    Agent* three = add(3, 2, 1, 25, true);
    add(4, 0, 3, 40, true);
    add(5, -1, -1, 50, false);
    tree.died(*three, 60);

    const fs::path dir = fs::path(testing::TempDir()) / "tree_export";
    fs::create_directories(dir);
    struct File {
        const char* name;
        TreeFormat format;
    };
    for (const File f : {File{"t.nwk", TreeFormat::Newick}, File{"t.newick", TreeFormat::Newick},
                         File{"t.dot", TreeFormat::Dot}, File{"t.gv", TreeFormat::Dot},
                         File{"t.txt", TreeFormat::None}, File{"nwk", TreeFormat::None}})
        EXPECT_EQ(treeFormatOf(f.name), f.format) << f.name;
    ASSERT_TRUE(writeTree(tree, (dir / "t.nwk").string()));
    ASSERT_TRUE(writeTree(tree, (dir / "t.dot").string()));
    EXPECT_FALSE(writeTree(tree, (dir / "t.txt").string()));
    // A file that cannot be finished (here the file-size limit) is removed,
    // in place of a new file and of an earlier tree alike.
    for (const char* name : {"cut.nwk", "t.dot"}) {
        const persist_test::FileSizeLimit limit(10);
        EXPECT_FALSE(writeTree(tree, (dir / name).string())) << name;
        EXPECT_FALSE(fs::exists(dir / name)) << name;
    }
    ASSERT_TRUE(writeTree(tree, (dir / "t.dot").string()));

    // Newick: every creature a leaf named by its id at the distance of its
    // birth from the root; its ancestors along the initiating parents are
    // the sampled ancestors (leaves of length 0) of the clades above it.
    const std::string script =
        "from Bio import Phylo\n"
        "t = Phylo.read('" + (dir / "t.nwk").string() + "', 'newick')\n"
        "for leaf in sorted(t.get_terminals(), key=lambda c: int(c.name)):\n"
        "    above = [c.clades[0].name for c in t.get_path(leaf)[:-1]\n"
        "             if c.clades[0] is not leaf and c.clades[0].branch_length == 0]\n"
        "    print(leaf.name, t.distance(leaf), ' '.join(above))\n";
    std::ofstream(dir / "read.py") << script;
    const std::string read = commandOutput("/usr/bin/python3 " + (dir / "read.py").string() + " 2>&1");
    EXPECT_EQ(read, "0 0.0 \n"
                    "1 0.0 \n"
                    "2 10.0 0\n"
                    "3 25.0 0 2\n"
                    "4 40.0 0\n"
                    "5 50.0 \n")
        << "(python3-biopython installed?)";

    // DOT: dot lays it out; a node per creature, an edge from each parent
    // (the partner's dashed).
    const std::string plain = commandOutput("dot -Tplain " + (dir / "t.dot").string() + " 2>&1");
    int nodes = 0, solid = 0, dashed = 0;
    std::istringstream lines(plain);
    std::string line;
    while (std::getline(lines, line)) {
        nodes += line.rfind("node ", 0) == 0;
        if (line.rfind("edge ", 0) == 0)
            (line.find(" dashed ") != std::string::npos ? dashed : solid)++;
    }
    EXPECT_EQ(nodes, 6) << plain << "(graphviz installed?)";
    EXPECT_EQ(solid, 3);
    EXPECT_EQ(dashed, 3);
    fs::remove_all(dir);
}

} // namespace
