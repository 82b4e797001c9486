// The statistics samples as a file of a save: a recorder's own file comes
// back whole at every thinning, and a file that does not fit its save is
// refused with the reason.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "ecology/simulation.h"

namespace {

// A world that took a sample in each of its first `seconds` seconds.
void sampleSeconds(Simulation& s, int seconds)
{
    for (int t = 0; t < seconds; ++t) {
        s.time = t + 0.5;
        s.statistics.afterStep(s);
    }
}

// The file with one cell of a line replaced (line 0 is the head, line n
// holds row n + 1).
std::string withCell(const std::string& file, std::size_t line, std::size_t cell,
                     const std::string& value)
{
    std::istringstream in(file);
    std::string out;
    std::string text;
    for (std::size_t n = 0; std::getline(in, text); ++n) {
        if (n == line) {
            std::vector<std::string> cells;
            std::istringstream row(text);
            for (std::string c; std::getline(row, c, ',');)
                cells.push_back(c);
            cells.at(cell) = value;
            text.clear();
            for (const std::string& c : cells)
                text += (text.empty() ? "" : ",") + c;
        }
        out += text + "\n";
    }
    return out;
}

TEST(StatisticsFile, ARecordersOwnFileComesBackWholeAtEveryStride)
{
    for (int seconds : {0, 1, 2048, 2049, 4097, 9000}) {
        Simulation s;
        sampleSeconds(s, seconds);
        const std::string file = s.statistics.encodeHistory();
        StatisticsRecorder back;
        std::string reason;
        EXPECT_TRUE(back.restoreHistory(file, s.time, reason)) << seconds << ": " << reason;
        EXPECT_EQ(back.encodeHistory(), file) << seconds;
    }
}

TEST(StatisticsFile, AFileThatDoesNotFitItsSaveIsRefused)
{
    Simulation s;
    sampleSeconds(s, 3); // samples at 0.5, 1.5 and 2.5 s
    const std::string file = s.statistics.encodeHistory();
    const std::string head = file.substr(0, file.find('\n') + 1);
    const std::string last = file.substr(file.rfind('\n', file.size() - 2) + 1);
    const std::string fits = " does not fit its 3 rows and its clock";
    const struct Case {
        const char* what;
        std::string text;
        double clock;
        std::string reason;
    } cases[] = {
        {"fewer samples taken than rows", "creatures statistics 1 stride=1 taken=2\n" +
             file.substr(head.size()), 2.5, "its count of samples taken (2, stride 1)" + fits},
        {"a stride the thinning never reaches", "creatures statistics 1 stride=2 taken=3\n" +
             file.substr(head.size()), 2.5, "its count of samples taken (3, stride 2)" + fits},
        {"a stride that keeps no more samples",
         "creatures statistics 1 stride=1099511627776 taken=3\n" + file.substr(head.size()), 2.5,
         "its count of samples taken (3, stride 1099511627776)" + fits},
        {"a sample after the save's clock", file, 1.9,
         "row 4 is later than the save's clock"},
        {"a row twice", file + last, 2.5, "row 5 is not a second after the one before"},
        {"a negative population", withCell(file, 1, 1, "-3"), 2.5, "row 2 is not a sample"},
        {"a fraction of a birth", withCell(file, 1, 3, "0.5"), 2.5, "row 2 is not a sample"},
        {"a generation beyond an int", withCell(file, 1, 12, "1e12"), 2.5, "row 2 is not a sample"},
        {"founder families beyond an int", withCell(file, 2, 16, "3e9"), 2.5,
         "row 3 is not a sample"},
        {"an ancestor generation below -1", withCell(file, 2, 17, "-2"), 2.5,
         "row 3 is not a sample"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StatisticsRecorder r;
        std::string reason;
        EXPECT_FALSE(r.restoreHistory(c.text, c.clock, reason));
        EXPECT_EQ(reason, c.reason);
        EXPECT_TRUE(r.history().empty());
    }
}

} // namespace
