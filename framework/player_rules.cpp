#include "framework/player_rules.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace player {


namespace {

int ClampLevel(int level) { return std::clamp(level, 0, kMaxVolumeLevel); }

}  // namespace

int GraphVolumeIndex(Muting muting, Ducking ducking, int level) {
    level = ClampLevel(level);
    if (muting == Muting::On) return 0;
    if (ducking == Ducking::On) return std::min(level, kDuckedVolumeIndex);
    return level > 0 ? kMaxVolumeLevel : 0;
}

int VolumeDown(int level) { return std::max(ClampLevel(level) - 1, 0); }
int VolumeUp(int level) { return std::min(ClampLevel(level) + 1, kMaxVolumeLevel); }

// --- The list box ------------------------------------------------------------------------------

void PlaylistCursor::Reset(int count, int selected) {
    m_count = std::max(count, 0);
    m_page_start = 0;
    m_row = 0;
    if (selected >= 0 && selected < m_count) Place(selected);
}

void PlaylistCursor::Place(int entry) {
    m_row = entry % kRowsPerPage;
    m_page_start = entry - m_row;
}

// Counted without adding to the count first, which could overflow near INT_MAX.
int PlaylistCursor::Pages() const { return m_count / kRowsPerPage + (m_count % kRowsPerPage != 0 ? 1 : 0); }

bool PlaylistCursor::Select(int entry) {
    if (entry < 0 || entry >= m_count) return false;
    Place(entry);
    return true;
}

bool PlaylistCursor::Next() {
    if (m_count == 0) return false;
    const int selected = Selected();
    Place(selected == m_count - 1 ? 0 : selected + 1);
    return true;
}

bool PlaylistCursor::Previous() {
    if (m_count == 0) return false;
    const int selected = Selected();
    Place(selected == 0 ? m_count - 1 : selected - 1);
    return true;
}

bool PlaylistCursor::PageUp() {
    if (m_page_start < kRowsPerPage) return false;
    m_page_start -= kRowsPerPage;
    m_row = 0;
    return true;
}

bool PlaylistCursor::PageDown() {
    if (m_count - m_page_start <= kRowsPerPage) return false;
    m_page_start += kRowsPerPage;
    m_row = 0;
    return true;
}

bool PlaylistCursor::SelectRow(int row) {
    if (EntryAtRow(row) < 0) return false;
    m_row = row;
    return true;
}

int PlaylistCursor::EntryAtRow(int row) const {
    if (row < 0 || row >= kRowsPerPage || row >= m_count - m_page_start) return -1;
    return m_page_start + row;
}

int PlaylistCursor::ThumbOffset(int height) const {
    const int pages = Pages();
    if (pages < 2) return 0;
    // The thumb keeps a pixel clear above and below it; a track too short for that keeps it at
    // the top rather than above the track.
    const long long travel = std::max(height - (kThumbHeight + 2), 0);
    return static_cast<int>(m_page_start / kRowsPerPage * travel / (pages - 1)) + 1;
}

int KeptPosition(const std::vector<int>& kept_file_numbers, int saved_file_number) {
    if (saved_file_number < 0) return -1;
    // A plain search: it finds the entry even if the numbers were not in order.
    const auto found = std::find(kept_file_numbers.begin(), kept_file_numbers.end(), saved_file_number);
    if (found == kept_file_numbers.end()) return -1;
    return static_cast<int>(found - kept_file_numbers.begin());
}

bool ReachedEnd(double position, double duration) { return duration > 0 && position >= duration; }

// --- Texts and steps ---------------------------------------------------------------------------

std::string ClockText(double seconds) {
    const int whole = std::max(WholeSeconds(seconds), 0);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", whole / 3600, whole / 60 % 60, whole % 60);
    return text;
}

std::string FmText(int channel_index, int frequency) {
    if (channel_index == 0 || frequency < 0) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%d.%d", frequency / 10, frequency % 10);
    return text;
}

int NextFmChannel(int channel_index) {
    if (channel_index < 0 || channel_index >= kFmChannels) return 1;
    return (channel_index + 1) % kFmChannels;
}


void TrackEndWatch::Restart() {
    m_last = -1;
    m_still = 0;
}

bool TrackEndWatch::Ended(double position, double duration) {
    if (duration > 0) return ReachedEnd(position, duration);
    m_still = position == m_last ? m_still + 1 : 0;
    m_last = position;
    return m_still >= m_still_readings;
}

int WholeSeconds(double position) {
    if (position != position) return 0;  // NaN
    if (position >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (position <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(position);
}

}  // namespace player
