#include "satscope/sentence_handler.h"

#include <cstdio>

#include "satscope/control_ids.h"

namespace satscope {
namespace {

bool Starts(std::string_view sentence, std::string_view address)
{
    return sentence.size() > address.size() && sentence.substr(1, address.size()) == address;
}

std::string_view From(std::string_view sentence, std::size_t position)
{
    return position < sentence.size() ? sentence.substr(position) : std::string_view{};
}

}  // namespace

int SentenceListLimit(int preset)
{
    if (preset == 0) return 15;
    return preset == 3 ? 30 : 25;
}

std::string ListLine(std::string_view sentence)
{
    std::string line(sentence);
    for (char& c : line)
        if (c < ' ' || c > '~') c = '?';
    return line;
}

SentenceHandler::SentenceHandler(FixState& fix, ScopeWindow& window, SentenceLog& log)
    : m_fix(fix), m_window(window), m_log(log) {}

void SentenceHandler::OnSentence(std::string_view sentence)
{
    if (m_window.ListCount() > SentenceListLimit(m_preset)) m_window.DeleteFirstListLine();
    if (!m_fix.paused && m_preset != 2) m_window.AppendListLine(ListLine(sentence));
    // Paused or not, the log gets every sentence.
    if (m_log.Active()) m_log.WriteSentence(sentence);
    m_window.StopTimer(kTimerNoData);
    if (!m_fix.paused) Dispatch(sentence);
    m_window.StartTimer(kTimerNoData, kNoDataMs);
}

void SentenceHandler::Dispatch(std::string_view sentence)
{
    DecodeContext context{m_fix, m_window, m_compact};
    const std::string_view text = From(sentence, 7);
    const auto fix_sentence = [&] {
        if (m_replies) m_replies->ClearCommandData();
    };
    if (Starts(sentence, "GPGGA")) {
        fix_sentence();
        DecodeGga(text, context);
    } else if (Starts(sentence, "GPGSA")) {
        fix_sentence();
        if (DecodeGsa(text, context)) m_window.StopTimer(kTimerTimeToFix);
    } else if (Starts(sentence, "GPGSV")) {
        fix_sentence();
        m_window.StopTimer(kTimerNoGsv);
        if (DecodeGsv(text, m_fix)) m_window.DrawSignal(SignalDraw::Update);
        m_window.StartTimer(kTimerNoGsv, kNoGsvMs);
    } else if (Starts(sentence, "GPRMC")) {
        fix_sentence();
        DecodeRmc(text, context);
    } else if (Starts(sentence, "GPVTG") || Starts(sentence, "GPGLL") || Starts(sentence, "GPZDA")) {
        fix_sentence();
    } else if (Starts(sentence, "PSRF")) {
        fix_sentence();
        if (m_replies) m_replies->OnSirfReply(text);
    } else if (Starts(sentence, "PTC")) {
        if (m_replies) m_replies->OnPtcReply(sentence.substr(4, 2), text);
    } else if (Starts(sentence, "VORL")) {
        if (m_replies) m_replies->OnVendorReply(sentence);
    } else {
        m_window.Trace("other MID");
    }
}

void SentenceHandler::OnGsvChecksumError()
{
    m_fix.write_position = 0;
    m_fix.gsv_skip = true;
    m_window.Trace("GSV check sum eRROR!!");
}

void SentenceHandler::OnUbxFrame(std::uint8_t message_class, std::uint8_t id, std::span<const std::uint8_t> payload)
{
    if (m_replies) m_replies->OnUbxFrame(message_class, id, payload);
}

void SentenceHandler::ShowTimeToFix(const char* full_format, const char* compact_format)
{
    char text[64];
    std::snprintf(text, sizeof text, m_compact ? compact_format : full_format, m_fix.time_to_fix);
    m_window.SetText(IDC_TIME_TO_FIX, text);
}

void SentenceHandler::StartTimeToFix()
{
    if (m_fix.time_to_fix_running) m_window.StopTimer(kTimerTimeToFix);
    // The count starts from 0 at every reset, not from where an earlier one was left.
    m_fix.time_to_fix = 0;
    m_window.StartTimer(kTimerTimeToFix, kTimeToFixTickMs);
    m_fix.time_to_fix_running = true;
    ShowTimeToFix("RST Time: %d sec", "FT: %d sec");
    m_fix.fix_type = 0;
    m_window.DrawSignal(SignalDraw::Clear);
}

bool SentenceHandler::OnTimer(unsigned id)
{
    switch (id) {
    case kTimerNoData:
        m_window.DrawSignal(SignalDraw::Clear);
        // A count that runs when the data stops is given up: that reset found no fix.
        if (m_fix.time_to_fix_running) {
            m_window.StopTimer(kTimerTimeToFix);
            m_fix.time_to_fix_running = false;
            m_fix.time_to_fix = 0;
            m_window.SetText(IDC_TIME_TO_FIX, m_compact ? "FT: 0 sec" : "RST Time: none");
        }
        return true;
    case kTimerTimeToFix:
        if (!m_fix.time_to_fix_running) return true;  // a tick already queued when the count ended
        m_window.StartTimer(kTimerTimeToFix, kTimeToFixTickMs);
        ++m_fix.time_to_fix;
        ShowTimeToFix("RST Time: %d sec", "FT: %d sec");
        return true;
    case kTimerNoGsv:
        if (!m_fix.paused) m_window.DrawSignal(SignalDraw::Clear);
        return true;
    default:
        return false;
    }
}

}  // namespace satscope
