#include "homedeck/fm_editor.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace homedeck {
namespace {

// Stored: transmitter on preset 2; the speaker's frequency 881, presets 88.5, 90.1, 95.5, 107.9.
FmSettings Stored(int mode = 0, int channel = 2)
{
    return {mode, channel, {881, 885, 901, 955, 1079}};
}

TEST(FmEditor, OpensOnTheStoredPresetAndMode)
{
    struct Case {
        FmSettings stored;
        int preset;
        int frequency;
        int mode;
    };
    const Case cases[] = {
        {Stored(0, 2), 2, 901, 0},
        {Stored(2, 4), 4, 1079, 2},
        {Stored(1, 0), 1, 885, 1},    // the speaker: channel 0 opens on preset 1 in speaker mode
        {Stored(1, 3), 3, 955, 0},    // speaker mode with a preset stored reads as the transmitter
        {Stored(0, 7), 1, 885, 0},    // a channel out of range opens on preset 1
        {{0, 3, {881, 885, 901, 0, 1079}}, 3, 881, 0},  // a preset never stored shows 88.1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.stored.mode << " channel " << c.stored.channel);
        FmEditor editor;
        editor.Enter(c.stored);
        EXPECT_EQ(editor.Preset(), c.preset);
        EXPECT_EQ(editor.Frequency(), c.frequency);
        EXPECT_EQ(editor.Mode(), c.mode);
        EXPECT_FALSE(editor.Changed());
    }
}

TEST(FmEditor, FrequencyWrapsRoundTheBand)
{
    FmEditor editor;
    editor.Enter(Stored(0, 4));
    ASSERT_EQ(editor.Frequency(), 1079);
    editor.FrequencyUp();
    EXPECT_EQ(editor.Frequency(), 881);
    char text[16];
    FormatFrequency(editor.Frequency(), text);
    EXPECT_STREQ(text, "88.1");
    editor.FrequencyDown();
    EXPECT_EQ(editor.Frequency(), 1079);
    FormatFrequency(editor.Frequency(), text);
    EXPECT_STREQ(text, "107.9");
    editor.FrequencyDown();
    EXPECT_EQ(editor.Frequency(), 1078);
    EXPECT_FALSE(editor.Changed()) << "moving the frequency tunes nothing until Add";
}

// Each case: the stored values, what the user does, and what the editor asks of the
// transmitter and the players, with the state it ends in.
TEST(FmEditor, EachButtonAsksForItsTuneAndRelay)
{
    struct Case {
        const char* name;
        FmSettings stored;
        std::function<FmRequest(FmEditor&)> act;
        FmRequest request;
        int preset;
        int mode;
        std::array<int, 5> frequencies;
    };
    const std::array<int, 5> kept = Stored().frequencies;
    const Case cases[] = {
        {"Add writes a new frequency into the selected preset and tunes it", Stored(0, 2),
         [](FmEditor& e) { e.FrequencyUp(); return e.Add(); },
         {FmTune{0, 2, 902}, 2}, 2, 0, {881, 885, 902, 955, 1079}},
        {"Add on the selected preset's own frequency does nothing", Stored(0, 2),
         [](FmEditor& e) { return e.Add(); }, {}, 2, 0, kept},
        {"Add on another preset's frequency selects that preset", Stored(2, 2),
         [](FmEditor& e) { for (int i = 0; i < 54; ++i) e.FrequencyUp(); return e.Add(); },
         {FmTune{2, 3, 955}, 3}, 3, 2, kept},
        {"Add in speaker mode switches to the transmitter", Stored(1, 0),
         [](FmEditor& e) { e.FrequencyDown(); return e.Add(); },
         {FmTune{0, 1, 884}, 1}, 1, 0, {881, 884, 901, 955, 1079}},
        {"a preset pressed is selected and tuned", Stored(2, 2),
         [](FmEditor& e) { return e.SelectPreset(4); }, {FmTune{2, 4, 1079}, 4}, 4, 2, kept},
        {"a preset pressed in speaker mode switches to the transmitter", Stored(1, 0),
         [](FmEditor& e) { return e.SelectPreset(3); }, {FmTune{0, 3, 955}, 3}, 3, 0, kept},
        {"a preset never stored tunes to 88.1", {0, 1, {881, 885, 901, 0, 1079}},
         [](FmEditor& e) { return e.SelectPreset(3); }, {FmTune{0, 3, 881}, 3}, 3, 0, {881, 885, 901, 0, 1079}},
        {"a preset out of range does nothing", Stored(0, 2),
         [](FmEditor& e) { return e.SelectPreset(5); }, {}, 2, 0, kept},
        {"the speaker tunes channel 0 with its own frequency", Stored(0, 3),
         [](FmEditor& e) { return e.SelectMode(1); }, {FmTune{1, 0, 881}, 0}, 3, 1, kept},
        {"both outputs tune the selected preset", Stored(0, 3),
         [](FmEditor& e) { return e.SelectMode(2); }, {FmTune{2, 3, 955}, 3}, 3, 2, kept},
        {"the transmitter tunes the selected preset", Stored(2, 1),
         [](FmEditor& e) { return e.SelectMode(0); }, {FmTune{0, 1, 885}, 1}, 1, 0, kept},
        {"the remote's keys move the selection and tune nothing", Stored(0, 1),
         [](FmEditor& e) { e.PreviousPreset(); return FmRequest{}; }, {}, 4, 0, kept},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FmEditor editor;
        editor.Enter(c.stored);
        EXPECT_EQ(c.act(editor), c.request);
        EXPECT_EQ(editor.Preset(), c.preset);
        EXPECT_EQ(editor.Mode(), c.mode);
        EXPECT_EQ(editor.Frequencies(), c.frequencies);
    }
}

TEST(FmEditor, RemoteKeysCycleThroughThePresets)
{
    FmEditor editor;
    editor.Enter(Stored(0, 1));
    std::vector<int> down, up;
    for (int i = 0; i < 4; ++i) {
        editor.NextPreset();
        down.push_back(editor.Preset());
    }
    for (int i = 0; i < 4; ++i) {
        editor.PreviousPreset();
        up.push_back(editor.Preset());
    }
    EXPECT_EQ(down, (std::vector<int>{2, 3, 4, 1}));
    EXPECT_EQ(up, (std::vector<int>{4, 3, 2, 1}));
    editor.NextPreset();
    EXPECT_EQ(editor.Frequency(), 901) << "the shown frequency follows the selection";
    EXPECT_FALSE(editor.Changed());
}

TEST(FmEditor, SaveStoresTheChannelAndBackRestoresTheStoredTune)
{
    FmEditor editor;
    const FmSettings stored = Stored(0, 2);
    editor.Enter(stored);
    EXPECT_EQ(editor.Leave(stored), FmRequest{}) << "nothing changed: Back tunes nothing";

    editor.SelectPreset(4);
    EXPECT_EQ(editor.Leave(stored), (FmRequest{FmTune{0, 2, 901}, 2})) << "back to the stored preset";

    editor.Enter(stored);
    editor.SelectMode(1);
    const FmSettings saved = editor.Save();
    EXPECT_EQ(saved, (FmSettings{1, 0, stored.frequencies})) << "the speaker is stored as channel 0";
    EXPECT_FALSE(editor.Changed());
    EXPECT_EQ(editor.Leave(stored), FmRequest{}) << "saved: Back tunes nothing";

    editor.Enter(stored);
    editor.SelectMode(2);
    EXPECT_EQ(editor.Save(), (FmSettings{2, 2, stored.frequencies}));
}

}  // namespace
}  // namespace homedeck
