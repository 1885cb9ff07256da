#include "telecast/player_rules.h"

#include <algorithm>
#include <cstring>

namespace telecast {

std::int32_t VolumeOfStep(int step) { return kVolumeTable[static_cast<std::size_t>(std::clamp(step, 0, kMaxVolumeStep))]; }

int StepOfVolume(std::int32_t volume) {
    for (int step = 0; step <= kMaxVolumeStep; ++step)
        if (kVolumeTable[static_cast<std::size_t>(step)] >= volume) return step;
    return kMaxVolumeStep;  // above 0 dB: the loudest step
}

int GraphVolumeStep(int volume_setting, bool muted, bool ducking) {
    if (muted) return 0;
    if (ducking) return std::clamp(std::min(volume_setting, kDuckedVolumeStep), 0, kMaxVolumeStep);
    return volume_setting > 0 ? kMaxVolumeStep : 0;
}

SignalMonitor::Action SignalMonitor::Tick(std::uint32_t error_measure) {
    constexpr std::uint32_t kNoPictureErrorMeasure = 10000;
    if (error_measure <= kNoPictureErrorMeasure) {
        ++m_good;
        m_bad = 0;
        if (m_raised && m_good > 1) {
            m_raised = false;
            return Action::HideNoSignal;
        }
        return Action::None;
    }
    m_good = 0;
    ++m_bad;
    if (!m_raised && m_bad > 1) {
        m_raised = true;
        return Action::ShowNoSignal;
    }
    return Action::None;
}

void SignalMonitor::Restart() {
    m_good = 0;
    m_bad = 0;
    m_raised = false;
}

bool AudioChangeGate::Take(const AudioValues& current, const AudioValues& told) {
    if (told == current || m_changes >= kMaxChanges) return false;
    ++m_changes;
    return true;
}

void AudioChangeGate::ChannelStarted(bool by_change) {
    if (!by_change) m_changes = 0;
}

int ScanProgress(std::int64_t index, std::int64_t first, std::int64_t number) {
    if (number <= first) return 100;
    const std::int64_t progress = (index - first + 1) * 100 / (number - first);
    return static_cast<int>(std::clamp<std::int64_t>(progress, 0, 100));
}

std::vector<ChannelRecord> ScanStepRecords(std::span<const std::uint32_t> words, std::uint32_t count,
                                           std::int32_t region_code) {
    const std::size_t entries =
        std::min({static_cast<std::size_t>(count), kScanBufferEntries, words.size() / kScanEntryWords});
    std::vector<ChannelRecord> records;
    for (std::size_t i = 0; i < entries; ++i) {
        ChannelRecord record;
        // The first eleven words of a record are the entry's eleven words, in order.
        static_assert(offsetof(ChannelRecord, audio_coding) == kScanEntryWords * 4);
        std::memcpy(static_cast<void*>(&record), words.data() + i * kScanEntryWords, kScanEntryWords * 4);
        if (record.service_type == kTvService) {
            record.audio_coding = region_code == kKoreaRegionCode ? kBsacAudioCoding : 0;
            record.audio_a = 2;
            record.audio_b = 48000;
        }
        records.push_back(record);
    }
    return records;
}

ListPosition ListPosition::At(int line) {
    line = std::max(line, 0);
    return {line - line % kRows, line % kRows};
}

int ListPosition::RowAt(int y) {
    if (y < kFirstRowY) return -1;
    return std::min((y - kFirstRowY) / kRowHeight, kRows - 1);
}

ListPosition ListPosition::PageDown(int lines) const {
    if (top + kRows < lines) return {top + kRows, 0};
    return *this;
}

ListPosition ListPosition::PageUp() const {
    if (top > 0) return {std::max(top - kRows, 0), 0};
    return *this;
}

ListPosition ListPosition::Next(int lines) const {
    if (lines <= 0) return *this;
    const int next = Line() + 1;
    return At(next < lines ? next : 0);
}

ListPosition ListPosition::Previous(int lines) const {
    if (lines <= 0) return *this;
    const int previous = Line() - 1;
    return At(previous >= 0 ? previous : lines - 1);
}

int ListPosition::ThumbY(int top, int lines) {
    const int pages = (lines + kRows - 1) / kRows;
    if (pages < 2) return -1;
    return kFirstRowY + std::min(top / kRows * kThumbTravel / (pages - 1), kThumbTravel);
}

}  // namespace telecast
