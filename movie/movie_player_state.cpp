#include "movie/movie_player_state.h"

namespace movie {

StartPoint ResumeStartPoint(const MovieResume& resume, const std::vector<int>& kept_file_numbers) {
    const MovieResume clamped = ClampMovieResume(resume);
    const int position = player::KeptPosition(kept_file_numbers, clamped.entry);
    if (position < 0) return {};
    if (clamped.state != kPlaying) return {position, kStopped, 0};
    return {position, kPlaying, static_cast<double>(clamped.seconds)};
}

}  // namespace movie
