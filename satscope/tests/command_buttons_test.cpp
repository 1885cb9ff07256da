#include "satscope/command_buttons.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "satscope/control_ids.h"
#include "satscope/log_text.h"

namespace satscope {
namespace {

// The captions of 1026..1035, full or compact; "" for a hidden button.
std::vector<std::string> Captions(const std::array<CommandButton, kCommandButtonCount>& buttons)
{
    std::vector<std::string> captions;
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(buttons[i].id, IDC_COMMAND_FIRST + i);
        EXPECT_EQ(buttons[i].action == ButtonAction::Hidden, buttons[i].caption.empty()) << buttons[i].id;
        captions.push_back(buttons[i].caption);
    }
    return captions;
}

std::vector<int> Visible(const std::array<CommandButton, kCommandButtonCount>& buttons)
{
    std::vector<int> ids;
    for (const CommandButton& button : buttons)
        if (button.action != ButtonAction::Hidden) ids.push_back(button.id);
    return ids;
}

TEST(CommandButtons, DeveloperModeCaptionsOfEachType)
{
    struct Case {
        ReceiverType type;
        bool compact;
        std::vector<std::string> captions;
    };
    const std::vector<Case> cases = {
        {ReceiverType::Sirf, false, {"HOT_RST", "WARM_RST", "COLD_RST", "FACT_RST", "STATIC_ON", "STATIC_OFF",
                                     "DGPS_ON", "DGPS_OFF", "RD_PARAM", ""}},
        {ReceiverType::Sirf, true, {"H_R", "W_R", "C_R", "F_R", "S_O", "S_X", "D_O", "D_X", "R_P", ""}},
        {ReceiverType::Ublox, false, {"HOT_RST", "WARM_RST", "COLD_RST", "", "DGPS_ON", "DGPS_OFF", "MAX_PWR",
                                      "ECO_PWR", "STATIC_ON", "STATIC_OFF"}},
        {ReceiverType::Ublox, true, {"H_R", "W_R", "C_R", "", "D_O", "D_X", "M_P", "E_P", "S_O", "S_X"}},
        {ReceiverType::Ptc, false, {"HOT_RST", "WARM_RST", "COLD_RST", "", "DGPS_ON", "DGPS_OFF", "RD_PROPRI",
                                    "RD_CLK_DRIF", "RD_RTC_FRQ", ""}},
        {ReceiverType::Ptc, true, {"H_R", "W_R", "C_R", "", "D_O", "D_X", "R_P", "R_C", "R_R", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.type) * 10 + c.compact);
        const auto buttons = CommandButtons(c.type, true, c.compact, false, false);
        EXPECT_EQ(Captions(buttons), c.captions);
        EXPECT_EQ(buttons[10].action, ButtonAction::Pause);
        EXPECT_EQ(buttons[10].id, IDC_PAUSE);
        EXPECT_EQ(buttons[11].action, ButtonAction::Log);
        EXPECT_EQ(buttons[11].id, IDC_LOG);
    }
}

TEST(CommandButtons, ButtonsRunTheirTypesCommands)
{
    const auto sirf = CommandButtons(ReceiverType::Sirf, true, false, false, false);
    EXPECT_EQ(sirf[3].command, Command::SirfFactoryReset);
    EXPECT_EQ(sirf[6].command, Command::SirfSbasOn) << "SiRF's DGPS is SBAS";
    EXPECT_EQ(sirf[7].command, Command::SirfSbasOff);
    const auto ublox = CommandButtons(ReceiverType::Ublox, true, false, false, false);
    EXPECT_EQ(ublox[0].command, Command::UbloxHotReset);
    EXPECT_EQ(ublox[9].command, Command::UbloxStaticOff);
    const auto ptc = CommandButtons(ReceiverType::Ptc, true, false, false, false);
    EXPECT_EQ(ptc[2].command, Command::PtcColdReset);
    EXPECT_EQ(ptc[8].command, Command::PtcGetRtcFrequency);
}

TEST(CommandButtons, OutsideDeveloperModeOnlyResetsPauseAndLog)
{
    EXPECT_EQ(Visible(CommandButtons(ReceiverType::Ublox, false, false, false, false)),
              (std::vector<int>{1026, 1027, 1028, 1036, 1037}));
    EXPECT_EQ(Visible(CommandButtons(ReceiverType::Ptc, false, true, false, false)),
              (std::vector<int>{1026, 1027, 1028, 1036, 1037}));
    EXPECT_EQ(Visible(CommandButtons(ReceiverType::Sirf, false, false, false, false)),
              (std::vector<int>{1026, 1027, 1028, 1029, 1036, 1037}));
}

TEST(CommandButtons, PauseAndLogCaptionsFollowTheirState)
{
    struct Case {
        bool compact, paused, logging;
        const char* pause;
        const char* log;
    };
    const Case cases[] = {
        {false, false, false, "PAUSE", "WR_LOG"}, {false, true, true, "RUNNING", "STOP_WR"},
        {true, false, false, "PAU", "W_L"},       {true, true, true, "RUN", "S_W"},
        {false, true, false, "RUNNING", "WR_LOG"},
    };
    for (const Case& c : cases) {
        const auto buttons = CommandButtons(ReceiverType::Ptc, false, c.compact, c.paused, c.logging);
        EXPECT_EQ(buttons[10].caption, c.pause);
        EXPECT_EQ(buttons[11].caption, c.log);
    }
}

TEST(CommandButtons, PausePressTogglesAndMarksTheLog)
{
    const PausePress pause = PressPause(false, false, true);
    EXPECT_TRUE(pause.paused);
    EXPECT_STREQ(pause.caption, "RUNNING");
    EXPECT_STREQ(pause.log_mark, kLogPauseStart);

    const PausePress resume = PressPause(true, true, true);
    EXPECT_FALSE(resume.paused);
    EXPECT_STREQ(resume.caption, "PAU");
    EXPECT_STREQ(resume.log_mark, kLogPauseEnd);

    EXPECT_EQ(PressPause(false, false, false).log_mark, nullptr) << "no log, no mark";
}

TEST(CommandButtons, RadioButtonsSelectTypes)
{
    EXPECT_EQ(TypeOfRadio(IDC_TYPE_SIRF), ReceiverType::Sirf);
    EXPECT_EQ(TypeOfRadio(IDC_TYPE_UBLOX), ReceiverType::Ublox);
    EXPECT_EQ(TypeOfRadio(IDC_TYPE_PTC), ReceiverType::Ptc);
    EXPECT_EQ(TypeOfRadio(1040), std::nullopt);
}

}  // namespace
}  // namespace satscope
