#include "telecast/scan_file.h"

#include <charconv>
#include <cstdio>
#include <optional>

namespace telecast {
namespace {

constexpr int kHeaderLines = 7;
constexpr int kRecordLines = 10;

// The record's fields in file order, for the reasons of a refusal.
constexpr const char* kRecordFields[kRecordLines] = {
    "tuner value 0", "frequency",      "service id",   "name",              "sub-channel id",
    "service type",  "tuner value 10", "audio coding", "audio parameter A", "audio parameter B"};

// Reads the file's lines from the front. Never reads outside the bytes; every read that fails
// leaves the position where it was.
class LineReader {
public:
    explicit LineReader(std::string_view bytes) : m_bytes(bytes) {}

    // The next line's text without its line end; nothing when no whole line is left. The
    // writer ends every line, so a last line without its end is a file cut short (it may have
    // lost digits).
    std::optional<std::string_view> Line()
    {
        const std::size_t end = m_bytes.find('\n', m_position);
        if (end == std::string_view::npos) return std::nullopt;
        const std::string_view line = m_bytes.substr(m_position, end - m_position);
        m_position = end + 1;
        return line;
    }
    // Exactly count bytes and then a line end ("\n", or "\r\n" of a file that went through an
    // editor); nothing when either is missing.
    std::optional<std::string_view> Bytes(std::size_t count)
    {
        if (m_bytes.size() - m_position < count) return std::nullopt;
        std::size_t end = m_position + count;
        if (end < m_bytes.size() && m_bytes[end] == '\r') ++end;
        if (end >= m_bytes.size() || m_bytes[end] != '\n') return std::nullopt;
        const std::string_view bytes = m_bytes.substr(m_position, count);
        m_position = end + 1;
        return bytes;
    }

private:
    std::string_view m_bytes;
    std::size_t m_position = 0;
};

// A number's line as "%d" or "%x" reads it, but whole: blanks around it and a carriage return
// at its end are allowed, anything else on the line is not.
std::string_view Trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

template <class T>
std::optional<T> Number(std::string_view line, int base)
{
    if (line.size() > kMostLineCharacters) return std::nullopt;
    std::string_view text = Trimmed(line);
    if (base == 10 && text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

class Parse {
public:
    explicit Parse(std::string_view bytes) : m_reader(bytes) {}

    ScanFileLoad Run()
    {
        ScanFileLoad result;
        if (Read(result)) {
            result.status = LoadStatus::Loaded;
            result.line = 0;
            result.reason.clear();
        } else {
            result.table = ChannelTable{};
        }
        return result;
    }

private:
    bool Read(ScanFileLoad& result)
    {
        ChannelTable& table = result.table;
        const std::optional<std::int32_t> mark = Next<std::int32_t>("format mark", 10);
        if (!mark || *mark != kScanFileMark) {
            return Fail(result, LoadStatus::Foreign, mark ? "format mark " + std::to_string(*mark) + " is not 1004"
                                                          : m_failure);
        }
        std::int32_t count = 0;
        std::int32_t list_type = 0;
        if (!Header(table.region_code, "region code") || !Header(table.band, "band") ||
            !Header(count, "record count") || !Header(table.selected_radio, "selected radio index") ||
            !Header(table.selected_tv, "selected TV index") || !Header(list_type, "list type"))
            return Fail(result, LoadStatus::Damaged, m_failure);
        // Checked before it sizes anything: a damaged count must not allocate.
        if (count < 0 || count > kMostRecords) {
            m_line = 4;
            return Fail(result, LoadStatus::Damaged,
                        "record count " + std::to_string(count) + " is outside 0.." + std::to_string(kMostRecords));
        }
        if (list_type != static_cast<std::int32_t>(ListType::Radio) && list_type != static_cast<std::int32_t>(ListType::Tv)) {
            m_line = 7;
            return Fail(result, LoadStatus::Damaged, "list type " + std::to_string(list_type) + " is neither 1 nor 2");
        }
        table.list_type = static_cast<ListType>(list_type);

        table.records.reserve(static_cast<std::size_t>(count));
        for (std::int32_t i = 0; i < count; ++i) {
            ChannelRecord record;
            if (!ReadRecord(record)) return Fail(result, LoadStatus::Damaged, m_failure);
            table.Add(record);
        }
        table.current = table.SelectedIndex(table.list_type);
        return true;
    }

    bool ReadRecord(ChannelRecord& record)
    {
        if (!Field(record.tuner_value_0) || !Field(record.frequency)) return false;
        const std::optional<std::uint32_t> service_id = Next<std::uint32_t>(FieldName(), 16);
        if (!service_id) return false;
        record.service_id = *service_id;

        ++m_line;
        const std::optional<std::string_view> name = m_reader.Bytes(kNameBytes);
        if (!name) return Failure("the 20 bytes of the name and their line end are not there");
        record.name = NameBytes(*name);

        if (!Field(record.sub_channel_id) || !Field(record.service_type) || !Field(record.tuner_value_10)) return false;
        const std::optional<std::int32_t> audio_coding = Next<std::int32_t>(FieldName(), 10);
        if (!audio_coding) return false;
        if (*audio_coding < 0 || *audio_coding > 255)
            return Failure("audio coding " + std::to_string(*audio_coding) + " is not a byte");
        record.audio_coding = static_cast<std::uint8_t>(*audio_coding);
        return Field(record.audio_a) && Field(record.audio_b);
    }

    bool Header(std::int32_t& value, const char* what)
    {
        const std::optional<std::int32_t> number = Next<std::int32_t>(what, 10);
        if (number) value = *number;
        return number.has_value();
    }
    bool Field(std::int32_t& value) { return Header(value, FieldName()); }

    // The name of the record field on the next line.
    const char* FieldName() const { return kRecordFields[(m_line - kHeaderLines) % kRecordLines]; }

    template <class T>
    std::optional<T> Next(const char* what, int base)
    {
        ++m_line;
        const std::optional<std::string_view> line = m_reader.Line();
        if (!line) {
            Failure(std::string("the file ends before the ") + what + " and its line end");
            return std::nullopt;
        }
        std::optional<T> number = Number<T>(*line, base);
        if (!number) Failure(std::string("the ") + what + " is not a " + (base == 16 ? "hexadecimal " : "") + "number");
        return number;
    }

    bool Failure(std::string why)
    {
        m_failure = std::move(why);
        return false;
    }
    bool Fail(ScanFileLoad& result, LoadStatus status, const std::string& why) const
    {
        result.status = status;
        result.line = m_line;
        result.reason = "line " + std::to_string(m_line) + ": " + why;
        return false;
    }

    LineReader m_reader;
    int m_line = 0;  // 1-based line last read
    std::string m_failure;
};

void AppendNumber(std::string& text, const char* format, long long value)
{
    char buffer[24];
    const int length = std::snprintf(buffer, sizeof buffer, format, value);
    text.append(buffer, static_cast<std::size_t>(length));
}

}  // namespace

ScanFileLoad ParseScanFile(std::string_view bytes)
{
    return Parse(bytes).Run();
}

std::string FormatScanFile(const ChannelTable& table)
{
    std::string text;
    text.reserve(64 + table.records.size() * 100);
    for (const long long value : {static_cast<long long>(kScanFileMark), static_cast<long long>(table.region_code),
                                  static_cast<long long>(table.band), static_cast<long long>(table.records.size()),
                                  static_cast<long long>(table.selected_radio), static_cast<long long>(table.selected_tv),
                                  static_cast<long long>(table.list_type)})
        AppendNumber(text, "%lld\n", value);
    for (const ChannelRecord& record : table.records) {
        AppendNumber(text, "%lld\n", record.tuner_value_0);
        AppendNumber(text, "%lld\n", record.frequency);
        AppendNumber(text, "%llx\n", record.service_id);
        text.append(record.name.data(), record.name.size());
        text.push_back('\n');
        for (const long long value : {static_cast<long long>(record.sub_channel_id),
                                      static_cast<long long>(record.service_type),
                                      static_cast<long long>(record.tuner_value_10),
                                      static_cast<long long>(record.audio_coding),
                                      static_cast<long long>(record.audio_a), static_cast<long long>(record.audio_b)})
            AppendNumber(text, "%lld\n", value);
    }
    return text;
}

const char* Name(LoadStatus status)
{
    switch (status) {
    case LoadStatus::Loaded: return "loaded";
    case LoadStatus::Missing: return "missing";
    case LoadStatus::Foreign: return "foreign";
    case LoadStatus::Damaged: return "damaged";
    case LoadStatus::Unreadable: return "unreadable";
    }
    return "?";
}

const char* Name(SaveStatus status)
{
    switch (status) {
    case SaveStatus::Saved: return "saved";
    case SaveStatus::CannotCreate: return "cannot create the temporary file";
    case SaveStatus::WriteFailed: return "write failed";
    case SaveStatus::CannotReplace: return "cannot replace the file";
    }
    return "?";
}

}  // namespace telecast
