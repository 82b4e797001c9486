// Fuzz target: a save whose statistics.csv may be anything (save_csv_fuzz.h).
#include "save_csv_fuzz.h"

namespace {

fuzz::SaveCsvTarget target{"statistics.csv", nullptr, nullptr, {}, nullptr, nullptr};

bool reads(const std::string& text, const Simulation& saved)
{
    StatisticsRecorder recorder;
    std::string reason;
    return recorder.restoreHistory(text, saved.time, reason);
}

void writeCorpus(const std::string& folder)
{
    Scene s(43, 4);
    const SavedFiles files = fuzz::savedWorld(s);
    fuzz::writeSeed(folder, "samples", fuzz::fileOf(files, "statistics.csv"));
    fuzz::writeSeed(folder, "head-only", "creatures statistics 1 stride=1 taken=0\n");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::prepareSaveCsv(target, 43, reads, writeCorpus);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzz::runSaveCsv(target, data, size);
}
