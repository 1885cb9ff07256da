// What SatScope shows of the receiver's answers to its commands: u-blox acknowledgements, the
// vendor's "$VORL999" replies, PTC replies and SiRF version sentences. Answers to commands are
// shown for a while in the notice line; version texts go to the two version lines.
//
// Every reader stays inside the sentence and stops at its "*": a reply too short for its fields
// is ignored, and a value a reply leaves out reads as 0 (a blank for a character).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "satscope/nmea_decoders.h"
#include "satscope/receiver_commands.h"
#include "satscope/sentence_handler.h"

namespace satscope {

class ReplyWindow : public TextOut {
public:
    virtual void ShowControl(int id, bool show) = 0;
    // Shows the text in the notice line, which hides itself after a while.
    virtual void ShowNotice(const std::string& text) = 0;
};

// A vendor reply is looked at only when its "*" lies within this many characters.
constexpr std::size_t kVendorReplyReach = 150;

class ReceiverReplyHandler final : public ReceiverReplies {
public:
    ReceiverReplyHandler(ReceiverCommands& commands, ReplyWindow& window);

    // The compact window's shorter notices, and its second version line kept hidden.
    void SetCompact(bool compact) { m_compact = compact; }

    // ReceiverReplies
    void OnUbxFrame(std::uint8_t message_class, std::uint8_t id, std::span<const std::uint8_t> payload) override;
    void OnVendorReply(std::string_view sentence) override;
    void OnPtcReply(std::string_view code, std::string_view data) override;
    void OnSirfReply(std::string_view text) override;
    void ClearCommandData() override { m_commands.ClearData(); }

private:
    void OnVendorParameters(std::string_view data);
    void OnPtcParameters(std::string_view data);

    ReceiverCommands& m_commands;
    ReplyWindow& m_window;
    bool m_compact = false;
};

}  // namespace satscope
