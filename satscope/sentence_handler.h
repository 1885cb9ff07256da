// What SatScope does with each complete sentence: lists it, logs it, watches that data keeps
// coming, and hands it by its address to the decoders of the fix or to the receiver's replies.
// It also runs the time-to-fix counter and the two watchdog timers. Window thread only; the
// window itself is reached through ScopeWindow, so the rules can be exercised without one.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "satscope/fix_state.h"
#include "satscope/nmea_decoders.h"
#include "satscope/sentence_assembler.h"

namespace satscope {

enum class SignalDraw { Full, Update, Clear, ClearGrey };

class ScopeWindow : public TextOut {
public:
    virtual int ListCount() = 0;
    virtual void DeleteFirstListLine() = 0;
    // Appends a line and scrolls the list to it.
    virtual void AppendListLine(const std::string& line) = 0;
    virtual void StartTimer(unsigned id, unsigned period_ms) = 0;
    virtual void StopTimer(unsigned id) = 0;
    virtual void DrawSignal(SignalDraw mode) = 0;
    virtual void Trace(const std::string& line) = 0;
};

// The log, as far as sentences are concerned.
class SentenceLog {
public:
    virtual ~SentenceLog() = default;
    virtual bool Active() const = 0;
    virtual void WriteSentence(std::string_view sentence) = 0;
};

// Answers of the receiver to SatScope's commands.
class ReceiverReplies {
public:
    virtual ~ReceiverReplies() = default;
    virtual void OnUbxFrame(std::uint8_t message_class, std::uint8_t id, std::span<const std::uint8_t> payload) = 0;
    virtual void OnVendorReply(std::string_view sentence) = 0;                 // "$VORL999,..."
    virtual void OnPtcReply(std::string_view code, std::string_view data) = 0;  // "$PTCFV,..." → "FV", data
    virtual void OnSirfReply(std::string_view text) = 0;                        // "$PSRF..." from character 7
    // Zero-fills the command data area (before every dispatched sentence of the fix).
    virtual void ClearCommandData() = 0;
};

// The sentence list's length: 15 lines until a window-split preset is chosen, then 25, or 30 for
// preset 3 (the list's tall preset). Preset 2 has no list.
int SentenceListLimit(int preset);

class SentenceHandler final : public SentenceSink {
public:
    SentenceHandler(FixState& fix, ScopeWindow& window, SentenceLog& log);

    void SetReplies(ReceiverReplies* replies) { m_replies = replies; }
    void SetCompact(bool compact) { m_compact = compact; }
    void SetPreset(int preset) { m_preset = preset; }
    int Preset() const { return m_preset; }

    // SentenceSink
    void OnSentence(std::string_view sentence) override;
    void OnGsvChecksumError() override;
    void OnUbxFrame(std::uint8_t message_class, std::uint8_t id, std::span<const std::uint8_t> payload) override;

    // The time-to-fix counter, started by every reset command.
    void StartTimeToFix();
    // Timers 1 (no data), 3 (the counter's tick) and 4 (no GSV); false for any other.
    bool OnTimer(unsigned id);

private:
    void Dispatch(std::string_view sentence);
    void ShowTimeToFix(const char* full_format, const char* compact_format);

    FixState& m_fix;
    ScopeWindow& m_window;
    SentenceLog& m_log;
    ReceiverReplies* m_replies = nullptr;
    bool m_compact = false;
    int m_preset = 0;
};

// The sentence as a list line: its printable ASCII, anything else as "?".
std::string ListLine(std::string_view sentence);

}  // namespace satscope
