#include "homedeck/fm_editor.h"

#include <cstdio>

namespace homedeck {

void FmEditor::Enter(const FmSettings& stored)
{
    m_frequencies = stored.frequencies;
    m_mode = stored.mode == 2 ? 2 : (stored.channel == 0 ? 1 : 0);
    m_changed = false;
    Select(stored.channel >= 1 && stored.channel <= kPresets ? stored.channel : 1);
}

// A preset never stored holds 0; it shows, and tunes to, the bottom of the band.
int FmEditor::PresetFrequency(int preset) const
{
    const int frequency = m_frequencies[static_cast<std::size_t>(preset)];
    return frequency == 0 ? kLowestFrequency : frequency;
}

void FmEditor::Select(int preset)
{
    m_preset = preset;
    m_frequency = PresetFrequency(preset);
}

void FmEditor::FrequencyDown()
{
    m_frequency = m_frequency <= kLowestFrequency || m_frequency > kHighestFrequency ? kHighestFrequency : m_frequency - 1;
}

void FmEditor::FrequencyUp()
{
    m_frequency = m_frequency >= kHighestFrequency || m_frequency < kLowestFrequency ? kLowestFrequency : m_frequency + 1;
}

FmRequest FmEditor::TunePreset()
{
    if (m_mode == 1)
        m_mode = 0;
    return {FmTune{m_mode, m_preset, PresetFrequency(m_preset)}, m_preset};
}

FmRequest FmEditor::Add()
{
    m_changed = true;
    for (int preset = 1; preset <= kPresets; ++preset) {
        if (m_frequencies[static_cast<std::size_t>(preset)] != m_frequency)
            continue;
        if (preset == m_preset)
            return {};
        m_preset = preset;
        return TunePreset();
    }
    m_frequencies[static_cast<std::size_t>(m_preset)] = m_frequency;
    return TunePreset();
}

FmRequest FmEditor::SelectPreset(int preset)
{
    if (preset < 1 || preset > kPresets)
        return {};
    m_changed = true;
    Select(preset);
    return TunePreset();
}

void FmEditor::PreviousPreset()
{
    Select(m_preset == 1 ? kPresets : m_preset - 1);
}

void FmEditor::NextPreset()
{
    Select(m_preset == kPresets ? 1 : m_preset + 1);
}

FmRequest FmEditor::SelectMode(int mode)
{
    if (mode < 0 || mode > 2)
        return {};
    m_changed = true;
    m_mode = mode;
    if (mode == 1)
        return {FmTune{1, 0, m_frequencies[0]}, 0};
    return {FmTune{m_mode, m_preset, PresetFrequency(m_preset)}, m_preset};
}

FmSettings FmEditor::Save()
{
    m_changed = false;
    return {m_mode, m_mode == 1 ? 0 : m_preset, m_frequencies};
}

FmRequest FmEditor::Leave(const FmSettings& stored)
{
    if (!m_changed)
        return {};
    m_changed = false;
    const int channel = stored.channel >= 0 && stored.channel <= kPresets ? stored.channel : 0;
    return {FmTune{stored.mode, channel, stored.frequencies[static_cast<std::size_t>(channel)]}, channel};
}

void FormatFrequency(int frequency, char (&text)[16])
{
    std::snprintf(text, sizeof text, "%d.%d", frequency / 10, frequency % 10);
}

}  // namespace homedeck
