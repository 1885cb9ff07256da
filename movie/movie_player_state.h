// Where Movie starts from its resume point. Links only the standard library, movie_resume and
// the players' rules.
#pragma once

#include <vector>

#include "framework/player_rules.h"
#include "movie/movie_resume.h"

namespace movie {

struct StartPoint {
    int entry = 0;  // list position
    int state = kStopped;
    double seconds = 0;
    bool operator==(const StartPoint&) const = default;
};

// Where Movie starts: on the saved entry's list position, playing from the saved position when
// it was saved playing, otherwise stopped at 0 s. When the saved entry is no longer in the list,
// entry 0 stopped at 0 s.
StartPoint ResumeStartPoint(const MovieResume& resume, const std::vector<int>& kept_file_numbers);

}  // namespace movie
