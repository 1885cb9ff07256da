// Clips damaged the ways copies and cards damage them (bytes flipped, cut short, ranges
// doubled, spliced or zeroed), each made from a logged seed: every one renders and plays
// briefly or fails with a code, never hangs, and the process ends with the threads and
// descriptors it started with.
//
// GRAPH_MUTANTS=N plays N of them (50 by default) and GRAPH_MUTANT_SEED=S starts from seed S,
// for a longer run by hand. Each mutant is logged before the graph sees it and stays in the
// test's device root, so that a decoder that brings the process down leaves its file behind.
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <random>

#include "container_clips.h"
#include "platform/files/files.h"
#include "platform/media/com_object.h"
#include "playback_fixture.h"
#include "process_counts.h"

namespace platform::testing {
namespace {

constexpr unsigned kDefaultMutants = 50;
constexpr uint32_t kDefaultFirstSeed = 4100;
// How long the graph plays a mutant that rendered.
constexpr auto kPlayTime = 250ms;
// A step past this has hung: the test stops the process so that the mutant stays behind.
constexpr auto kHangLimit = 15s;

unsigned EnvironmentNumber(const char* name, unsigned fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : fallback;
}

// Damage of one kind to a copy of a clip, from a seeded generator: the same seed gives the
// same bytes.
class Mutator {
public:
    explicit Mutator(uint32_t seed) : m_random(seed) {}

    std::string Mutate(std::string bytes, std::string& description)
    {
        const size_t changes = 1 + Below(3);
        for (size_t change = 0; change < changes && !bytes.empty(); ++change) {
            switch (Below(5)) {
            case 0: FlipBytes(bytes, description); break;
            case 1: Truncate(bytes, description); break;
            case 2: Duplicate(bytes, description); break;
            case 3: Splice(bytes, description); break;
            default: Zero(bytes, description); break;
            }
        }
        return bytes;
    }

private:
    size_t Below(size_t limit) { return limit == 0 ? 0 : static_cast<size_t>(m_random() % limit); }
    // Half the changes land in the first 4 KiB, where the headers are.
    size_t Offset(size_t size) { return Below(2) == 0 ? Below(std::min<size_t>(size, 4096)) : Below(size); }
    static void Note(std::string& description, const char* format, size_t a, size_t b = 0, size_t c = 0)
    {
        char line[96];
        std::snprintf(line, sizeof line, format, a, b, c);
        description += description.empty() ? "" : "; ";
        description += line;
    }

    void FlipBytes(std::string& bytes, std::string& description)
    {
        const size_t count = 1 + Below(16);
        for (size_t i = 0; i < count; ++i) {
            const size_t at = Offset(bytes.size());
            bytes[at] = static_cast<char>(bytes[at] ^ static_cast<char>(1 + Below(255)));
        }
        Note(description, "%zu bytes flipped", count);
    }
    void Truncate(std::string& bytes, std::string& description)
    {
        const size_t kept = bytes.size() * (10 + Below(86)) / 100;
        Note(description, "cut to %zu of %zu", kept, bytes.size());
        bytes.resize(kept);
    }
    size_t RangeLength(size_t size) { return 1 + Below(std::min<size_t>(size, 64 * 1024)); }
    void Duplicate(std::string& bytes, std::string& description)
    {
        const size_t length = RangeLength(bytes.size());
        const size_t from = Below(bytes.size() - length + 1);
        const size_t to = Offset(bytes.size() + 1);
        bytes.insert(to, bytes.substr(from, length));
        Note(description, "%zu bytes from %zu doubled at %zu", length, from, to);
    }
    void Splice(std::string& bytes, std::string& description)
    {
        const size_t length = RangeLength(bytes.size());
        const size_t from = Below(bytes.size() - length + 1);
        const size_t to = Offset(bytes.size() - length + 1);
        const std::string range = bytes.substr(from, length);
        bytes.replace(to, length, range);
        Note(description, "%zu bytes from %zu written over %zu", length, from, to);
    }
    void Zero(std::string& bytes, std::string& description)
    {
        const size_t length = 1 + Below(std::min<size_t>(bytes.size(), 16 * 1024));
        const size_t at = Offset(bytes.size() - length + 1);
        std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), length, '\0');
        Note(description, "%zu bytes zeroed at %zu", length, at);
    }

    std::mt19937 m_random;
};

// Ends the process when a step of one mutant takes past the limit: a hang then shows as a
// failure naming the mutant (logged before it started) instead of the test's time running out.
class HangWatch {
public:
    HangWatch()
        : m_thread([this] {
              std::unique_lock lock(m_mutex);
              while (!m_done) {
                  if (m_armed && Clock::now() > m_deadline) {
                      std::fprintf(stderr, "hung: %s\n", m_step.c_str());
                      std::abort();
                  }
                  m_changed.wait_for(lock, 100ms);
              }
          })
    {
    }
    ~HangWatch()
    {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    void Arm(const std::string& step)
    {
        std::lock_guard lock(m_mutex);
        m_armed = true;
        m_step = step;
        m_deadline = Clock::now() + kHangLimit;
    }
    void Disarm()
    {
        std::lock_guard lock(m_mutex);
        m_armed = false;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_done = false;
    bool m_armed = false;
    std::string m_step;
    Clock::time_point m_deadline;
    std::thread m_thread;
};

struct Outcome {
    HRESULT rendered = E_FAIL;
    double render_seconds = 0.0;
    double position = 0.0;
    double duration = 0.0;
    bool duration_known = false;
    double teardown_seconds = 0.0;
};

class MutantGraph : public PlaybackGraph {
protected:
    // Renders the file; when it renders, plays it briefly, reads the position and takes the
    // graph down in the players' order.
    Outcome PlayBriefly(const std::string& device_path)
    {
        Outcome outcome;
        Graph graph = MakeGraph();
        const auto started = Clock::now();
        outcome.rendered = graph.builder->RenderFile(device_path, nullptr);
        outcome.render_seconds = SecondsSince(started);
        if (outcome.rendered == S_OK) {
            // A clip cut to a few kilobytes may not say how long it is.
            outcome.duration_known = graph.position->get_Duration(&outcome.duration) == S_OK;
            EXPECT_EQ(graph.control->Run(), S_OK);
            std::this_thread::sleep_for(kPlayTime);
            outcome.position = Position(graph);
        }
        const auto teardown = Clock::now();
        EXPECT_TRUE(SUCCEEDED(graph.control->Stop()));
        Held<IEnumFilters> walk;
        EXPECT_EQ(graph.builder->EnumFilters(walk.Out()), S_OK);
        std::vector<IBaseFilter*> filters;
        for (IBaseFilter* filter = nullptr; walk->Next(1, &filter, nullptr) == S_OK;) filters.push_back(filter);
        walk.Reset();
        for (IBaseFilter* filter : filters) {
            EXPECT_EQ(graph.builder->RemoveFilter(filter), S_OK);
            filter->Release();
        }
        graph = Graph{};
        outcome.teardown_seconds = SecondsSince(teardown);
        return outcome;
    }
};

TEST_F(MutantGraph, DamagedClipsPlayOrFailInTimeAndLeaveNothingBehind)
{
    const std::vector<std::string> clips = {"tone.wav", "movie.ogg", "silent.ogg", "h264.mp4", "mjpeg.avi",
                                            "theora.mkv"};
    std::map<std::string, std::string> originals;
    for (const std::string& clip : clips) originals[clip] = ReadFile(kClipDir / clip);

    HangWatch watch;
    // The first graph of each kind starts threads and loads libraries that stay, and the first
    // debug line opens the program's log.
    for (const std::string& clip : clips) {
        watch.Arm("warm-up with " + clip);
        PlayBriefly(Place(clip));
    }
    PlayBriefly("\\STORAGE CARD\\missing.ogg");
    const ProcessCounts baseline = ProcessCounts::Settled();
    const LONG objects = ComLiveObjects();

    const unsigned mutants = EnvironmentNumber("GRAPH_MUTANTS", kDefaultMutants);
    const uint32_t first_seed = EnvironmentNumber("GRAPH_MUTANT_SEED", kDefaultFirstSeed);
    std::map<std::string, unsigned> tally;
    for (unsigned index = 0; index < mutants; ++index) {
        const uint32_t seed = first_seed + index;
        const std::string& clip = clips[index % clips.size()];
        std::string description;
        const std::string bytes = Mutator(seed).Mutate(originals[clip], description);
        const std::string device_path = "\\STORAGE CARD\\Mutants\\" + std::to_string(seed) + "-" + clip;
        PlaceBytes(device_path, bytes);
        const std::string line = clip + ", seed " + std::to_string(seed) + ": " + description;
        std::printf("mutant %s\n  at %s\n", line.c_str(), HostPathOf(device_path).c_str());
        std::fflush(stdout);
        SCOPED_TRACE(line);

        watch.Arm(line);
        const Outcome outcome = PlayBriefly(device_path);
        watch.Disarm();
        ++tally[ResultName(outcome.rendered)];
        EXPECT_LT(outcome.render_seconds, 2.2);
        EXPECT_TRUE(outcome.rendered == S_OK || outcome.rendered == VFW_E_UNSUPPORTED_STREAM ||
                    outcome.rendered == E_FAIL)
            << ResultName(outcome.rendered);
        EXPECT_LT(outcome.teardown_seconds, 2.0);
        if (outcome.rendered == S_OK) {
            EXPECT_GE(outcome.position, 0.0);
            if (outcome.duration_known) {
                EXPECT_LE(outcome.position, outcome.duration + 0.05);
            }
        }
        // Played or failed, the mutant is done with: it is only kept if the process dies.
        fs::remove(HostPathOf(device_path));
    }
    for (const auto& [result, count] : tally) std::printf("%u mutants: %s\n", count, result.c_str());
    EXPECT_TRUE(BackTo(baseline));
    EXPECT_EQ(ComLiveObjects(), objects);
}

}  // namespace
}  // namespace platform::testing
