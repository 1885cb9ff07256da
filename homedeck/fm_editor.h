// The FM transmitter part of the sound screen: the preset being edited, the frequency shown,
// the output mode, and what each button asks of the transmitter and the players. The screen
// applies the requests; the editor only keeps the state, so every rule can be checked alone.
#pragma once

#include <array>
#include <optional>

namespace homedeck {

// The FM values of the shared settings. Channel index 0 is the speaker (transmitter off),
// 1..4 the presets; frequencies are in 0.1 MHz, index 0 the speaker's.
struct FmSettings {
    int mode = 0;          // 0 transmitter, 1 speaker, 2 transmitter and speaker
    int channel = 0;       // 0..4
    std::array<int, 5> frequencies{};
    bool operator==(const FmSettings&) const = default;
};

// What a step asks for: tune the transmitter, and tell the players the channel (relay code
// 101 with the channel index).
struct FmTune {
    int mode = 0;
    int channel = 0;
    int frequency = 0;
    bool operator==(const FmTune&) const = default;
};
struct FmRequest {
    std::optional<FmTune> tune;
    std::optional<int> relayChannel;
    bool operator==(const FmRequest&) const = default;
};

class FmEditor {
public:
    static constexpr int kLowestFrequency = 881;    // 88.1 MHz
    static constexpr int kHighestFrequency = 1079;  // 107.9 MHz
    static constexpr int kPresets = 4;

    // Opens the screen on the stored values: the stored preset (or the first), the stored mode
    // when it is "both", else speaker for channel 0 and transmitter otherwise.
    void Enter(const FmSettings& stored);

    // Frequency minus and plus, wrapping round the band; nothing is tuned until Add.
    void FrequencyDown();
    void FrequencyUp();
    // Stores the shown frequency in the selected preset, or selects the preset that already
    // holds it, and tunes there; on the selected preset's own frequency it does nothing more.
    FmRequest Add();
    // A preset pressed: selected and tuned.
    FmRequest SelectPreset(int preset);
    // The remote's up and down keys: the previous or next preset is selected, nothing tuned.
    void PreviousPreset();
    void NextPreset();
    // A mode pressed: the speaker tunes channel 0, the others the selected preset.
    FmRequest SelectMode(int mode);

    // The values Save stores (channel 0 in speaker mode); clears the changed flag.
    FmSettings Save();
    // Back without Save: when something was changed, the transmitter goes back to the stored
    // values and the players are told.
    FmRequest Leave(const FmSettings& stored);

    int Preset() const { return m_preset; }
    int Frequency() const { return m_frequency; }
    int Mode() const { return m_mode; }
    bool Changed() const { return m_changed; }
    const std::array<int, 5>& Frequencies() const { return m_frequencies; }

private:
    int PresetFrequency(int preset) const;
    void Select(int preset);
    FmRequest TunePreset();

    int m_preset = 1;
    int m_frequency = kLowestFrequency;
    int m_mode = 0;
    bool m_changed = false;
    std::array<int, 5> m_frequencies{};
};

// The text of a frequency: 1079 is "107.9".
void FormatFrequency(int frequency, char (&text)[16]);

}  // namespace homedeck
