#include "run/run_paths.h"

const std::vector<RunPath>& runPaths()
{
    // The islands' statistics, lineage and tree files carry their numbers;
    // their saves, champions and autosaves go into folders of their own
    // inside the one named, and each loads its own folder of a saved
    // archipelago.
    static const std::vector<RunPath> paths = {
        {"--save-all", &RunOptions::saveAllDir, true, true, IslandPath::Inside},
        {"--champions", &RunOptions::championsDir, true, true, IslandPath::Inside},
        {"--trial-csv", &RunOptions::trialCsv, false, true, IslandPath::Shared},
        {"--screenshot", &RunOptions::screenshotFile, false, true, IslandPath::Shared},
        {"--record", &RunOptions::recordFile, false, true, IslandPath::Shared},
        {"--tree", &RunOptions::treeFile, false, true, IslandPath::Numbered},
        {"--stats", &RunOptions::statsFile, false, true, IslandPath::Numbered},
        {"--lineage", &RunOptions::lineageFile, false, true, IslandPath::Numbered},
        {"--load-all", &RunOptions::loadAllDir, true, false, IslandPath::Inside},
        {nullptr, &RunOptions::autosaveFolder, true, true, IslandPath::Inside},
    };
    return paths;
}

const RunPath* findRunPath(const std::string& option)
{
    for (const RunPath& p : runPaths())
        if (p.option && option == p.option)
            return &p;
    return nullptr;
}
