// SatScope's sentence parser against the bytes a receiver sends: 120,000 mixed sentences (GGA,
// GSA, GSV x 1..3, RMC, VTG, UBX frames among them, about 1 % faulty) made once by gpssim's
// track, fed to the sentence assembler and the sentence handler with every window call a no-op.
// Beside it, on the same bytes, a baseline that does the least any reader must: XOR each
// "$".."*" span and count the CRs. Prints sentences/s, MB/s and the ratio of the two times.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_report.h"
#include "satscope/fix_state.h"
#include "satscope/sentence_assembler.h"
#include "satscope/sentence_handler.h"
#include "tools/gpssim/mixed_stream.h"

namespace {

using bench::Clock;

struct NoWindow final : satscope::ScopeWindow {
    int lines = 0;
    void SetText(int, const std::string&) override {}
    int ListCount() override { return lines; }
    void DeleteFirstListLine() override { --lines; }
    void AppendListLine(const std::string&) override { ++lines; }
    void StartTimer(unsigned, unsigned) override {}
    void StopTimer(unsigned) override {}
    void DrawSignal(satscope::SignalDraw) override {}
    void Trace(const std::string&) override {}
};

struct NoLog final : satscope::SentenceLog {
    bool Active() const override { return false; }
    void WriteSentence(std::string_view) override {}
};

struct Counter final : satscope::SentenceSink {
    satscope::SentenceSink& next;
    std::size_t sentences = 0;
    explicit Counter(satscope::SentenceSink& inner) : next(inner) {}
    void OnSentence(std::string_view s) override
    {
        ++sentences;
        next.OnSentence(s);
    }
    void OnGsvChecksumError() override { next.OnGsvChecksumError(); }
    void OnUbxFrame(std::uint8_t c, std::uint8_t id, std::span<const std::uint8_t> p) override { next.OnUbxFrame(c, id, p); }
};

// The floor: every "$" to "*" span XOR-ed, every CR counted.
std::size_t Baseline(const std::string& bytes, unsigned& sum)
{
    std::size_t crs = 0;
    unsigned x = 0;
    bool inside = false;
    for (const char c : bytes) {
        if (c == '$') {
            inside = true;
            x = 0;
        } else if (c == '*') {
            inside = false;
            sum += x;
        } else if (inside) {
            x ^= static_cast<unsigned char>(c);
        }
        if (c == '\r') ++crs;
    }
    return crs;
}

}  // namespace

int main()
{
    constexpr std::size_t kSentences = 120000;
    gpssim::TrackOptions options;
    options.seed = 7;
    options.fix_after_cycles = 3;
    options.ubx = gpssim::UbxFrames::Interleaved;
    const std::string stream = gpssim::MakeMixedStream(options, 1.0, kSentences);
    const auto* data = reinterpret_cast<const std::uint8_t*>(stream.data());
    std::printf("stream: %zu sentences, %.2f MB; load %s\n", kSentences, stream.size() / 1e6, bench::LoadAverage().c_str());

    std::vector<double> parser_ms, baseline_ms;
    std::size_t taken = 0;
    unsigned sink = 0;
    for (int round = 0; round < 15; ++round) {
        satscope::FixState fix;
        NoWindow window;
        NoLog log;
        satscope::SentenceHandler handler(fix, window, log);
        Counter counter(handler);
        satscope::SentenceAssembler assembler(counter);
        auto start = Clock::now();
        // In batches of at most 4096 bytes, as the window takes them from the ring.
        for (std::size_t at = 0; at < stream.size(); at += 4096)
            assembler.Feed(std::span<const std::uint8_t>(data + at, std::min<std::size_t>(4096, stream.size() - at)));
        parser_ms.push_back(bench::Millis(Clock::now() - start));
        taken = counter.sentences;

        start = Clock::now();
        sink += static_cast<unsigned>(Baseline(stream, sink));
        baseline_ms.push_back(bench::Millis(Clock::now() - start));
    }
    const double parser = bench::Median(parser_ms);
    const double baseline = bench::Median(baseline_ms);
    bench::Report("parser, whole stream", parser_ms);
    bench::Report("baseline (XOR spans, count CRs), same bytes", baseline_ms);
    std::printf("parser: %zu sentences taken, %.2f million sentences/s, %.1f MB/s\n", taken,
                kSentences / parser / 1000.0, stream.size() / parser / 1000.0);
    std::printf("baseline: %.1f MB/s; parser/baseline time ratio %.2f (checksum %u)\n", stream.size() / baseline / 1000.0,
                parser / baseline, sink);
    return 0;
}
