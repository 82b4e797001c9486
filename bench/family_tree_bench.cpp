// The Family tree window's cost: laying out a large tree, making its Muller
// plot, and drawing the window each frame in the program's window (run it
// under xvfb-run for Mesa's software renderer).
//
//   xvfb-run -a -s "-screen 0 1280x800x24" ./build/bench/family_tree_bench
//       [--hours H] [--population P] [--lifetime S] [--family FILE]
//       [--window WxH] [--frames N] [--pictures DIR]
//
// The tree is a made-up run of H simulated hours (default 6) keeping about P
// creatures alive (default 150) that live about S seconds (default 180) and
// have children with mutated hues, refilled with new founders when few are
// left; or the family.csv of a save (--family). Per frame it prints the
// time of building the window's drawing (panel ms: what the tree costs the
// program's thread between changes of the tree) and of the whole drawing of
// the frame, finished (draw ms: the sky and ground, and the window's pixels
// in the software renderer), for the living's ancestry and for every line,
// with the whole run in view and zoomed to its last half hour, and with the
// window collapsed for comparison. --pictures keeps the last frame of each
// view as a PNG in DIR, for a look.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "drawlib/gl/window_backend.h"
#include "ui/family_tree_view.h"
#include "ui/imgui/family_tree_window.h"
#include "ui/world.h"
#include "window/windowed_run.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// A made-up run, second by second: deaths at random after about `lifetime`
// seconds, a child of two living creatures whenever fewer than `population`
// live (at most one a second per ten alive), new founders when fewer than a
// tenth of it live.
std::vector<FamilyMember> madeUpRun(double hours, int population, double lifetime)
{
    std::mt19937 random(2024);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::normal_distribution<double> drift(0.0, 6.0);
    std::vector<FamilyMember> members;
    std::vector<std::size_t> living;
    int nextId = 0;
    auto arrive = [&](double t, int a, int b) {
        FamilyMember m;
        m.id = nextId++;
        m.born = t;
        m.parents[0] = a;
        m.parents[1] = b;
        if (a >= 0) {
            const FamilyMember& p = members[static_cast<std::size_t>(a)];
            m.origin = FamilyMember::Birth;
            m.generation = p.generation + 1;
            m.founder = p.founder;
            m.hue = static_cast<float>(std::fmod(p.hue + drift(random) + 360.0, 360.0));
        } else {
            m.origin = t > 0 ? FamilyMember::Refill : FamilyMember::StartUp;
            m.founder = m.id;
            m.hue = static_cast<float>(unit(random) * 359.0);
        }
        m.foods = static_cast<int>(unit(random) * 20);
        m.bestScore = unit(random) * 100;
        m.cycles = 40;
        m.progress = unit(random) * 20;
        living.push_back(members.size());
        members.push_back(m);
    };
    for (int i = 0; i < population / 4; ++i)
        arrive(0.0, -1, -1);
    for (double t = 1.0; t <= hours * 3600.0; t += 1.0) {
        for (std::size_t k = 0; k < living.size();) {
            if (unit(random) < 1.0 / lifetime) {
                members[living[k]].died = t;
                living[k] = living.back();
                living.pop_back();
            } else {
                ++k;
            }
        }
        const int births = std::max(1, static_cast<int>(living.size()) / 10);
        for (int b = 0; b < births && static_cast<int>(living.size()) < population &&
                        living.size() >= 2;
             ++b) {
            const std::size_t a = living[random() % living.size()];
            const std::size_t c = living[random() % living.size()];
            // Parents were born before this second, as in the world.
            if (a != c && members[a].born < t && members[c].born < t && unit(random) < 0.3) {
                ++members[a].children;
                ++members[c].children;
                arrive(t, members[a].id, members[c].id);
            }
        }
        while (static_cast<int>(living.size()) < std::max(2, population / 10))
            arrive(t, -1, -1);
    }
    return members;
}

World* world = nullptr;
WindowBackend* backend = nullptr;
int frameCount = 0;
int warmup = 5;
std::string picture; // where the next frames' last picture goes, if anywhere

struct Timing {
    double panel = 0.0, panelMax = 0.0, drawing = 0.0;
    int frames = 0;
};
Timing timing;

// Frames of the Family tree window alone, timed after the warm-up.
class TreeFrames final : public FrameHandler {
public:
    bool prepare(int) override
    {
        // The times of the frame that just ended.
        if (frameCount > warmup) {
            const WindowBackend::FrameTimes& t = backend->lastFrameTimes();
            timing.panel += t.panel;
            timing.panelMax = std::max(timing.panelMax, t.panel);
            timing.drawing += t.drawing;
            ++timing.frames;
        }
        ++frameCount;
        return false;
    }
    void panel() override { drawFamilyTreeWindow(*world); }
    void windowSize(int width, int height) override
    {
        world->view.windowWidth = width;
        world->view.windowHeight = height;
    }
};

// Draws `count` frames after the warm-up; mean times per frame.
Timing frames(int count)
{
    TreeFrames fn;
    frameCount = 0;
    timing = Timing{};
    backend->stopAfterFrames(count + warmup + 1, picture);
    dsSimulationLoop(0, nullptr, world->view.windowWidth, world->view.windowHeight, fn);
    Timing t = timing;
    const double n = std::max(1, t.frames);
    t.panel /= n;
    t.drawing /= n;
    return t;
}

} // namespace

int main(int argc, char** argv)
{
    double hours = 6.0, lifetime = 180.0;
    int population = 150, count = 100, width = 1280, height = 800;
    std::string familyFile, pictures;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--hours" && more)
            hours = std::atof(argv[++i]);
        else if (a == "--population" && more)
            population = std::atoi(argv[++i]);
        else if (a == "--lifetime" && more)
            lifetime = std::atof(argv[++i]);
        else if (a == "--family" && more)
            familyFile = argv[++i];
        else if (a == "--frames" && more)
            count = std::max(1, std::atoi(argv[++i]));
        else if (a == "--pictures" && more)
            pictures = argv[++i];
        else if (a == "--window" && more)
            std::sscanf(argv[++i], "%dx%d", &width, &height);
        else {
            std::fprintf(stderr, "family_tree_bench: unknown argument %s\n", a.c_str());
            return 2;
        }
    }

    World w;
    w.view.windowWidth = width;
    w.view.windowHeight = height;
    std::vector<FamilyMember> members;
    if (!familyFile.empty()) {
        std::ifstream in(familyFile, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        std::string reason;
        if (!decodeFamily(text, Population{}, std::numeric_limits<double>::max(), members, reason)) {
            std::fprintf(stderr, "family_tree_bench: %s: %s\n", familyFile.c_str(), reason.c_str());
            return 1;
        }
    } else {
        members = madeUpRun(hours, population, lifetime);
    }
    double now = 0.0;
    int alive = 0;
    for (const FamilyMember& m : members) {
        now = std::max({now, m.born, m.died});
        alive += m.alive();
    }
    w.sim.time = now;
    w.sim.family.assign(std::move(members));
    const FamilyTree& tree = w.sim.family;

    std::printf("tree: %zu creatures over %.1f simulated hours, %d alive (%s)\n",
                tree.members().size(), now / 3600.0, alive,
                familyFile.empty() ? "made up" : familyFile.c_str());
    for (bool every : {false, true}) {
        const Clock::time_point t0 = Clock::now();
        const FamilyTreeLayout l = layOutFamilyTree(tree, every);
        const double ms = msSince(t0);
        std::printf("layout, %-16s %8.2f ms  %6zu bars in %4zu lanes, %d lines hidden\n",
                    every ? "every line:" : "living's lines:", ms, l.nodes.size(), l.lanes.size(),
                    l.hiddenLines);
    }
    {
        const Clock::time_point t0 = Clock::now();
        const MullerPlot m = mullerPlot(tree, now, 150);
        std::printf("Muller plot, 150 bins:    %8.2f ms  %6zu founder families\n", msSince(t0),
                    m.bands.size());
    }

    std::string error;
    ProgramWindow window;
    if (!window.open(width, height, error)) {
        std::fprintf(stderr, "family_tree_bench: no window (%s); run it under xvfb-run\n",
                     error.c_str());
        return 1;
    }
    backend = window.backend();
    backend->setFinishEachFrame(true);
    world = &w;
    std::printf("\n%d x %d window, %d frames each, each frame finished:\n", width, height, count);
    std::printf("%-36s %9s %9s %9s\n", "", "panel ms", "max", "draw ms");
    auto name = [&](const std::string& what) {
        if (pictures.empty())
            return;
        std::string file;
        for (char ch : what)
            file += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '-';
        picture = pictures + "/" + file + ".png";
    };
    auto row = [&](const std::string& what, const Timing& t) {
        std::printf("%-36s %9.3f %9.3f %9.2f%s\n", what.c_str(), t.panel, t.panelMax, t.drawing,
                    drawnFamilyTree() && drawnFamilyTree()->simplified ? "  simplified" : "");
    };
    openFamilyTreeWindow(false);
    name("tree collapsed");
    row("tree collapsed", frames(count));
    openFamilyTreeWindow(true);
    {
        // The window's own pixels: open over an empty tree.
        std::vector<FamilyMember> kept = tree.members();
        w.sim.family.assign({});
        name("tree open, no creature");
        row("tree open, no creature", frames(count));
        w.sim.family.assign(std::move(kept));
    }
    for (bool every : {false, true}) {
        const std::string what = every ? "every line, " : "living's lines, ";
        showEveryFamilyLine(every);
        familyTreeViewport().showWholeRun();
        name(what + "whole run");
        row(what + "whole run", frames(count));
        // The last half hour, following now.
        TreeViewport& v = familyTreeViewport();
        v.wholeRun = false;
        v.followsNow = true;
        v.t1 = now;
        v.t0 = now - 1800.0;
        name(what + "last 30 min");
        row(what + "last 30 min", frames(count));
    }
    std::printf("\npanel ms: building the window's drawing (the tree is laid out again only\n"
                "when it changes, not in these frames); draw ms: the whole frame's drawing,\n"
                "the sky and the ground included (compare the collapsed tree and the empty\n"
                "one). simplified: more creatures in view than the window draws one by one\n"
                "(bars that touch are joined, every so many lines to the parents are drawn).\n");
    world = nullptr;
    window.close();
    return 0;
}
