// Fuzz target: a save whose family.csv may be anything (save_csv_fuzz.h).
#include "save_csv_fuzz.h"

namespace {

fuzz::SaveCsvTarget target{"family.csv", nullptr, nullptr, {}, nullptr, nullptr};

bool reads(const std::string& text, const Simulation& saved)
{
    std::vector<FamilyMember> members;
    std::string reason;
    return decodeFamily(text, saved.population, saved.time, members, reason);
}

void writeCorpus(const std::string& folder)
{
    Scene s(41, 4);
    const SavedFiles files = fuzz::savedWorld(s);
    fuzz::writeSeed(folder, "family", fuzz::fileOf(files, "family.csv"));
    fuzz::writeSeed(folder, "header-only", encodeFamily(std::vector<FamilyMember>{}));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::prepareSaveCsv(target, 41, reads, writeCorpus);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzz::runSaveCsv(target, data, size);
}
