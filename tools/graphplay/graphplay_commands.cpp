#include "tools/graphplay/graphplay_commands.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace graphplay {
namespace {

std::optional<double> Number(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<Rect> ParseRect(const std::string& text) {
    Rect rect;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%d,%d,%d,%d%c", &rect.left, &rect.top, &rect.right, &rect.bottom, &tail) != 4)
        return std::nullopt;
    return rect;
}

struct Word {
    const char* name;
    Command::Kind kind;
    bool takes_value;
    double low, high;  // the value's range
};
constexpr Word kWords[] = {
    {"run", Command::Kind::Run, false, 0, 0},          {"pause", Command::Kind::Pause, false, 0, 0},
    {"stop", Command::Kind::Stop, false, 0, 0},        {"seek", Command::Kind::Seek, true, 0, 1e7},
    {"wait", Command::Kind::Wait, true, 0, 3.6e6},     {"pos", Command::Kind::Position, false, 0, 0},
    {"duration", Command::Kind::Duration, false, 0, 0}, {"volume", Command::Kind::Volume, true, 0, 10},
    {"preset", Command::Kind::Preset, true, 0, 4},     {"state", Command::Kind::State, false, 0, 0},
};

}  // namespace

std::optional<Options> ParseArguments(const std::vector<std::string>& arguments, std::string& error) {
    Options options;
    std::size_t i = 0;
    for (; i < arguments.size() && arguments[i].rfind("--", 0) == 0; i += 2) {
        const std::string& flag = arguments[i];
        if (i + 1 >= arguments.size()) {
            error = flag + " needs a value";
            return std::nullopt;
        }
        const std::string& value = arguments[i + 1];
        if (flag == "--root") {
            options.root = value;
        } else if (flag == "--variant" && (value == "movie" || value == "music")) {
            options.variant = value == "music" ? Variant::Music : Variant::Movie;
        } else if (flag == "--rect") {
            const auto rect = ParseRect(value);
            if (!rect) {
                error = "--rect wants L,T,R,B";
                return std::nullopt;
            }
            options.rect = *rect;
        } else {
            error = "unknown option " + flag + " " + value;
            return std::nullopt;
        }
    }
    if (i >= arguments.size()) {
        error = "no file";
        return std::nullopt;
    }
    options.file = arguments[i++];
    while (i < arguments.size()) {
        const std::string& name = arguments[i++];
        const Word* word = nullptr;
        for (const Word& candidate : kWords)
            if (name == candidate.name) word = &candidate;
        if (!word) {
            error = "unknown command " + name;
            return std::nullopt;
        }
        Command command{word->kind};
        if (word->takes_value) {
            const auto value = i < arguments.size() ? Number(arguments[i]) : std::nullopt;
            const bool whole = word->kind != Command::Kind::Volume && word->kind != Command::Kind::Preset;
            if (!value || *value < word->low || *value > word->high || (!whole && std::floor(*value) != *value)) {
                error = name + " wants a number from " + std::to_string(static_cast<long long>(word->low)) + " to " +
                        std::to_string(static_cast<long long>(word->high));
                return std::nullopt;
            }
            command.value = *value;
            ++i;
        }
        options.commands.push_back(command);
    }
    return options;
}

}  // namespace graphplay
