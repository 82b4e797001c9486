// Index: the pulse of the processes (a thread that signals the next process
// and listens to the one before), waiting without spinning, the start's
// check that every process runs the same experiment, the ring of migrants,
// and the run itself.
#include "mpi/mpi_islands.h"

#include <mpi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "run/archipelago.h"

namespace {

// Tags of the messages between processes.
enum Tag : int { kMigrantSize = 1, kMigrant = 2, kClosing = 3, kBeat = 4, kBeatCount = 5 };

using Clock = std::chrono::steady_clock;

// Exit status of a run whose processes disagree about the experiment, as for
// a command line the program does not take.
constexpr int kRefusedStatus = 2;
// Exit status of a run ended because a process went silent.
constexpr int kSilentStatus = 4;

// The pulse of a process: a thread of its own signals the next process of
// the ring every second (every quarter of the wait when that is shorter),
// whatever the process is doing, and notes when the process before last
// signalled. A process that waits for the others ends the run when the one
// before has been silent for the whole wait: it was stopped, or its machine
// is gone, and the run would otherwise wait for ever. The signals go on a
// communicator of their own; stop() takes in every one sent, so none is
// left when MPI ends.
class Pulse {
public:
    Pulse(int rank, int size, double wait, bool threads) : rank_(rank), size_(size), wait_(wait)
    {
        MPI_Comm_dup(MPI_COMM_WORLD, &comm_);
        heard_ = tick_ = Clock::now().time_since_epoch().count();
        if (size_ > 1 && threads)
            thread_ = std::thread([this] { run(); });
    }
    ~Pulse() { stop(); }
    Pulse(const Pulse&) = delete;
    Pulse& operator=(const Pulse&) = delete;

    int rank() const { return rank_; }
    int size() const { return size_; }
    bool listening() const { return thread_.joinable(); }

    // Ends the run when the process before has been silent for the wait,
    // saying so with what this process waited for.
    void check(const std::string& waitingFor) const
    {
        if (!listening())
            return;
        // A process that was stopped itself has not listened meanwhile: its
        // pulse's thread gives the one before a whole wait again when it
        // runs again.
        const Clock::time_point now = Clock::now();
        if (secondsSince(tick_, now) > wait_)
            return;
        const double silent = secondsSince(heard_, now);
        if (silent <= wait_)
            return;
        const int before = (rank_ + size_ - 1) % size_;
        std::ostringstream line;
        line << "creatures: rank " << rank_ << " (island " << rank_ + 1
             << ") has heard nothing from rank " << before << " (island " << before + 1
             << ") for " << static_cast<long long>(silent) << " s (--rank-wait "
             << wait_ << ") while it waited for " << waitingFor
             << "; the run ends, its autosaves as they were last written\n";
        std::cerr << line.str() << std::flush;
        MPI_Abort(MPI_COMM_WORLD, kSilentStatus);
    }

    // Stops signalling and takes in the signals the process before sent.
    void stop()
    {
        if (!thread_.joinable()) {
            if (comm_ != MPI_COMM_NULL)
                MPI_Comm_free(&comm_);
            return;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        thread_.join();
        // Each process tells the next how many signals it sent, then takes
        // in those still on their way from the one before.
        const int next = (rank_ + 1) % size_, before = (rank_ + size_ - 1) % size_;
        long long theirs = 0;
        MPI_Request counts[2];
        MPI_Isend(&sent_, 1, MPI_LONG_LONG, next, kBeatCount, comm_, &counts[0]);
        MPI_Irecv(&theirs, 1, MPI_LONG_LONG, before, kBeatCount, comm_, &counts[1]);
        awaitAll(counts, 2);
        for (; received_ < theirs; ++received_) {
            MPI_Request r;
            MPI_Irecv(&incoming_, 1, MPI_INT, before, kBeat, comm_, &r);
            awaitAll(&r, 1);
        }
        awaitAll(&sending_, 1);
        MPI_Comm_free(&comm_);
    }

private:
    static double secondsSince(const std::atomic<Clock::rep>& then, Clock::time_point now)
    {
        return std::chrono::duration<double>(now - Clock::time_point(Clock::duration(then.load())))
            .count();
    }

    // Completes requests of the pulse's own, sleeping between looks.
    void awaitAll(MPI_Request* requests, int count)
    {
        auto pause = std::chrono::microseconds(100);
        int done = 0;
        while (MPI_Testall(count, requests, &done, MPI_STATUSES_IGNORE), !done) {
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::microseconds(20000));
        }
    }

    void run()
    {
        const int next = (rank_ + 1) % size_, before = (rank_ + size_ - 1) % size_;
        const auto every = std::chrono::duration<double>(std::min(1.0, wait_ / 4));
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stopping_) {
            const Clock::time_point now = Clock::now();
            if (secondsSince(tick_, now) > wait_)
                heard_ = now.time_since_epoch().count();
            tick_ = now.time_since_epoch().count();
            // A signal out, unless the last one has not left yet (the next
            // process is stopped and its queue full).
            int done = 1;
            if (sending_ != MPI_REQUEST_NULL)
                MPI_Test(&sending_, &done, MPI_STATUS_IGNORE);
            if (done) {
                MPI_Isend(&outgoing_, 1, MPI_INT, next, kBeat, comm_, &sending_);
                ++sent_;
            }
            // Every signal that has come in.
            int waiting = 1;
            while (MPI_Iprobe(before, kBeat, comm_, &waiting, MPI_STATUS_IGNORE), waiting) {
                MPI_Recv(&incoming_, 1, MPI_INT, before, kBeat, comm_, MPI_STATUS_IGNORE);
                ++received_;
                heard_ = Clock::now().time_since_epoch().count();
            }
            wake_.wait_for(lock, every, [this] { return stopping_; });
        }
    }

    int rank_, size_;
    double wait_;
    MPI_Comm comm_ = MPI_COMM_NULL;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::atomic<Clock::rep> heard_{0}; // when the process before last signalled
    std::atomic<Clock::rep> tick_{0};  // when the pulse's thread last ran
    MPI_Request sending_ = MPI_REQUEST_NULL;
    long long sent_ = 0, received_ = 0;
    int outgoing_ = 0, incoming_ = 0;
};

// Completes the requests, sleeping between looks (a wait of MPI's own would
// spin on a core for as long as it lasts); ends the run when the process
// before goes silent meanwhile.
void await(MPI_Request* requests, int count, const Pulse& pulse, const std::string& waitingFor)
{
    auto pause = std::chrono::microseconds(100);
    int done = 0;
    while (MPI_Testall(count, requests, &done, MPI_STATUSES_IGNORE), !done) {
        pulse.check(waitingFor);
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(20000));
    }
}

// The length of the next message from `from` with the tag, once it is there.
int awaitMessage(int from, int tag, const Pulse& pulse, const std::string& waitingFor)
{
    auto pause = std::chrono::microseconds(100);
    int there = 0;
    MPI_Status status;
    while (MPI_Iprobe(from, tag, MPI_COMM_WORLD, &there, &status), !there) {
        pulse.check(waitingFor);
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(20000));
    }
    int length = 0;
    MPI_Get_count(&status, MPI_CHAR, &length);
    return length;
}

// A number as the command line would give it, exactly.
std::string exactText(double v)
{
    std::ostringstream o;
    o.precision(15);
    o << v;
    if (std::stod(o.str()) != v) {
        o.str("");
        o.precision(17);
        o << v;
    }
    return o.str();
}

// What makes the experiment of a process: the seed, the length, the
// migration, the saved archipelago it goes on from and the settings given.
// Each a name and a value ("" when not given), the settings by name.
std::vector<std::pair<std::string, std::string>> experimentOf(const RunOptions& o)
{
    std::vector<std::pair<std::string, std::string>> e = {
        {"--seed", o.seedGiven ? std::to_string(o.seed) : ""},
        {"--steps", o.steps >= 0 ? std::to_string(o.steps) : ""},
        {"--seconds", o.seconds >= 0 ? exactText(o.seconds) : ""},
        {"--migrate-every", exactText(o.migrateEvery)},
        {"--load-all", o.loadAllDir}};
    std::vector<std::pair<std::string, std::string>> sets;
    for (const SettingOverride& s : o.settings)
        sets.emplace_back(std::string("--set ") + s.setting->name, exactText(s.value));
    std::sort(sets.begin(), sets.end());
    e.insert(e.end(), sets.begin(), sets.end());
    return e;
}

std::string encode(const std::vector<std::pair<std::string, std::string>>& e)
{
    std::string text;
    for (const auto& [name, value] : e)
        text += name + '\t' + value + '\n';
    return text;
}

std::vector<std::pair<std::string, std::string>> decode(const std::string& text)
{
    std::vector<std::pair<std::string, std::string>> e;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t tab = line.find('\t');
        e.emplace_back(line.substr(0, tab), tab == std::string::npos ? "" : line.substr(tab + 1));
    }
    return e;
}

// How an option of the experiment reads on the command line.
std::string given(const std::string& name, const std::string& value)
{
    if (value.empty())
        return "no " + name;
    return name + (name.rfind("--set ", 0) == 0 ? "=" : " ") + value;
}

// The first way this process's experiment differs from the first
// process's, said as a line; empty when they are the same.
std::string difference(const std::string& mine, const std::string& first, int rank)
{
    const auto a = decode(mine), b = decode(first);
    std::vector<std::string> names;
    for (const auto* e : {&a, &b})
        for (const auto& entry : *e)
            if (std::find(names.begin(), names.end(), entry.first) == names.end())
                names.push_back(entry.first);
    auto valueIn = [](const std::vector<std::pair<std::string, std::string>>& e,
                      const std::string& name) {
        for (const auto& entry : e)
            if (entry.first == name)
                return entry.second;
        return std::string();
    };
    for (const std::string& name : names) {
        const std::string x = valueIn(a, name), y = valueIn(b, name);
        if (x != y)
            return "creatures: rank " + std::to_string(rank) + " was given " + given(name, x) +
                   ", rank 0 " + given(name, y) +
                   ": the processes of a run must run one experiment; the run does not start";
    }
    return std::string();
}

// Every process's check of the start: the same experiment as the first
// process's, and outputs of its island it can write. The first process with
// a problem says it, in one line; false for every process then.
bool startChecks(const RunOptions& options, const Pulse& pulse)
{
    const int rank = pulse.rank();
    std::string mine = encode(experimentOf(options));
    std::string first = mine;
    unsigned long long length = first.size();
    MPI_Request r;
    MPI_Ibcast(&length, 1, MPI_UNSIGNED_LONG_LONG, 0, MPI_COMM_WORLD, &r);
    await(&r, 1, pulse, "the start");
    first.resize(static_cast<std::size_t>(length));
    MPI_Ibcast(first.data(), static_cast<int>(length), MPI_CHAR, 0, MPI_COMM_WORLD, &r);
    await(&r, 1, pulse, "the start");

    std::string problem = difference(mine, first, rank);
    std::string error;
    if (problem.empty() && !checkOutputPaths(options, error, {rank + 1}))
        problem = "creatures: " + error + "; see creatures --help";
    int mineFirst = problem.empty() ? pulse.size() : rank, lowest = pulse.size();
    MPI_Iallreduce(&mineFirst, &lowest, 1, MPI_INT, MPI_MIN, MPI_COMM_WORLD, &r);
    await(&r, 1, pulse, "the start");
    if (lowest == rank)
        std::cerr << problem + "\n" << std::flush;
    return lowest == pulse.size();
}

// The ring across processes: this process's migrant goes to the next rank,
// and the one of the rank before arrives.
std::vector<std::string> passOn(const std::vector<std::string>& chosen, const Pulse& pulse,
                                const std::string& waitingFor)
{
    const int rank = pulse.rank(), size = pulse.size();
    const int next = (rank + 1) % size;
    const int before = (rank + size - 1) % size;
    const std::string& mine = chosen.front();
    std::uint64_t outgoing = mine.size(), incoming = 0;
    MPI_Request r[2];
    MPI_Isend(&outgoing, 1, MPI_UINT64_T, next, kMigrantSize, MPI_COMM_WORLD, &r[0]);
    MPI_Irecv(&incoming, 1, MPI_UINT64_T, before, kMigrantSize, MPI_COMM_WORLD, &r[1]);
    await(r, 2, pulse, waitingFor);
    std::string theirs(static_cast<std::size_t>(incoming), '\0');
    MPI_Isend(mine.data(), static_cast<int>(outgoing), MPI_BYTE, next, kMigrant, MPI_COMM_WORLD,
              &r[0]);
    MPI_Irecv(theirs.data(), static_cast<int>(incoming), MPI_BYTE, before, kMigrant,
              MPI_COMM_WORLD, &r[1]);
    await(r, 2, pulse, waitingFor);
    return {theirs};
}

// The processes of the run save the archipelago together: the first writes
// the top of the save and puts the islands in place. Each exchange waits as
// the others do, ending the run when a process goes silent.
class MpiSaveCollective : public SaveCollective {
public:
    explicit MpiSaveCollective(const Pulse& pulse) : pulse_(pulse) {}
    bool leads() const override { return pulse_.rank() == 0; }
    int fromLead(int value) override
    {
        MPI_Request r;
        MPI_Ibcast(&value, 1, MPI_INT, 0, MPI_COMM_WORLD, &r);
        await(&r, 1, pulse_, "a save");
        return value;
    }
    std::vector<std::string> gatherAtLead(const std::string& mine) override
    {
        const int size = pulse_.size();
        const bool lead = leads();
        int length = static_cast<int>(mine.size());
        std::vector<int> lengths(static_cast<std::size_t>(size));
        MPI_Request r;
        MPI_Igather(&length, 1, MPI_INT, lengths.data(), 1, MPI_INT, 0, MPI_COMM_WORLD, &r);
        await(&r, 1, pulse_, "a save");
        std::vector<int> offsets(static_cast<std::size_t>(size), 0);
        int total = 0;
        for (std::size_t i = 0; lead && i < lengths.size(); ++i) {
            offsets[i] = total;
            total += lengths[i];
        }
        std::string all(static_cast<std::size_t>(total), '\0');
        MPI_Igatherv(mine.data(), length, MPI_CHAR, all.data(), lengths.data(), offsets.data(),
                     MPI_CHAR, 0, MPI_COMM_WORLD, &r);
        await(&r, 1, pulse_, "a save");
        std::vector<std::string> texts;
        for (std::size_t i = 0; lead && i < lengths.size(); ++i)
            texts.push_back(all.substr(static_cast<std::size_t>(offsets[i]),
                                       static_cast<std::size_t>(lengths[i])));
        return texts;
    }
    long long smallest(long long value) override
    {
        long long least = value;
        MPI_Request r;
        MPI_Iallreduce(&value, &least, 1, MPI_LONG_LONG, MPI_MIN, MPI_COMM_WORLD, &r);
        await(&r, 1, pulse_, "an autosave");
        return least;
    }

private:
    const Pulse& pulse_;
};

int runIsland(const RunOptions& options, std::uint32_t seed, const Pulse& pulse)
{
    const int rank = pulse.rank(), size = pulse.size();
    MPI_Request r;
    if (!startChecks(options, pulse))
        return kRefusedStatus;
    // The first process speaks before the others can load anything: they
    // wait for its seed below.
    if (rank == 0) {
        // Its own line on one stream: the launcher passes each stream on
        // separately, so a line ended on the other may end elsewhere.
        std::printf("%d\n", options.runNumber);
        std::fflush(stdout);
        for (const std::string& file : replacedOutputs(options, islandNumbers(size)))
            std::cerr << "creatures: " << file << " exists and will be replaced" << std::endl;
    }
    // A seed from the clock differs between processes: the first one's holds.
    std::uint32_t runSeed = seed;
    MPI_Ibcast(&runSeed, 1, MPI_UINT32_T, 0, MPI_COMM_WORLD, &r);
    await(&r, 1, pulse, "the start");

    const int saved = options.loadAllDir.empty() ? 0 : savedIslands(options.loadAllDir);
    Archipelago archipelago;
    MpiSaveCollective collective(pulse);
    archipelago.setCollective(&collective);
    archipelago.setRing([&pulse, &archipelago](const std::vector<std::string>& chosen) {
        std::ostringstream what;
        what << "the migrants of the epoch at " << archipelago.island(0).sim.time
             << " simulated s";
        return passOn(chosen, pulse, what.str());
    });
    int built = 1;
    if (saved < 0) {
        built = 0; // not one whole save: said
    } else if (!options.loadAllDir.empty() && saved != size) {
        if (rank == 0)
            std::cerr << "creatures: " << options.loadAllDir << " holds " << saved
                      << " islands, not " << size << "; the run does not start\n";
        built = 0;
    } else if (!archipelago.build(options, runSeed, rank + 1, 1, size)) {
        built = 0;
    }
    // Every process starts, or none: a run with an island missing would
    // wait for it at the first epoch.
    int all = 0;
    MPI_Iallreduce(&built, &all, 1, MPI_INT, MPI_MIN, MPI_COMM_WORLD, &r);
    await(&r, 1, pulse, "the start");
    int status = 0;
    if (all == 0) {
        status = 1;
    } else {
        long long start = archipelago.startStep();
        MPI_Ibcast(&start, 1, MPI_LONG_LONG, 0, MPI_COMM_WORLD, &r);
        await(&r, 1, pulse, "the start");
        archipelago.setStartStep(start);
        std::ostringstream quiet;
        status = archipelago.runHeadless(rank == 0 ? std::cerr : quiet);
        if (!archipelago.finish() && status == 0)
            status = 1;
        // The closing lines of the other islands, in island order after
        // the first's.
        const std::string text = quiet.str();
        const std::size_t at = text.find("  island ");
        std::string closing = at == std::string::npos ? text : text.substr(at);
        if (rank != 0) {
            MPI_Isend(closing.data(), static_cast<int>(closing.size()), MPI_CHAR, 0, kClosing,
                      MPI_COMM_WORLD, &r);
            await(&r, 1, pulse, "the end of the run");
        } else {
            for (int from = 1; from < size; ++from) {
                const int length = awaitMessage(from, kClosing, pulse, "the end of the run");
                std::string lines(static_cast<std::size_t>(length), '\0');
                MPI_Irecv(lines.data(), length, MPI_CHAR, from, kClosing, MPI_COMM_WORLD, &r);
                await(&r, 1, pulse, "the end of the run");
                std::cerr << lines;
            }
        }
    }
    int worst = 0;
    MPI_Iallreduce(&status, &worst, 1, MPI_INT, MPI_MAX, MPI_COMM_WORLD, &r);
    await(&r, 1, pulse, "the end of the run");
    return worst;
}

} // namespace

int runMpiIsland(const RunOptions& options, std::uint32_t seed)
{
    // The pulse's thread uses MPI beside the run's own calls.
    int provided = MPI_THREAD_SINGLE;
    MPI_Init_thread(nullptr, nullptr, MPI_THREAD_MULTIPLE, &provided);
    int rank = 0, size = 1;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    MPI_Comm_size(MPI_COMM_WORLD, &size);
    const bool threads = provided >= MPI_THREAD_MULTIPLE;
    if (!threads && rank == 0 && size > 1)
        std::cerr << "creatures: this MPI library takes no calls from threads: a process that "
                     "stops is not noticed, and the run waits for it\n";
    int status = 0;
    {
        Pulse pulse(rank, size, options.rankWait, threads);
        status = runIsland(options, seed, pulse);
        pulse.stop();
    }
    MPI_Finalize();
    return status;
}
