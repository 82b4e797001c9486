#include "ui/request_runner.h"

#include "ecology/arena.h"
#include "persist/creature_save.h"
#include "persist/save_all.h"
#include "ui/view_setup.h"

namespace {

// Runs one folder operation; shows its success or the text it threw.
void runFolderRequest(World& w, const Request& r)
{
    const std::string folder = requestFolder(r);
    const bool isLoad = r.kind == Request::LoadAll || r.kind == Request::LoadCreature;
    const size_t before = w.sim.population.size();
    std::string unfinished;
    try {
        switch (r.kind) {
        case Request::LoadAll:
            loadAll(w.sim, w.settings, folder);
            forgetAllCreatures(w.view);
            break;
        case Request::SaveAll: saveAll(w.sim, w.settings, folder, &unfinished); break;
        case Request::LoadCreature: {
            const OrbitCamera& c = w.view.mainCamera;
            loadCreature(w.sim, w.settings, folder, PlacePoint{c.target[0], c.target[1]});
            break;
        }
        case Request::SaveCreature:
            saveCreature(w.sim, w.view.selectedAgent, folder, &unfinished);
            break;
        default: return;
        }
        std::string text = std::string(isLoad ? "Loaded" : "Saved") + std::to_string(r.number) + "...";
        if (!unfinished.empty())
            text += "\nbut not finished: " + unfinished;
        showMessage(w.driver.message, text, unfinished.empty() ? 2.0 : 6.0);
    } catch (const std::string& text) {
        // A failed creature load takes back the creature it appended.
        if (r.kind == Request::LoadCreature && w.sim.population.size() > before) {
            forgetCreature(w.view, &w.sim.population.back());
            w.sim.hallOfFame.leaves(w.sim.population.back());
            removeLastCreature(w.sim.population);
        }
        showMessage(w.driver.message, text, 2.0);
    }
}

} // namespace

std::string requestFolder(const Request& r)
{
    switch (r.kind) {
    case Request::LoadAll:
    case Request::SaveAll: return "saveData" + std::to_string(r.number);
    case Request::LoadCreature:
    case Request::SaveCreature: return "saveDataOneCreature" + std::to_string(r.number);
    default: return std::string();
    }
}

void initializeWorld(World& w)
{
    if (w.sim.contactGroup) {
        dJointGroupDestroy(w.sim.contactGroup);
        w.sim.contactGroup = nullptr;
    }
    forgetAllCreatures(w.view);
    clearCreatures(w.sim);
    resetWorld(w.sim, w.settings);
    resetView(w);
}

bool runRequests(World& w)
{
    while (!w.driver.requestQueue.empty()) {
        const Request r = w.driver.requestQueue.front();
        w.driver.requestQueue.pop_front();
        if (r.kind == Request::Initialize) {
            initializeWorld(w);
            showMessage(w.driver.message, "Initialized...", 2.0);
            return false;
        }
        runFolderRequest(w, r);
    }
    return true;
}
