// Fuzzes the receiver's byte stream: the first bytes choose how the rest is cut into batches.
// Whatever the bytes and cuts, the assembler, the sentence handler and the decoders stay inside
// their buffers and slots, and the cuts change nothing that comes out.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "satscope/fix_state.h"
#include "satscope/sentence_assembler.h"
#include "satscope/sentence_handler.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

struct Window : satscope::ScopeWindow {
    int lines = 0;
    std::string seen;
    void SetText(int control, const std::string& text) override { seen += std::to_string(control) + text; }
    int ListCount() override { return lines; }
    void DeleteFirstListLine() override { --lines; }
    void AppendListLine(const std::string& line) override {
        ++lines;
        seen += line;
    }
    void StartTimer(unsigned, unsigned) override {}
    void StopTimer(unsigned) override {}
    void DrawSignal(satscope::SignalDraw mode) override { seen += static_cast<char>('0' + static_cast<int>(mode)); }
    void Trace(const std::string& line) override { seen += line; }
};

struct Log : satscope::SentenceLog {
    bool Active() const override { return true; }
    void WriteSentence(std::string_view) override {}
};

std::string Run(std::span<const std::uint8_t> stream, std::span<const std::uint8_t> cuts) {
    satscope::FixState fix;
    Window window;
    Log log;
    satscope::SentenceHandler handler(fix, window, log);
    satscope::SentenceAssembler assembler(handler);
    std::size_t at = 0;
    std::size_t cut = 0;
    while (at < stream.size()) {
        std::size_t size = cuts.empty() ? stream.size() : cuts[cut++ % cuts.size()] % 64 + 1;
        if (size > stream.size() - at) size = stream.size() - at;
        assembler.Feed(stream.subspan(at, size));
        at += size;
        Check(fix.write_position >= 0 && fix.write_position <= satscope::kSatelliteSlots);
        Check(window.lines <= 31);
    }
    return window.seen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t cut_bytes = data[0] % 16;
    if (size < 1 + cut_bytes) return 0;
    const std::span<const std::uint8_t> cuts(data + 1, cut_bytes);
    const std::span<const std::uint8_t> stream(data + 1 + cut_bytes, size - 1 - cut_bytes);
    Check(Run(stream, cuts) == Run(stream, {}));
    return 0;
}
