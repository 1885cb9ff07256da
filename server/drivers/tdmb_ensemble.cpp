#include "server/drivers/tdmb_ensemble.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iconv.h>
#include <iterator>
#include <set>

namespace server::tdmb {
namespace {

constexpr std::string_view kBlanks = " \t";
constexpr char32_t kReplacement = U'\uFFFD';

std::string_view Trim(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The next code point of UTF-8 text from `at`, moving `at` past it. A byte that starts no
// well-formed sequence (overlong forms, surrogates and values above U+10FFFF included) is one
// U+FFFD, so any bytes decode without reading past the end.
char32_t NextCodePoint(std::string_view text, std::size_t& at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++at;
        return lead;
    } else if (lead >= 0xC2 && lead < 0xE0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead < 0xF5) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        ++at;
        return kReplacement;
    }
    if (text.size() - at < length) {
        ++at;
        return kReplacement;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[at + i]);
        if ((byte & 0xC0) != 0x80) {
            ++at;
            return kReplacement;
        }
        value = (value << 6) | (byte & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value < 0xE000)) {
        ++at;
        return kReplacement;
    }
    at += length;
    return value;
}

// Well-formed UTF-8 without control characters: what names and labels must be, since they
// are shown and converted.
bool IsPrintableUtf8(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t start = at;
        const char32_t c = NextCodePoint(text, at);
        if (c == kReplacement && !(at - start == 3 && text.substr(start, 3) == "\xEF\xBF\xBD")) return false;
        if (c < 0x20 || c == 0x7F) return false;
    }
    return true;
}

bool HasControlBytes(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

// An unsigned number, decimal or "0x" hexadecimal, no sign, within [minimum, maximum].
std::optional<std::uint32_t> ParseNumber(std::string_view text, std::uint32_t minimum, std::uint32_t maximum)
{
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (value < minimum || value > maximum) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

std::string RangeText(std::uint32_t minimum, std::uint32_t maximum)
{
    return "a number from " + std::to_string(minimum) + " to " + std::to_string(maximum);
}

// The line that refused the file, and why.
struct Refusal {
    std::size_t line = 0;
    std::string reason;
};

class BandReader {
public:
    explicit BandReader(std::string_view folder) : m_folder(folder) {}

    std::optional<Refusal> Line(std::size_t number, std::string_view line);
    std::optional<Refusal> Finish();
    Band TakeBand() { return std::move(m_band); }

private:
    enum class Section { Band, Ensemble, Service };

    std::optional<Refusal> BandKey(std::string_view key, std::string_view value);
    std::optional<Refusal> EnsembleKey(std::string_view key, std::string_view value);
    std::optional<Refusal> ServiceKey(std::string_view key, std::string_view value);
    std::optional<Refusal> Plan(std::string_view value);
    std::optional<Refusal> CloseSection();
    std::optional<Refusal> Number(std::string_view key, std::string_view value, std::uint32_t minimum,
                                  std::uint32_t maximum, std::uint32_t& out);
    std::optional<Refusal> Text(std::string_view key, std::string_view value, std::size_t limit, std::string& out);
    std::optional<Refusal> Path(std::string_view key, std::string_view value, std::string& out);
    Refusal Refuse(std::string reason) const { return {m_line, std::move(reason)}; }
    // A key given twice in one section is refused; slides and dynamic labels repeat.
    bool FirstTime(std::string_view key) { return m_keys_seen.insert(std::string(key)).second; }

    Band m_band;
    std::string m_folder;
    Section m_section = Section::Band;
    std::size_t m_line = 0;
    std::size_t m_section_line = 0;
    std::size_t m_first_radio_only_line = 0;  // the first slide or dynamic-label line of the service
    std::set<std::string> m_keys_seen;
    bool m_korean_plan_replaced = false;
    std::set<std::uint32_t> m_service_ids;
    std::set<std::uint32_t> m_ensemble_ids;
};

std::optional<Refusal> BandReader::Line(std::size_t number, std::string_view line)
{
    m_line = number;
    if (line.size() > kMaxLineBytes) return Refuse("line longer than " + std::to_string(kMaxLineBytes) + " bytes");
    if (line.find('\0') != std::string_view::npos) return Refuse("NUL byte in the line");
    line = Trim(line);
    if (line.empty() || line[0] == '#') return std::nullopt;

    if (line == "[ensemble]" || line == "[service]") {
        if (auto refusal = CloseSection()) return refusal;
        m_keys_seen.clear();
        m_section_line = number;
        m_first_radio_only_line = 0;
        if (line == "[ensemble]") {
            if (m_band.ensembles.size() == kMaxEnsembles)
                return Refuse("more than " + std::to_string(kMaxEnsembles) + " ensembles");
            m_band.ensembles.emplace_back();
            m_section = Section::Ensemble;
        } else {
            if (m_band.ensembles.empty()) return Refuse("a service before the first [ensemble]");
            auto& services = m_band.ensembles.back().services;
            if (services.size() == kMaxServicesPerEnsemble)
                return Refuse("more than " + std::to_string(kMaxServicesPerEnsemble) + " services in the ensemble");
            services.emplace_back();
            m_section = Section::Service;
        }
        return std::nullopt;
    }
    if (line[0] == '[') return Refuse("unknown section " + std::string(line));

    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return Refuse("expected \"key = value\"");
    const std::string_view key = Trim(line.substr(0, equals));
    const std::string_view value = Trim(line.substr(equals + 1));
    if (key.empty()) return Refuse("no key before \"=\"");
    switch (m_section) {
        case Section::Band: return BandKey(key, value);
        case Section::Ensemble: return EnsembleKey(key, value);
        case Section::Service: return ServiceKey(key, value);
    }
    return std::nullopt;
}

std::optional<Refusal> BandReader::Finish()
{
    return CloseSection();
}

std::optional<Refusal> BandReader::Number(std::string_view key, std::string_view value, std::uint32_t minimum,
                                          std::uint32_t maximum, std::uint32_t& out)
{
    const auto number = ParseNumber(value, minimum, maximum);
    if (!number) return Refuse(std::string(key) + " must be " + RangeText(minimum, maximum));
    out = *number;
    return std::nullopt;
}

std::optional<Refusal> BandReader::Text(std::string_view key, std::string_view value, std::size_t limit,
                                        std::string& out)
{
    if (value.size() > limit) return Refuse(std::string(key) + " longer than " + std::to_string(limit) + " bytes");
    if (!IsPrintableUtf8(value)) return Refuse(std::string(key) + " is not printable UTF-8");
    out = value;
    return std::nullopt;
}

std::optional<Refusal> BandReader::Path(std::string_view key, std::string_view value, std::string& out)
{
    if (value.empty()) return Refuse(std::string(key) + " is empty");
    if (value.size() > kMaxPathBytes)
        return Refuse(std::string(key) + " longer than " + std::to_string(kMaxPathBytes) + " bytes");
    if (HasControlBytes(value)) return Refuse(std::string(key) + " holds control characters");
    if (value[0] == '/' || m_folder.empty()) {
        out = value;
    } else {
        out = m_folder;
        if (out.back() != '/') out += '/';
        out += value;
    }
    return std::nullopt;
}

std::optional<Refusal> BandReader::BandKey(std::string_view key, std::string_view value)
{
    if (key == "plan") return Plan(value);
    if (!FirstTime(key)) return Refuse(std::string(key) + " given twice");
    if (key == "dwell_ms") return Number(key, value, 0, kMaxMilliseconds, m_band.dwell_ms);
    if (key == "lock_ms") return Number(key, value, 0, kMaxMilliseconds, m_band.lock_ms);
    return Refuse("unknown band key " + std::string(key));
}

// "plan = REGION BAND kHz kHz ...", numbers split by blanks or commas. The built-in Korean plan
// stands until a plan line for region 82 band 0 replaces it; any other pair may be given once.
std::optional<Refusal> BandReader::Plan(std::string_view value)
{
    std::vector<std::uint32_t> numbers;
    std::size_t at = 0;
    while (true) {
        at = value.find_first_not_of(" \t,", at);
        if (at == std::string_view::npos) break;
        const std::size_t end = std::min(value.find_first_of(" \t,", at), value.size());
        const std::string_view word = value.substr(at, end - at);
        const std::uint32_t minimum = numbers.size() < 2 ? 0 : kMinFrequencyKhz;
        const std::uint32_t maximum = numbers.size() < 2 ? 0xFFFFFFFF : kMaxFrequencyKhz;
        const auto number = ParseNumber(word, minimum, maximum);
        if (!number) {
            if (numbers.size() < 2) return Refuse("plan: bad region code or band \"" + std::string(word) + "\"");
            return Refuse("plan: frequency \"" + std::string(word) + "\" must be " +
                          RangeText(kMinFrequencyKhz, kMaxFrequencyKhz) + " (kHz)");
        }
        if (numbers.size() == 2 + kMaxPlanFrequencies)
            return Refuse("plan: more than " + std::to_string(kMaxPlanFrequencies) + " frequencies");
        if (numbers.size() > 2 && *number <= numbers.back()) return Refuse("plan: frequencies must ascend");
        numbers.push_back(*number);
        at = end;
    }
    if (numbers.size() < 3) return Refuse("plan: expected a region code, a band and at least one frequency");

    FrequencyPlan plan{numbers[0], numbers[1], std::vector<std::uint32_t>(numbers.begin() + 2, numbers.end())};
    const bool korean = plan.region == kRegionKorea && plan.band == 0;
    if (korean && !m_korean_plan_replaced) {
        m_korean_plan_replaced = true;
        for (FrequencyPlan& existing : m_band.plans)
            if (existing.region == kRegionKorea && existing.band == 0) existing = std::move(plan);
        return std::nullopt;
    }
    if (m_band.Plan(plan.region, plan.band))
        return Refuse("plan: region " + std::to_string(plan.region) + " band " + std::to_string(plan.band) +
                      " given twice");
    if (m_band.plans.size() == kMaxPlans) return Refuse("more than " + std::to_string(kMaxPlans) + " plans");
    m_band.plans.push_back(std::move(plan));
    return std::nullopt;
}

std::optional<Refusal> BandReader::EnsembleKey(std::string_view key, std::string_view value)
{
    if (!FirstTime(key)) return Refuse(std::string(key) + " given twice");
    Ensemble& ensemble = m_band.ensembles.back();
    if (key == "frequency") {
        if (auto refusal = Number(key, value, kMinFrequencyKhz, kMaxFrequencyKhz, ensemble.frequency_khz))
            return refusal;
        const bool planned = std::any_of(m_band.plans.begin(), m_band.plans.end(), [&](const FrequencyPlan& plan) {
            return std::find(plan.frequencies_khz.begin(), plan.frequencies_khz.end(), ensemble.frequency_khz) !=
                   plan.frequencies_khz.end();
        });
        if (!planned) return Refuse("frequency " + std::string(value) + " kHz is in no plan");
        for (std::size_t i = 0; i + 1 < m_band.ensembles.size(); ++i)
            if (m_band.ensembles[i].frequency_khz == ensemble.frequency_khz)
                return Refuse("a second ensemble on " + std::string(value) + " kHz");
        return std::nullopt;
    }
    if (key == "id") {
        if (auto refusal = Number(key, value, 0, 0xFFFF, ensemble.id)) return refusal;
        if (!m_ensemble_ids.insert(ensemble.id).second) return Refuse("ensemble id " + std::string(value) + " given twice");
        return std::nullopt;
    }
    if (key == "label") return Text(key, value, kMaxNameBytes, ensemble.label);
    if (key == "signal") return Number(key, value, 0, kMaxSignalLevel, ensemble.signal_level);
    if (key == "errors") return Number(key, value, 0, kMaxErrorMeasure, ensemble.error_measure);
    return Refuse("unknown ensemble key " + std::string(key));
}

std::optional<Refusal> BandReader::ServiceKey(std::string_view key, std::string_view value)
{
    Service& service = m_band.ensembles.back().services.back();
    if (key == "slide" || key == "dynamic_label") {
        if (m_first_radio_only_line == 0) m_first_radio_only_line = m_line;
        if (key == "slide") {
            if (service.slides.size() == kMaxSlides) return Refuse("more than " + std::to_string(kMaxSlides) + " slides");
            return Path(key, value, service.slides.emplace_back());
        }
        if (service.dynamic_labels.size() == kMaxDynamicLabels)
            return Refuse("more than " + std::to_string(kMaxDynamicLabels) + " dynamic labels");
        if (value.empty()) return Refuse("dynamic_label is empty");
        return Text(key, value, kMaxDynamicLabelBytes, service.dynamic_labels.emplace_back());
    }
    if (!FirstTime(key)) return Refuse(std::string(key) + " given twice");
    if (key == "name") {
        if (value.empty()) return Refuse("name is empty");
        return Text(key, value, kMaxNameBytes, service.name);
    }
    if (key == "id") {
        if (auto refusal = Number(key, value, 0, 0xFFFFFFFF, service.id)) return refusal;
        if (!m_service_ids.insert(service.id).second) return Refuse("service id " + std::string(value) + " given twice");
        return std::nullopt;
    }
    if (key == "subchannel") return Number(key, value, 0, kMaxSubchannelId, service.subchannel_id);
    if (key == "type") {
        if (value == "radio") service.type = kServiceRadio;
        else if (value == "tv") service.type = kServiceTv;
        else if (value == "data") service.type = kServiceData;
        else return Number(key, value, 0, 0xFFFFFFFF, service.type);
        return std::nullopt;
    }
    if (key == "audio") {
        std::uint32_t coding = 0;
        if (value == "bsac") coding = kAudioBsac;
        else if (value == "he-aac") coding = kAudioHeAac;
        else if (auto refusal = Number(key, value, 0, 0xFF, coding)) return refusal;
        service.audio_coding = static_cast<std::uint8_t>(coding);
        return std::nullopt;
    }
    if (key == "audio_a") return Number(key, value, 0, 0xFFFFFFFF, service.audio_a);
    if (key == "audio_b") return Number(key, value, 0, 0xFFFFFFFF, service.audio_b);
    if (key == "media") return Path(key, value, service.media);
    if (key == "tuner_value0") return Number(key, value, 0, 0xFFFFFFFF, service.tuner_value0);
    if (key == "tuner_value10") return Number(key, value, 0, 0xFFFFFFFF, service.tuner_value10);
    if (key == "slide_seconds") return Number(key, value, 1, kMaxIntervalSeconds, service.slide_seconds);
    if (key == "dynamic_label_seconds")
        return Number(key, value, 1, kMaxIntervalSeconds, service.dynamic_label_seconds);
    return Refuse("unknown service key " + std::string(key));
}

// What a section needs is only known at its end; its refusals name the section's first line.
std::optional<Refusal> BandReader::CloseSection()
{
    const auto refuse = [&](std::size_t line, std::string reason) { return Refusal{line, std::move(reason)}; };
    const auto missing = [&](std::string_view what) { return !m_keys_seen.contains(std::string(what)); };
    if (m_section == Section::Ensemble) {
        if (missing("frequency")) return refuse(m_section_line, "ensemble has no frequency");
        if (missing("id")) return refuse(m_section_line, "ensemble has no id");
    } else if (m_section == Section::Service) {
        for (const char* key : {"name", "id", "subchannel", "type"})
            if (missing(key)) return refuse(m_section_line, std::string("service has no ") + key);
        Service& service = m_band.ensembles.back().services.back();
        if (m_first_radio_only_line != 0 && service.type != kServiceRadio)
            return refuse(m_first_radio_only_line, "slides and dynamic labels belong to radio services");
        if (service.type == kServiceTv) {
            if (missing("audio")) service.audio_coding = kTvDefaultAudioCoding;
            if (missing("audio_a")) service.audio_a = kTvDefaultAudioA;
            if (missing("audio_b")) service.audio_b = kTvDefaultAudioB;
        }
    }
    return std::nullopt;
}

// The iconv descriptor from UTF-8 to code page 949, closed with its scope.
class Cp949Converter {
public:
    Cp949Converter() : m_descriptor(iconv_open("CP949", "UTF-8")) {}
    ~Cp949Converter()
    {
        if (Usable()) iconv_close(m_descriptor);
    }
    Cp949Converter(const Cp949Converter&) = delete;
    Cp949Converter& operator=(const Cp949Converter&) = delete;

    // The bytes of one code point; empty when the code page has no such character.
    std::string Convert(char32_t c)
    {
        if (c < 0x80) return std::string(1, static_cast<char>(c));
        if (!Usable()) return {};
        char utf8[4];
        std::size_t length = 0;
        if (c < 0x800) {
            utf8[length++] = static_cast<char>(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            utf8[length++] = static_cast<char>(0xE0 | (c >> 12));
            utf8[length++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        } else {
            utf8[length++] = static_cast<char>(0xF0 | (c >> 18));
            utf8[length++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            utf8[length++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        }
        utf8[length++] = static_cast<char>(0x80 | (c & 0x3F));
        char out[8];
        char* in_at = utf8;
        char* out_at = out;
        std::size_t in_left = length;
        std::size_t out_left = sizeof out;
        iconv(m_descriptor, nullptr, nullptr, nullptr, nullptr);
        if (iconv(m_descriptor, &in_at, &in_left, &out_at, &out_left) == static_cast<std::size_t>(-1) || in_left != 0)
            return {};
        return std::string(out, out_at);
    }

private:
    bool Usable() const { return m_descriptor != reinterpret_cast<iconv_t>(-1); }
    iconv_t m_descriptor;
};

}  // namespace

const FrequencyPlan* Band::Plan(std::uint32_t region, std::uint32_t band) const
{
    for (const FrequencyPlan& plan : plans)
        if (plan.region == region && plan.band == band) return &plan;
    return nullptr;
}

const Ensemble* Band::EnsembleAt(std::uint32_t frequency_khz) const
{
    for (const Ensemble& ensemble : ensembles)
        if (ensemble.frequency_khz == frequency_khz) return &ensemble;
    return nullptr;
}

BandLoad ParseBand(std::string_view text, std::string_view file_name, std::string_view folder)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    BandReader reader(folder);
    std::optional<Refusal> refusal;
    std::size_t number = 0;
    while (!refusal && !text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        refusal = reader.Line(++number, line);
    }
    if (!refusal) refusal = reader.Finish();
    if (refusal) return {std::nullopt, std::string(file_name) + ":" + std::to_string(refusal->line) + ": " + refusal->reason};
    return {reader.TakeBand(), {}};
}

BandLoad ReadBandFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) return {std::nullopt, path + ":0: cannot open the file"};
    std::string text;
    char buffer[65536];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        if (text.size() + static_cast<std::size_t>(file.gcount()) > kMaxFileBytes)
            return {std::nullopt, path + ":0: file larger than " + std::to_string(kMaxFileBytes) + " bytes"};
        text.append(buffer, static_cast<std::size_t>(file.gcount()));
    }
    if (file.bad()) return {std::nullopt, path + ":0: cannot read the file"};
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    return ParseBand(text, path, folder);
}

std::array<std::uint8_t, kServiceNameBytes> EncodeServiceName(std::string_view utf8, std::uint32_t region)
{
    // A NUL ends the name: whoever reads the bytes stops at the first zero anyway.
    std::array<std::uint8_t, kServiceNameBytes> bytes{};
    std::size_t used = 0;
    // A character whose bytes do not all fit ends the name, so no half character goes out.
    const auto append = [&](std::string_view character) {
        if (character.size() > bytes.size() - used) return false;
        for (const char byte : character) bytes[used++] = static_cast<std::uint8_t>(byte);
        return true;
    };
    if (region == kRegionKorea) {
        Cp949Converter converter;
        for (std::size_t at = 0; at < utf8.size();) {
            const char32_t c = NextCodePoint(utf8, at);
            if (c == 0) break;
            std::string character = converter.Convert(c);
            if (character.empty()) character = "?";
            if (!append(character)) break;
        }
    } else {
        for (std::size_t at = 0; at < utf8.size();) {
            char32_t c = NextCodePoint(utf8, at);
            if (c == 0) break;
            std::string units;
            const auto unit = [&](char32_t u) {
                units += static_cast<char>(u & 0xFF);
                units += static_cast<char>(u >> 8);
            };
            if (c < 0x10000) {
                unit(c);
            } else {
                c -= 0x10000;
                unit(0xD800 | (c >> 10));
                unit(0xDC00 | (c & 0x3FF));
            }
            if (!append(units)) break;
        }
    }
    return bytes;
}

std::array<std::uint32_t, kScanEntryWords> ScanEntryWords(const Ensemble& ensemble, const Service& service,
                                                          std::uint32_t region)
{
    const auto name = EncodeServiceName(service.name, region);
    std::array<std::uint32_t, kScanEntryWords> words{};
    words[0] = service.tuner_value0;
    words[1] = ensemble.frequency_khz;
    words[2] = service.id;
    for (std::size_t i = 0; i < 5; ++i)
        words[3 + i] = static_cast<std::uint32_t>(name[4 * i]) | static_cast<std::uint32_t>(name[4 * i + 1]) << 8 |
                       static_cast<std::uint32_t>(name[4 * i + 2]) << 16 |
                       static_cast<std::uint32_t>(name[4 * i + 3]) << 24;
    words[8] = service.subchannel_id;
    words[9] = service.type;
    words[10] = service.tuner_value10;
    return words;
}

}  // namespace server::tdmb
