#include "satscope/ini_reader.h"

namespace satscope {
namespace {

// Characters of UTF-8 text; a byte that starts no valid sequence counts as one character.
std::size_t SequenceLength(std::string_view text, std::size_t at)
{
    const auto byte = static_cast<unsigned char>(text[at]);
    std::size_t length = byte < 0x80 ? 1 : byte >= 0xF0 && byte < 0xF5 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC2 ? 2 : 1;
    if (at + length > text.size()) return 1;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return 1;
    return length;
}

// The first `characters` characters of the text, never cutting one in two.
std::string_view FirstCharacters(std::string_view text, std::size_t characters)
{
    std::size_t at = 0;
    for (std::size_t count = 0; at < text.size() && count < characters; ++count) at += SequenceLength(text, at);
    return text.substr(0, at);
}

class LineReader {
public:
    explicit LineReader(std::string_view file) : m_rest(file)
    {
        if (m_rest.substr(0, 3) == "\xEF\xBB\xBF") m_rest.remove_prefix(3);
    }
    bool Next(std::string_view& line)
    {
        if (m_rest.empty()) return false;
        const std::size_t end = m_rest.find('\n');
        line = m_rest.substr(0, end);
        m_rest.remove_prefix(end == std::string_view::npos ? m_rest.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        line = line.substr(0, line.find('\0'));
        line = FirstCharacters(line, kIniLineCharacters);
        return true;
    }

private:
    std::string_view m_rest;
};

}  // namespace

std::optional<std::string> IniLookup(std::string_view file, std::string_view section, std::string_view key)
{
    LineReader lines(file);
    std::string_view line;
    bool in_section = false;
    while (!in_section && lines.Next(line))
        in_section = line.size() > section.size() + 1 && line[0] == '[' && line.substr(1, section.size()) == section &&
                     line[section.size() + 1] == ']';
    if (!in_section) return std::nullopt;

    while (lines.Next(line)) {
        if (!line.empty() && line[0] == '[') break;
        if (!line.empty() && line[0] == ';') continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || equals == 0) continue;
        if (line.substr(0, equals) != key) continue;
        std::string value;
        const std::string_view raw = line.substr(equals + 1);
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\\' && i + 1 < raw.size() && raw[i + 1] == 'n') {
                value += '\n';
                ++i;
            } else {
                value += raw[i];
            }
        }
        if (!value.empty() && value.back() == '\n') value.pop_back();
        return std::string(FirstCharacters(value, kIniValueCharacters));
    }
    return std::nullopt;
}

}  // namespace satscope
