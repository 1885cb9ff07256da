// Telecast's player rules that need no device: the graph volume of a setting, the signal
// monitor, the audio-change gate, scan progress and what a scan step's entries become, and the
// channel list's pages. The player and its window apply them; tests check them alone.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "telecast/channel_table.h"

namespace telecast {

// The graph's basic-audio volume (hundredths of a decibel) of each step, 0 (silent) to 10.
constexpr std::array<std::int32_t, 11> kVolumeTable = {-10000, -5600, -4500, -3350, -2800, -2200,
                                                       -1750,  -1300, -800,  -500,  0};
constexpr int kMaxVolumeStep = 10;
// The step played while ducked under the navigation program's voice.
constexpr int kDuckedVolumeStep = 3;

// The volume of a step; steps outside 0..10 are held to the nearest end.
std::int32_t VolumeOfStep(int step);
// The first step whose volume is not below the graph's volume.
int StepOfVolume(std::int32_t volume);
// The step the graph plays at for the user's volume setting: silent when muted; when ducked,
// the setting but at most 3; else full (10) for any setting above 0.
int GraphVolumeStep(int volume_setting, bool muted, bool ducking);

// The once-a-second signal monitor. Two bad seconds in a row raise the no-signal picture and
// silence the graph; two good ones take down what the monitor raised.
class SignalMonitor {
public:
    enum class Action { None, ShowNoSignal, HideNoSignal };

    // One second's error measure.
    Action Tick(std::uint32_t error_measure);
    // A good start of play: the counts begin again and whatever raised the picture, it is
    // down now, so the monitor no longer holds it.
    void Restart();
    // The picture was hidden by someone else (a good Play, the screen going away): the monitor
    // no longer holds it, so the next loss raises it again.
    void PictureHidden() { m_raised = false; }

    bool Raised() const { return m_raised; }
    int GoodSeconds() const { return m_good; }
    int BadSeconds() const { return m_bad; }

private:
    int m_good = 0;
    int m_bad = 0;
    bool m_raised = false;  // the monitor raised the no-signal picture now shown
};

// The receiver's word on a service's real audio, against the current record: at most three
// changes follow one channel start. The handler restarts the channel itself; that start does
// not begin a new count, or a receiver that keeps changing its mind would restart forever.
class AudioChangeGate {
public:
    static constexpr int kMaxChanges = 3;

    // Whether a change to `told` is taken; counts it when it is.
    bool Take(const AudioValues& current, const AudioValues& told);
    // A channel start; `by_change` when the change handler made it.
    void ChannelStarted(bool by_change);
    int Changes() const { return m_changes; }

private:
    int m_changes = 0;
};

// Scan progress in percent after frequency index `index` of `number` starting at `first`:
// (index - first + 1) × 100 ÷ (number - first), at most 100; 100 when there is nothing to
// scan (number ≤ first), where the division would have no divisor.
int ScanProgress(std::int64_t index, std::int64_t first, std::int64_t number);

// The records of one scan step: at most ten entries of eleven words, each with the audio
// values a scan assumes for its type (TV: BSAC in Korea, else HE-AAC; A = 2, B = 48000; other
// types: zeros). `words` holds the entries as the tuner returned them; `count` the number it
// reported, which may exceed what the buffer holds.
constexpr std::size_t kScanBufferEntries = 10;
constexpr std::size_t kScanEntryWords = 11;
std::vector<ChannelRecord> ScanStepRecords(std::span<const std::uint32_t> words, std::uint32_t count,
                                           std::int32_t region_code);

// The channel list's position: a page of nine rows, the page top a multiple of nine.
struct ListPosition {
    static constexpr int kRows = 9;
    static constexpr int kRowHeight = 37;
    static constexpr int kFirstRowY = 2;
    static constexpr int kThumbTravel = 270;

    int top = 0;
    int row = 0;

    static ListPosition At(int line);
    int Line() const { return top + row; }
    // The row under a y coordinate of the window; -1 above the rows.
    static int RowAt(int y);
    ListPosition PageDown(int lines) const;
    ListPosition PageUp() const;
    ListPosition Next(int lines) const;
    ListPosition Previous(int lines) const;
    // The y of the scroll thumb; -1 when one page holds every line (no thumb).
    static int ThumbY(int top, int lines);
};

}  // namespace telecast
