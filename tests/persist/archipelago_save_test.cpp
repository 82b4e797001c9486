// An archipelago's save is one save: killed anywhere it leaves the whole
// earlier save or the whole new one, two processes saving into one folder at
// once leave one of theirs whole, and a load takes only islands of one save.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "persist/archipelago_save.h"
#include "persist/save_folder.h"
#include "persist_support.h"

namespace {

// A save of `count` islands whose every file says which save it is.
IslandSaves islandsOf(const std::string& tag, int count)
{
    IslandSaves saves;
    for (int n = 1; n <= count; ++n) {
        SavedFiles files;
        for (const char* name : {"config.dat", "0.dat", "1.dat", "posAgent.dat", "family.csv"})
            files.emplace_back(name, tag + " island " + std::to_string(n) + " " + name);
        saves.emplace_back(n, files);
    }
    return saves;
}

ArchipelagoHeader headerOf(int count)
{
    ArchipelagoHeader h;
    h.islands = count;
    h.seed = 7;
    h.migrateEvery = 600;
    return h;
}

// Which save a load of the folder sees: the tag every one of its islands'
// files carries, or "mixed" / the refusal.
std::string seenSave(const std::string& folder)
{
    std::string seen;
    persist_test::printedBy([&] {
        try {
            const SaveLayout layout = readSaveLayout(folder);
            if (!layout.archipelago || !layout.checked) {
                seen = "no archipelago";
                return;
            }
            std::string tag;
            for (std::size_t i = 0; i < layout.islandFolders.size(); ++i) {
                const std::string text =
                    persist_test::readBytes(layout.islandFolders[i] + "/config.dat");
                const std::string own = text.substr(0, text.find(' '));
                if (text != own + " island " + std::to_string(i + 1) + " config.dat" ||
                    (!tag.empty() && own != tag)) {
                    seen = "mixed";
                    return;
                }
                tag = own;
            }
            seen = tag + " of " + std::to_string(layout.islandFolders.size());
        } catch (const std::string& text) {
            seen = text;
        }
    });
    return seen;
}

class ArchipelagoSave : public PersistTest {};

TEST_F(ArchipelagoSave, AKillAnywhereLeavesTheWholeOldSaveOrTheWholeNewOne)
{
    persist_test::printedBy([] { saveArchipelago("pristine", headerOf(2), islandsOf("old", 2)); });
    ASSERT_EQ(seenSave("pristine"), "old of 2");
    int kills = 0;
    for (int point = 1; point < 100; ++point) {
        SCOPED_TRACE("killed at point " + std::to_string(point));
        std::filesystem::remove_all("target");
        persist_test::copyFolder("pristine", "target");
        const bool killed = persist_test::killedAtCheckpoint(
            point, [](const SaveCheckpoint& c) {
                saveArchipelago("target", headerOf(3), islandsOf("new", 3), nullptr, c);
            });
        const std::string seen = seenSave("target");
        EXPECT_TRUE(seen == "old of 2" || seen == "new of 3") << seen;
        EXPECT_TRUE(killed || seen == "new of 3");

        // The next save finishes or removes what the killed one left, and a
        // smaller save leaves nothing of the larger.
        persist_test::printedBy([] { saveArchipelago("target", headerOf(1), islandsOf("next", 1)); });
        EXPECT_EQ(seenSave("target"), "next of 1");
        EXPECT_FALSE(persist_test::exists(std::string("target/") + kStagingName));
        EXPECT_FALSE(persist_test::exists("target/island-2"));
        if (!killed)
            break;
        ++kills;
    }
    EXPECT_GE(kills, 20) << "every staged file, the top file, the journal and every island";
}

TEST_F(ArchipelagoSave, TwoProcessesSavingIntoOneFolderLeaveOneOfTheirSavesWhole)
{
    int mixed = 0;
    for (int round = 0; round < 100; ++round) {
        std::filesystem::remove_all("shared");
        pid_t pids[2];
        for (int k = 0; k < 2; ++k) {
            pids[k] = ::fork();
            ASSERT_GE(pids[k], 0);
            if (pids[k] == 0) {
                ::freopen("/dev/null", "w", stderr);
                try {
                    saveArchipelago("shared", headerOf(2 + k), islandsOf(k ? "three" : "two", 2 + k));
                } catch (const std::string&) {
                    ::_exit(1);
                }
                ::_exit(0);
            }
        }
        int status[2] = {0, 0};
        for (int k = 0; k < 2; ++k)
            ::waitpid(pids[k], &status[k], 0);
        const std::string seen = seenSave("shared");
        if (seen != "two of 2" && seen != "three of 3")
            ++mixed;
        EXPECT_TRUE(WIFEXITED(status[0]) && WIFEXITED(status[1]));
    }
    EXPECT_EQ(mixed, 0);
}

TEST_F(ArchipelagoSave, TheTopFileIsReadStrictly)
{
    std::vector<std::string> sums(2, std::string(64, 'a'));
    const std::string good = encodeArchipelago(headerOf(2), sums);
    ArchipelagoHeader h;
    std::vector<std::string> read;
    std::string reason;
    ASSERT_TRUE(decodeArchipelago(good, h, read, reason)) << reason;
    EXPECT_EQ(h.islands, 2);
    EXPECT_EQ(read, sums);
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    for (const std::string& bad :
         {replaced("islands 2", "islands 3"), replaced("islands 2", "islands 0"),
          replaced("islands 2", "islands 2147483648"), replaced("seed 7", "seed -1"),
          replaced("migrate-every 600", "migrate-every inf"), replaced("time 0", "time nan"),
          replaced("island 2 ", "island 3 "), replaced(std::string(64, 'a') + "\nend", "xyz\nend"),
          good.substr(0, good.size() - 4), good + "more\n", std::string("creatures world\n")}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(decodeArchipelago(bad, h, read, reason));
    }
}

} // namespace
