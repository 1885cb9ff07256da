// The shared settings every program of the suite carries: twelve values with their defaults
// and validation, kept in \NAND\System.dat (written only by HomeDeck), and the few registry
// values the programs read and write.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/win32_types.h"

class CSystemSettings {
public:
    static constexpr const char* kFilePath = "\\NAND\\System.dat";
    static constexpr int kValueCount = 12;

    // Value numbers 1..12.
    enum Value : int {
        SPARE_LEVEL = 1,
        VOLUME = 2,
        MUTE = 3,
        BACKLIGHT = 4,
        AUDIO_OUTPUT = 5,  // 0 FM transmitter, 1 speaker, 2 both
        FM_CHANNEL = 6,    // 0: transmitter off; 1..4 presets
        FREQUENCY_0 = 7,   // in 0.1 MHz; the frequency of channel i is value 7 + i
        FREQUENCY_5 = 12,  // never in the file
    };

    // The defaults, then Load.
    CSystemSettings();

    // Reads the file; false when it cannot be opened (the values stay as they are). The values
    // are validated whenever the file opened.
    bool Load();
    // Writes the whole file anew; false (and nothing changed) when it cannot be written. The
    // new file replaces the old one in one step, so a reader never sees half of it.
    bool Save() const;

    std::int32_t Get(int number) const { return m_values[static_cast<std::size_t>(number - 1)]; }
    void Set(int number, std::int32_t value) { m_values[static_cast<std::size_t>(number - 1)] = value; }

    int Volume() const { return Get(VOLUME); }
    int Mute() const { return Get(MUTE); }
    int Backlight() const { return Get(BACKLIGHT); }
    int AudioOutput() const { return Get(AUDIO_OUTPUT); }
    int FmChannel() const { return Get(FM_CHANNEL); }
    int FrequencyOf(int channel) const { return Get(FREQUENCY_0 + channel); }
    void SetVolume(int level) { Set(VOLUME, level); }
    void SetMute(int mute) { Set(MUTE, mute); }
    void SetFmChannel(int channel) { Set(FM_CHANNEL, channel); }

    // Replaces values outside their ranges by their defaults; a damaged frequency list goes
    // back to its defaults whole.
    void Validate();
    static std::int32_t Default(int number);
    // Whether a WM_MMS_SETTING request's value lies in the range of the setting it changes.
    static bool AcceptsRequest(std::uintptr_t code, int value);

private:
    std::array<std::int32_t, kValueCount> m_values{};
};

// Registry values of the suite.
DWORD ReadAppValue(const std::string& value_name, DWORD default_value);
void WriteAppValue(const std::string& value_name, DWORD value);
struct PanelSize {
    DWORD width = 0;
    DWORD height = 0;
};
std::optional<PanelSize> ReadPanelSize();
std::string ReadProductVersion();
