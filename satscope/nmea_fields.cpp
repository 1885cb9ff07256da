#include "satscope/nmea_fields.h"

#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <limits>
#include <string>

namespace satscope {
namespace {

std::string_view BeforeChecksum(std::string_view text)
{
    const std::size_t star = text.find('*');
    return star == std::string_view::npos ? text : text.substr(0, star);
}

}  // namespace

double SinglePrecision(double value)
{
    // A value beyond a float's range is infinite in single precision, not undefined.
    constexpr double kMax = std::numeric_limits<float>::max();
    if (value > kMax) return std::numeric_limits<double>::infinity();
    if (value < -kMax) return -std::numeric_limits<double>::infinity();
    return static_cast<double>(static_cast<float>(value));
}

std::string_view Field(std::string_view text, std::size_t index)
{
    std::string_view rest = BeforeChecksum(text);
    for (std::size_t i = 0; i < index; ++i) {
        const std::size_t comma = rest.find(',');
        if (comma == std::string_view::npos) return {};
        rest.remove_prefix(comma + 1);
    }
    return rest.substr(0, rest.find(','));
}

std::size_t FieldCount(std::string_view text)
{
    std::size_t count = 1;
    for (const char c : text) {
        if (c == '*') break;
        if (c == ',') ++count;
    }
    return count;
}

std::int32_t LeadingInt(std::string_view text, bool* read)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::size_t digits_start = i;
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kLimit) value = kLimit;  // saturated; later digits cannot bring it back
    }
    if (read) *read = i > digits_start;
    if (i == digits_start) return 0;
    if (negative) return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(value >= kLimit ? kLimit - 1 : value);
}

double LeadingDouble(std::string_view text, bool* read)
{
    // The C library's reading, as the receiver's numbers were read: leading blanks and a sign.
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    double value = 0;
    const char* begin = text.data() + at;
    const auto [end, error] = std::from_chars(begin, text.data() + text.size(), value);
    const bool any = end != begin && (error == std::errc() || error == std::errc::result_out_of_range);
    if (read) *read = any;
    if (!any) return 0.0;
    if (error == std::errc::result_out_of_range) {
        // Beyond a double: the C library's answer (infinite, or 0 for a tiny value).
        const std::string copy(begin, static_cast<std::size_t>(end - begin));
        value = std::strtod(copy.c_str(), nullptr);
    }
    return negative ? -value : value;
}

FieldWalker::FieldWalker(std::string_view text) : m_rest(text) {}

bool FieldWalker::Next(std::string_view& field)
{
    if (m_done) return false;
    // Fields are a few characters long: a plain loop beats a library search per field.
    const char* const begin = m_rest.data();
    const char* const end = begin + m_rest.size();
    const char* at = begin;
    while (at < end && *at != ',' && *at != '*') ++at;
    field = std::string_view(begin, static_cast<std::size_t>(at - begin));
    if (at == end || *at == '*') {
        m_done = true;
    } else {
        m_rest = std::string_view(at + 1, static_cast<std::size_t>(end - at - 1));
    }
    return true;
}

bool FieldScanner::Next(std::string_view& field)
{
    if (m_stopped) return false;
    if (!m_fields.Next(field) || field.empty()) {
        m_stopped = true;
        return false;
    }
    return true;
}

void FieldScanner::Double(double& value)
{
    std::string_view field;
    if (!Next(field)) return;
    bool read = false;
    const double number = LeadingDouble(field, &read);
    if (!read) {
        m_stopped = true;
        return;
    }
    value = number;
    // Text after the number ends the scan, as the separator it should be is not there.
    if (field.find_first_not_of("+-.0123456789eE") != std::string_view::npos) m_stopped = true;
}

void FieldScanner::Float(double& value)
{
    double number = value;
    Double(number);
    value = SinglePrecision(number);
}

void FieldScanner::Int(std::int32_t& value)
{
    std::string_view field;
    if (!Next(field)) return;
    bool read = false;
    const std::int32_t number = LeadingInt(field, &read);
    if (!read) {
        m_stopped = true;
        return;
    }
    value = number;
    if (field.find_first_not_of("+-0123456789") != std::string_view::npos) m_stopped = true;
}

void FieldScanner::Char(char& value)
{
    std::string_view field;
    if (!Next(field)) return;
    value = field[0];
    if (field.size() > 1) m_stopped = true;
}

void FieldScanner::Skip()
{
    std::string_view field;
    Next(field);
}

std::string Format(const char* format, ...)
{
    char text[200];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

char Shown(char c)
{
    return c > ' ' && c < 0x7F ? c : ' ';
}

}  // namespace satscope
