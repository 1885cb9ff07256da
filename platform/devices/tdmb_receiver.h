// The board's T-DMB receiver, "DMB1:", as its tuner filter and devicectl reach it. The receiver
// lives in the device server and plays the simulated band of device.conf "tdmb_ensemble".
//
// The tuner filter's property calls go to the receiver unchanged: a set or get carries the
// property number and the record's words (the first word of a record is the caller's and is
// ignored). A scan step blocks for the band's dwell time and a change of frequency for its lock
// time, as a tuner's would; the rest answers at once.
//
// Besides the properties, the receiver tells its filters what the tuned service carries (the
// stream, slides, labels and the audio it really has) and takes devicectl's commands as text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32_types.h"

namespace platform::tdmb {

inline constexpr char kReceiverDevice[] = "DMB1:";

// Input: property number, then the record's words. No output.
inline constexpr DWORD kIoctlTunerSet = 0x226000;
// Input: property number, then the record's words (a scan step: command, frequency index).
// Output: the record's words after the first, as many as the property has.
inline constexpr DWORD kIoctlTunerGet = 0x226004;
// No input. Output: the tuned service as FormatTunedService writes it.
inline constexpr DWORD kIoctlTunedService = 0x226008;
// Input: a devicectl command line ("tdmb ..." without the "tdmb"). Output: the reply text.
inline constexpr DWORD kIoctlReceiverControl = 0x22600C;

// TunerControl property numbers.
inline constexpr DWORD kPropertyRegion = 0;        // set: region code, band
inline constexpr DWORD kPropertyFrequency = 1;     // set: frequency
inline constexpr DWORD kPropertyCurrentFrequency = 2;  // get: frequency
inline constexpr DWORD kPropertyService = 3;       // set: service id, sub-channel id
inline constexpr DWORD kPropertyCurrentService = 4;    // get: service id, sub-channel id
inline constexpr DWORD kPropertyIndexes = 5;       // get: first frequency index, number of indexes
inline constexpr DWORD kPropertyScan = 7;          // get: command, frequency index, result buffer
inline constexpr DWORD kPropertySignal = 8;        // get: level, error measure

// Scan step commands (the first word after the ignored one).
inline constexpr DWORD kScanBegin = 0;
inline constexpr DWORD kScanStep = 1;
inline constexpr DWORD kScanEnd = 2;
// A scan step's buffer: this many entries of eleven words each.
inline constexpr std::size_t kScanEntries = 10;
inline constexpr std::size_t kScanEntryWords = 11;

// An error measure above this gives no picture and no sound.
inline constexpr std::uint32_t kNoPictureErrorMeasure = 10000;

// What the tuned service carries. Paths are the host's, ready to open.
struct TunedService {
    bool tuned = false;  // false: no service tuned, or its frequency lost; the rest is empty
    std::uint32_t frequency_khz = 0;
    std::uint32_t service_id = 0;
    std::uint32_t subchannel_id = 0;
    std::uint32_t type = 0;  // 1 radio, 2 TV, else data
    // The coding the service's audio really has (22 BSAC, 0 HE-AAC) and its two parameters.
    std::uint8_t audio_coding = 0;
    std::uint32_t audio_a = 0;
    std::uint32_t audio_b = 0;
    std::uint32_t signal_level = 0;
    std::uint32_t error_measure = 0;
    bool dropped = false;  // taken off air: nothing plays
    std::string media;     // empty: nothing plays
    std::vector<std::string> slides;
    std::uint32_t slide_seconds = 10;
    std::vector<std::string> dynamic_labels;  // UTF-8
    std::uint32_t dynamic_label_seconds = 5;

    // True when the service plays: tuned, on air, with media and a picture-worthy signal.
    bool Receivable() const {
        return tuned && !dropped && !media.empty() && signal_level > 0 && error_measure <= kNoPictureErrorMeasure;
    }
    bool operator==(const TunedService&) const = default;
};

// One "key=value" line per field, slides and labels one line each; values never hold a newline
// (the band file's texts have no control characters).
std::string FormatTunedService(const TunedService& service);
// Reads what FormatTunedService wrote; nullopt for anything else (an unknown key is skipped, so
// a newer receiver can add fields).
std::optional<TunedService> ParseTunedService(std::string_view text);

// The receiver as one thread of a program reaches it. Not shared between threads: each call
// goes over the calling thread's server connection.
class ReceiverClient {
public:
    ReceiverClient();
    ~ReceiverClient();
    // The calling thread's client, opened on first use and kept while the thread runs, so that
    // a run of property calls opens the device once.
    static ReceiverClient& ForThisThread();
    ReceiverClient(const ReceiverClient&) = delete;
    ReceiverClient& operator=(const ReceiverClient&) = delete;

    // False when the board has no receiver (the last error says why).
    bool Open();
    bool IsOpen() const { return m_device != INVALID_HANDLE_VALUE; }

    // A property set with the words after the record's first; false when the receiver refuses.
    bool Set(DWORD property, const std::vector<std::uint32_t>& words);
    // A property get: `words` go in after the record's first, the answer comes back in `reply`
    // (at most reply_words words). False when the receiver refuses.
    bool Get(DWORD property, const std::vector<std::uint32_t>& words, std::size_t reply_words,
             std::vector<std::uint32_t>& reply);
    std::optional<TunedService> Tuned();
    // devicectl's commands; nullopt when the receiver cannot be reached.
    std::optional<std::string> Control(std::string_view command);

private:
    HANDLE m_device = INVALID_HANDLE_VALUE;
};

}  // namespace platform::tdmb
