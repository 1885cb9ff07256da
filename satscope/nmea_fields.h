// Reading the comma-separated fields of an NMEA sentence's text. The text ends at "*" (the
// checksum) or at its end, whichever comes first.
//
// FieldScanner reads fields in turn, the way the receiver's sentences are laid out: the first
// empty or unreadable field ends the scan, and it and every later value keep 0 (or a blank
// character). Field() gives any one field by number regardless.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace satscope {

// The text of field `index` (0-based), empty when there is no such field.
std::string_view Field(std::string_view text, std::size_t index);
// The number of fields before "*" (an empty text holds one empty field).
std::size_t FieldCount(std::string_view text);

// A decimal integer at the start of the text, saturated to 32 bits; 0 when none.
std::int32_t LeadingInt(std::string_view text, bool* read = nullptr);
// A decimal number at the start of the text; 0 when none. Values beyond a double's range are
// infinite, as the C library reads them.
double LeadingDouble(std::string_view text, bool* read = nullptr);

// The value as it reads after passing through single precision.
double SinglePrecision(double value);

// A text for the window, formatted as printf does; at most 199 characters.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
// A character from the wire as shown: printable ASCII, else a blank (never a NUL that would cut
// the text, never a byte that is no character).
char Shown(char c);

// The fields of a text one after another, without a scan from the start for each.
class FieldWalker {
public:
    explicit FieldWalker(std::string_view text);
    // The next field; false after the last.
    bool Next(std::string_view& field);

private:
    std::string_view m_rest;
    bool m_done = false;
};

class FieldScanner {
public:
    explicit FieldScanner(std::string_view text) : m_fields(text) {}
    void Double(double& value);
    void Float(double& value);  // read in single precision
    void Int(std::int32_t& value);
    void Char(char& value);
    void Skip();
    bool Stopped() const { return m_stopped; }

private:
    // The next field, or nullptr-equivalent (false) once stopped.
    bool Next(std::string_view& field);

    FieldWalker m_fields;
    bool m_stopped = false;
};

}  // namespace satscope
