#include "satscope/command_buttons.h"

#include "satscope/control_ids.h"
#include "satscope/log_text.h"

namespace satscope {
namespace {

// One command button of a receiver type; a null caption is a button the type does not use.
struct ButtonEntry {
    const char* full = nullptr;
    const char* compact = nullptr;
    Command command{};
    bool developer = false;  // shown only in developer mode
};

constexpr int kCommandButtons = 10;  // 1026..1035; 1036 pauses and 1037 logs for every type
using ButtonTable = std::array<ButtonEntry, kCommandButtons>;

constexpr ButtonTable kSirfButtons = {{
    {"HOT_RST", "H_R", Command::SirfHotReset},
    {"WARM_RST", "W_R", Command::SirfWarmReset},
    {"COLD_RST", "C_R", Command::SirfColdReset},
    {"FACT_RST", "F_R", Command::SirfFactoryReset},
    {"STATIC_ON", "S_O", Command::SirfStaticOn, true},
    {"STATIC_OFF", "S_X", Command::SirfStaticOff, true},
    // SiRF receivers take their differential corrections from SBAS.
    {"DGPS_ON", "D_O", Command::SirfSbasOn, true},
    {"DGPS_OFF", "D_X", Command::SirfSbasOff, true},
    {"RD_PARAM", "R_P", Command::SirfReadParameters, true},
    {},
}};

constexpr ButtonTable kUbloxButtons = {{
    {"HOT_RST", "H_R", Command::UbloxHotReset},
    {"WARM_RST", "W_R", Command::UbloxWarmReset},
    {"COLD_RST", "C_R", Command::UbloxColdReset},
    {},
    {"DGPS_ON", "D_O", Command::UbloxSbasOn, true},
    {"DGPS_OFF", "D_X", Command::UbloxSbasOff, true},
    {"MAX_PWR", "M_P", Command::UbloxMaxPerformance, true},
    {"ECO_PWR", "E_P", Command::UbloxEconomy, true},
    {"STATIC_ON", "S_O", Command::UbloxStaticOn, true},
    {"STATIC_OFF", "S_X", Command::UbloxStaticOff, true},
}};

constexpr ButtonTable kPtcButtons = {{
    {"HOT_RST", "H_R", Command::PtcHotReset},
    {"WARM_RST", "W_R", Command::PtcWarmReset},
    {"COLD_RST", "C_R", Command::PtcColdReset},
    {},
    {"DGPS_ON", "D_O", Command::PtcDgpsOn, true},
    {"DGPS_OFF", "D_X", Command::PtcDgpsOff, true},
    {"RD_PROPRI", "R_P", Command::PtcGetProprietary, true},
    {"RD_CLK_DRIF", "R_C", Command::PtcGetClockDrift, true},
    {"RD_RTC_FRQ", "R_R", Command::PtcGetRtcFrequency, true},
    {},
}};

const ButtonTable& TableOf(ReceiverType type)
{
    switch (type) {
    case ReceiverType::Ublox:
        return kUbloxButtons;
    case ReceiverType::Ptc:
        return kPtcButtons;
    case ReceiverType::Sirf:
        break;
    }
    return kSirfButtons;
}

}  // namespace

const char* PauseCaption(bool paused, bool compact)
{
    if (paused) return compact ? "RUN" : "RUNNING";
    return compact ? "PAU" : "PAUSE";
}

const char* LogCaption(bool logging, bool compact)
{
    if (logging) return compact ? "S_W" : "STOP_WR";
    return compact ? "W_L" : "WR_LOG";
}

std::array<CommandButton, kCommandButtonCount> CommandButtons(ReceiverType type, bool developer, bool compact,
                                                              bool paused, bool logging)
{
    std::array<CommandButton, kCommandButtonCount> buttons;
    const ButtonTable& table = TableOf(type);
    for (int i = 0; i < kCommandButtons; ++i) {
        CommandButton& button = buttons[i];
        button.id = IDC_COMMAND_FIRST + i;
        const ButtonEntry& entry = table[i];
        if (!entry.full || (entry.developer && !developer)) continue;
        button.action = ButtonAction::Command;
        button.command = entry.command;
        button.caption = compact ? entry.compact : entry.full;
    }
    buttons[kCommandButtons] = {IDC_PAUSE, ButtonAction::Pause, Command{}, PauseCaption(paused, compact)};
    buttons[kCommandButtons + 1] = {IDC_LOG, ButtonAction::Log, Command{}, LogCaption(logging, compact)};
    return buttons;
}

PausePress PressPause(bool paused, bool compact, bool logging)
{
    PausePress press;
    press.paused = !paused;
    press.caption = PauseCaption(press.paused, compact);
    if (logging) press.log_mark = press.paused ? kLogPauseStart : kLogPauseEnd;
    return press;
}

std::optional<ReceiverType> TypeOfRadio(int control_id)
{
    switch (control_id) {
    case IDC_TYPE_SIRF:
        return ReceiverType::Sirf;
    case IDC_TYPE_UBLOX:
        return ReceiverType::Ublox;
    case IDC_TYPE_PTC:
        return ReceiverType::Ptc;
    default:
        return std::nullopt;
    }
}

}  // namespace satscope
