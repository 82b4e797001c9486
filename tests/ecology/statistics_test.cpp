// The statistics samples as a file of a save: a recorder's own file comes
// back whole at every thinning, and a file that does not fit its save is
// refused with the reason.
#include <gtest/gtest.h>

#include "ecology/simulation.h"

namespace {

TEST(StatisticsFile, ARecordersOwnFileComesBackWholeAtEveryStride)
{
    for (int seconds : {0, 1, 2048, 2049, 4097, 9000}) {
        Simulation s;
        for (int t = 0; t < seconds; ++t) {
            s.time = t + 0.5;
            s.statistics.afterStep(s);
        }
        const std::string file = s.statistics.encodeHistory();
        StatisticsRecorder back;
        std::string reason;
        EXPECT_TRUE(back.restoreHistory(file, s.time, reason)) << seconds << ": " << reason;
        EXPECT_EQ(back.encodeHistory(), file) << seconds;
    }
}

TEST(StatisticsFile, AFileThatDoesNotFitItsSaveIsRefused)
{
    // A sample of an empty world at `time`, one cell changed.
    auto sample = [](const char* time, std::size_t cell = 1, const char* value = "0") {
        std::vector<std::string> cells(22, "0");
        cells[0] = time;
        cells[17] = cells[18] = "-1";
        cells[cell] = value;
        std::string row;
        for (const std::string& c : cells)
            row += (row.empty() ? "" : ",") + c;
        return row + "\n";
    };
    const std::string rows = sample("0.5") + sample("1.5");
    const std::string head = "creatures statistics 1 stride=1 taken=2\n";
    const struct Case {
        const char* what;
        std::string text;
        std::string reason;
    } cases[] = {
        {"the file", head + rows, ""},
        {"fewer samples taken than rows", "creatures statistics 1 stride=1 taken=1\n" + rows,
         "its count of samples taken (1, stride 1) does not fit its 2 rows and its clock"},
        {"a stride the thinning never reaches", "creatures statistics 1 stride=2 taken=3\n" + rows,
         "its count of samples taken (3, stride 2) does not fit its 2 rows and its clock"},
        {"a stride that keeps no more samples",
         "creatures statistics 1 stride=1099511627776 taken=2\n" + rows,
         "its count of samples taken (2, stride 1099511627776) does not fit its 2 rows and its "
         "clock"},
        {"a sample after the save's clock", head + rows + sample("2.5"),
         "row 4 is later than the save's clock"},
        {"a row twice", head + rows + sample("1.5"), "row 4 is not a second after the one before"},
        {"a negative population", head + sample("0.5", 1, "-3"), "row 2 is not a sample"},
        {"a generation beyond an int", head + sample("0.5", 12, "1e12"), "row 2 is not a sample"},
        {"a fraction of a birth", head + sample("0.5", 3, "0.5"), "row 2 is not a sample"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StatisticsRecorder r;
        std::string reason;
        EXPECT_EQ(r.restoreHistory(c.text, 2.0, reason), c.reason.empty());
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(r.history().size(), c.reason.empty() ? 2u : 0u);
    }
}

} // namespace
