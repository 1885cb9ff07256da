// Fuzzes the receiver's replies. The first byte picks the handler (low two bits: UBX frame,
// vendor reply, PTC reply, SiRF reply), the compact window (bit 2) and the last command code
// (the bits above); the rest is the reply. Each part is handed over in a buffer of its own exact
// size, so any read beyond it is caught. Whatever the bytes, the handler touches only the notice
// line and the two version lines, and nothing after a sentence's "*" changes what it does.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "satscope/control_ids.h"
#include "satscope/receiver_commands.h"
#include "satscope/receiver_replies.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

struct NoLink : satscope::CommandLink {
    bool PortOpen() const override { return false; }
    void Write(std::span<const std::uint8_t>) override {}
};

struct NoCommandWindow : satscope::CommandWindow {
    void SetText(int, const std::string&) override {}
    void ShowControl(int, bool) override {}
    void ClearSignal() override {}
    void StartTimeToFix() override {}
    void Trace(const std::string&) override {}
};

struct Window : satscope::ReplyWindow {
    bool compact = false;
    std::string seen;
    void SetText(int control, const std::string& text) override {
        Check(control == satscope::IDC_VERSION_FIRST || control == satscope::IDC_VERSION_SECOND);
        Check(text.starts_with(" -"));
        seen += std::to_string(control) + text + '\n';
    }
    void ShowControl(int id, bool show) override {
        Check(id == satscope::IDC_VERSION_SECOND);
        Check(!(show && compact));
        seen += show ? "show\n" : "hide\n";
    }
    void ShowNotice(const std::string& text) override {
        Check(text.starts_with("> ") && text.size() < 200);
        seen += text + '\n';
    }
};

// A copy of the bytes in a heap block of exactly their size.
struct Exact {
    explicit Exact(std::span<const std::uint8_t> bytes) : data(new char[bytes.size()]), size(bytes.size()) {
        for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>(bytes[i]);
    }
    std::string_view View() const { return {data.get(), size}; }
    std::span<const std::uint8_t> Bytes() const { return {reinterpret_cast<const std::uint8_t*>(data.get()), size}; }
    std::unique_ptr<char[]> data;
    std::size_t size;
};

std::string Run(std::uint8_t selector, std::span<const std::uint8_t> reply) {
    NoLink link;
    NoCommandWindow command_window;
    satscope::ReceiverCommands commands(link, command_window);
    commands.SetLastCode(static_cast<std::uint8_t>(selector >> 3));
    Window window;
    window.compact = (selector & 4) != 0;
    satscope::ReceiverReplyHandler handler(commands, window);
    handler.SetCompact(window.compact);
    switch (selector & 3) {
    case 0: {
        if (reply.size() < 2) break;
        const Exact payload(reply.subspan(2));
        handler.OnUbxFrame(reply[0], reply[1], payload.Bytes());
        break;
    }
    case 1: {
        const Exact sentence(reply);
        handler.OnVendorReply(sentence.View());
        break;
    }
    case 2: {
        const std::size_t code_size = reply.size() < 2 ? reply.size() : 2;
        const Exact code(reply.first(code_size));
        const Exact data(reply.subspan(code_size));
        handler.OnPtcReply(code.View(), data.View());
        break;
    }
    default: {
        const Exact text(reply);
        handler.OnSirfReply(text.View());
        break;
    }
    }
    return window.seen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t selector = data[0];
    const std::span<const std::uint8_t> reply(data + 1, size - 1);
    const std::string seen = Run(selector, reply);

    // The same sentence with other bytes after its "*" reads the same (UBX frames have no "*").
    if ((selector & 3) == 0) return 0;
    std::size_t star = 0;
    while (star < reply.size() && reply[star] != '*') ++star;
    if (star == reply.size() || ((selector & 3) == 2 && star < 2)) return 0;
    std::vector<std::uint8_t> other(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(star) + 1);
    for (std::size_t i = star + 1; i < reply.size(); ++i) other.push_back(static_cast<std::uint8_t>(reply[i] ^ 0x5A));
    for (const char c : std::string_view(",9,9*")) other.push_back(static_cast<std::uint8_t>(c));
    Check(Run(selector, other) == seen);
    return 0;
}
