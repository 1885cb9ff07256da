#include "server/drivers/tdmb_receiver.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "platform/devices/tdmb_receiver.h"
#include "platform/win32_types.h"

namespace server::tdmb {
namespace {

namespace device = platform::tdmb;

// A receiver that hears nothing reports no level and the worst error measure.
constexpr std::uint32_t kNoSignalErrorMeasure = kMaxErrorMeasure;

std::vector<std::uint32_t> Words(const std::vector<std::uint8_t>& bytes, std::size_t from) {
    std::vector<std::uint32_t> words;
    for (std::size_t at = from; at + 4 <= bytes.size(); at += 4) {
        std::uint32_t word = 0;
        std::memcpy(&word, bytes.data() + at, 4);
        words.push_back(word);
    }
    return words;
}

// The reply's words, as many as fit the caller's room.
ReceiverAnswer WordsAnswer(const std::vector<std::uint32_t>& words, std::uint32_t output_size) {
    ReceiverAnswer answer;
    const std::size_t count = std::min<std::size_t>(words.size(), output_size / 4);
    answer.output.resize(count * 4);
    if (count) std::memcpy(answer.output.data(), words.data(), count * 4);
    return answer;
}

ReceiverAnswer TextAnswer(const std::string& text, std::uint32_t output_size) {
    ReceiverAnswer answer;
    if (text.size() > output_size) {
        answer.error = ERROR_INSUFFICIENT_BUFFER;
        return answer;
    }
    answer.output.assign(text.begin(), text.end());
    return answer;
}

ReceiverAnswer Refused(std::uint32_t error) {
    ReceiverAnswer answer;
    answer.error = error;
    return answer;
}

std::vector<std::string_view> SplitWords(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
        std::size_t end = at;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
        if (end > at) words.push_back(text.substr(at, end - at));
        at = end;
    }
    return words;
}

// A decimal number, or hexadecimal with "0x" as service ids are usually written.
bool ReadNumber(std::string_view text, std::uint32_t& value) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

}  // namespace

Receiver::Receiver(std::string ensemble_path, Log log) : m_path(std::move(ensemble_path)), m_log(std::move(log)) {
    Reload();
}

bool Receiver::IsReceiverName(const std::string& device_name) {
    std::string name = device_name;
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name == device::kReceiverDevice;
}

std::string Receiver::Reload() {
    m_band = Band{};
    m_band.plans.clear();
    m_band_error.clear();
    m_dropped.clear();
    m_frequency_khz = 0;
    m_service_tuned = false;
    if (m_path.empty()) {
        m_band_error = "device.conf names no tdmb_ensemble";
        return "error: " + m_band_error;
    }
    BandLoad load = ReadBandFile(m_path);
    if (!load.band) {
        m_band_error = load.error;
        if (m_log) m_log("T-DMB receiver: " + load.error + "\n");
        return "error: " + load.error;
    }
    m_band = std::move(*load.band);
    std::size_t services = 0;
    for (const Ensemble& ensemble : m_band.ensembles) services += ensemble.services.size();
    if (m_log)
        m_log("T-DMB receiver: " + m_path + ": " + std::to_string(m_band.ensembles.size()) + " ensembles, " +
              std::to_string(services) + " services\n");
    return "ok";
}

ReceiverAnswer Receiver::IoControl(std::uint32_t code, const std::vector<std::uint8_t>& input, std::uint32_t output_size) {
    switch (code) {
    case device::kIoctlTunerSet:
    case device::kIoctlTunerGet: {
        // The property number, then the record whose first word is the caller's.
        if (input.size() < 8 || input.size() % 4 != 0) return Refused(ERROR_INVALID_PARAMETER);
        std::uint32_t property = 0;
        std::memcpy(&property, input.data(), 4);
        const std::vector<std::uint32_t> words = Words(input, 8);
        return code == device::kIoctlTunerSet ? Set(property, words) : Get(property, words, output_size);
    }
    case device::kIoctlTunedService:
        return TextAnswer(TunedServiceText(), output_size);
    case device::kIoctlReceiverControl:
        return TextAnswer(Control(std::string_view(reinterpret_cast<const char*>(input.data()), input.size())),
                          output_size);
    default:
        return Refused(ERROR_NOT_SUPPORTED);
    }
}

ReceiverAnswer Receiver::Set(std::uint32_t property, const std::vector<std::uint32_t>& words) {
    switch (property) {
    case device::kPropertyRegion:
        if (words.size() < 2) return Refused(ERROR_INVALID_PARAMETER);
        m_region = words[0];
        m_band_number = words[1];
        return {};
    case device::kPropertyFrequency: {
        if (words.empty()) return Refused(ERROR_INVALID_PARAMETER);
        const std::uint32_t frequency = words[0];
        ReceiverAnswer answer;
        // Staying on the locked frequency needs no new lock.
        if (frequency == m_frequency_khz && LockedEnsemble()) return answer;
        answer.delay_ms = m_band.lock_ms;
        m_service_tuned = false;
        const Ensemble* ensemble = m_band.EnsembleAt(frequency);
        if (!ensemble || ensemble->signal_level == 0) {
            m_frequency_khz = 0;
            answer.error = ERROR_NOT_READY;
            return answer;
        }
        m_frequency_khz = frequency;
        return answer;
    }
    case device::kPropertyService: {
        if (words.size() < 2) return Refused(ERROR_INVALID_PARAMETER);
        ++m_counts.tunes;
        m_service_tuned = false;
        const Ensemble* ensemble = LockedEnsemble();
        const bool found = ensemble && std::any_of(ensemble->services.begin(), ensemble->services.end(),
                                                   [&](const Service& service) {
                                                       return service.id == words[0] &&
                                                              service.subchannel_id == words[1];
                                                   });
        if (!found || m_dropped.count(words[0])) {
            ++m_counts.failed_tunes;
            return Refused(ERROR_GEN_FAILURE);
        }
        m_service_id = words[0];
        m_subchannel_id = words[1];
        m_service_tuned = true;
        return {};
    }
    default:
        return Refused(ERROR_NOT_SUPPORTED);
    }
}

ReceiverAnswer Receiver::Get(std::uint32_t property, const std::vector<std::uint32_t>& words, std::uint32_t output_size) {
    switch (property) {
    case device::kPropertyCurrentFrequency:
        return WordsAnswer({LockedEnsemble() ? m_frequency_khz : 0}, output_size);
    case device::kPropertyCurrentService:
        if (!TunedService()) return WordsAnswer({0, 0}, output_size);
        return WordsAnswer({m_service_id, m_subchannel_id}, output_size);
    case device::kPropertyIndexes: {
        const FrequencyPlan* plan = m_band.Plan(m_region, m_band_number);
        return WordsAnswer({0, plan ? static_cast<std::uint32_t>(plan->frequencies_khz.size()) : 0}, output_size);
    }
    case device::kPropertyScan:
        return ScanStep(words, output_size);
    case device::kPropertySignal: {
        const Ensemble* ensemble = LockedEnsemble();
        const Service* service = TunedService();
        // A tuned service taken off air, or whose stream cannot be read, is heard as no
        // signal, so the player's signal monitor shows it.
        if (!ensemble || (m_service_tuned && (!service || !MediaReadable(*service))))
            return WordsAnswer({0, kNoSignalErrorMeasure}, output_size);
        return WordsAnswer({ensemble->signal_level, ensemble->error_measure}, output_size);
    }
    default:
        return Refused(ERROR_NOT_SUPPORTED);
    }
}

ReceiverAnswer Receiver::ScanStep(const std::vector<std::uint32_t>& words, std::uint32_t output_size) {
    if (words.empty()) return Refused(ERROR_INVALID_PARAMETER);
    const std::uint32_t command = words[0];
    const std::uint32_t index = words.size() > 1 ? words[1] : 0;
    if (command == device::kScanBegin) {
        ++m_counts.scans;
        // Scanning moves the tuner off whatever it was locked on.
        m_frequency_khz = 0;
        m_service_tuned = false;
        return WordsAnswer({command, index}, output_size);
    }
    if (command == device::kScanEnd) return WordsAnswer({command, index}, output_size);
    if (command != device::kScanStep) return Refused(ERROR_INVALID_PARAMETER);

    ++m_counts.scan_steps;
    std::vector<std::uint32_t> reply = {0, index};
    const FrequencyPlan* plan = m_band.Plan(m_region, m_band_number);
    const Ensemble* ensemble = nullptr;
    if (plan && index < plan->frequencies_khz.size()) ensemble = m_band.EnsembleAt(plan->frequencies_khz[index]);
    if (ensemble && ensemble->signal_level > 0) {
        // The true number of services, but no more entries than the buffer holds.
        reply[0] = static_cast<std::uint32_t>(ensemble->services.size());
        const std::size_t room = output_size / 4 > 2 ? (output_size / 4 - 2) / device::kScanEntryWords : 0;
        const std::size_t entries = std::min({ensemble->services.size(), device::kScanEntries, room});
        for (std::size_t i = 0; i < entries; ++i) {
            const auto entry = ScanEntryWords(*ensemble, ensemble->services[i], m_region);
            reply.insert(reply.end(), entry.begin(), entry.end());
        }
    }
    ReceiverAnswer answer = WordsAnswer(reply, output_size);
    answer.delay_ms = m_band.dwell_ms;
    return answer;
}

const Ensemble* Receiver::LockedEnsemble() const {
    if (m_frequency_khz == 0) return nullptr;
    const Ensemble* ensemble = m_band.EnsembleAt(m_frequency_khz);
    return ensemble && ensemble->signal_level > 0 ? ensemble : nullptr;
}

const Service* Receiver::TunedService() const {
    const Service* service = LockedService();
    return service && !m_dropped.count(service->id) ? service : nullptr;
}

const Service* Receiver::LockedService() const {
    const Ensemble* ensemble = LockedEnsemble();
    if (!ensemble || !m_service_tuned) return nullptr;
    for (const Service& service : ensemble->services)
        if (service.id == m_service_id && service.subchannel_id == m_subchannel_id) return &service;
    return nullptr;
}

Ensemble* Receiver::FindEnsemble(std::uint32_t frequency_khz) {
    for (Ensemble& ensemble : m_band.ensembles)
        if (ensemble.frequency_khz == frequency_khz) return &ensemble;
    return nullptr;
}

Service* Receiver::FindService(std::uint32_t service_id) {
    for (Ensemble& ensemble : m_band.ensembles)
        for (Service& service : ensemble.services)
            if (service.id == service_id) return &service;
    return nullptr;
}

bool Receiver::MediaReadable(const Service& service) const {
    return !service.media.empty() && ::access(service.media.c_str(), R_OK) == 0;
}

std::string Receiver::TunedServiceText() const {
    device::TunedService tuned;
    const Ensemble* ensemble = LockedEnsemble();
    // A service tuned and then dropped is still tuned, and says so: its filters stop playing.
    if (const Service* service = LockedService()) {
        tuned.tuned = true;
        tuned.frequency_khz = m_frequency_khz;
        tuned.service_id = service->id;
        tuned.subchannel_id = service->subchannel_id;
        tuned.type = service->type;
        tuned.audio_coding = service->audio_coding;
        tuned.audio_a = service->audio_a;
        tuned.audio_b = service->audio_b;
        tuned.signal_level = ensemble->signal_level;
        tuned.error_measure = MediaReadable(*service) ? ensemble->error_measure : kNoSignalErrorMeasure;
        tuned.dropped = m_dropped.count(service->id) > 0;
        tuned.media = service->media;
        tuned.slides = service->slides;
        tuned.slide_seconds = service->slide_seconds;
        tuned.dynamic_labels = service->dynamic_labels;
        tuned.dynamic_label_seconds = service->dynamic_label_seconds;
    }
    return device::FormatTunedService(tuned);
}

std::string Receiver::State() const {
    std::ostringstream out;
    out << "ok\n";
    std::size_t services = 0;
    for (const Ensemble& ensemble : m_band.ensembles) services += ensemble.services.size();
    if (!m_band_error.empty()) out << "band: none (" << m_band_error << ")\n";
    else out << "band: " << m_path << " (" << m_band.ensembles.size() << " ensembles, " << services << " services)\n";
    out << "region: " << m_region << " band: " << m_band_number << "\n";
    out << "frequency: " << (LockedEnsemble() ? m_frequency_khz : 0) << "\n";
    if (const Service* service = TunedService())
        out << "service: " << Hex(service->id) << " subchannel " << service->subchannel_id << " " << service->name << "\n";
    else out << "service: none\n";
    out << "tunes: " << m_counts.tunes << " failed: " << m_counts.failed_tunes << "\n";
    out << "scans: " << m_counts.scans << " steps: " << m_counts.scan_steps << "\n";
    for (const Ensemble& ensemble : m_band.ensembles)
        out << "ensemble " << ensemble.frequency_khz << " " << Hex(ensemble.id) << " signal " << ensemble.signal_level
            << " errors " << ensemble.error_measure << " " << ensemble.label << "\n";
    for (std::uint32_t id : m_dropped) out << "dropped: " << Hex(id) << "\n";
    return out.str();
}

std::string Receiver::Control(std::string_view command) {
    const std::vector<std::string_view> words = SplitWords(command);
    if (words.empty() || words[0] == "state") return State();
    const std::string_view verb = words[0];
    std::vector<std::uint32_t> numbers;
    bool all = false;
    for (std::size_t i = 1; i < words.size(); ++i) {
        std::uint32_t value = 0;
        if (i == 1 && words[i] == "all") all = true;
        else if (!ReadNumber(words[i], value)) return "error: not a number: " + std::string(words[i]);
        numbers.push_back(value);
    }
    if (verb == "reload") return words.size() == 1 ? Reload() : "error: usage: tdmb reload";
    if (verb == "signal") {
        if (words.size() != 4) return "error: usage: tdmb signal FREQ|all LEVEL ERROR";
        if (numbers[1] > kMaxSignalLevel) return "error: the level runs from 0 to 100";
        if (numbers[2] > kMaxErrorMeasure) return "error: the error measure runs to 2147483647";
        std::size_t changed = 0;
        for (Ensemble& ensemble : m_band.ensembles) {
            if (!all && ensemble.frequency_khz != numbers[0]) continue;
            ensemble.signal_level = numbers[1];
            ensemble.error_measure = numbers[2];
            ++changed;
        }
        if (!all && changed == 0) return "error: no ensemble at " + std::to_string(numbers[0]) + " kHz";
        return "ok";
    }
    if (verb == "drop" || verb == "restore") {
        if (words.size() != 2 || (all && verb == "drop")) return "error: usage: tdmb " + std::string(verb) + (verb == "drop" ? " SID" : " SID|all");
        if (all) {
            m_dropped.clear();
            return "ok";
        }
        if (!FindService(numbers[0])) return "error: no service " + Hex(numbers[0]);
        if (verb == "drop") m_dropped.insert(numbers[0]);
        else m_dropped.erase(numbers[0]);
        return "ok";
    }
    if (verb == "audio") {
        if (words.size() != 5 || all) return "error: usage: tdmb audio SID CODING A B";
        Service* service = FindService(numbers[0]);
        if (!service) return "error: no service " + Hex(numbers[0]);
        if (numbers[1] > 0xFF) return "error: the coding runs from 0 to 255";
        service->audio_coding = static_cast<std::uint8_t>(numbers[1]);
        service->audio_a = numbers[2];
        service->audio_b = numbers[3];
        return "ok";
    }
    return "error: unknown command: " + std::string(verb);
}

}  // namespace server::tdmb
