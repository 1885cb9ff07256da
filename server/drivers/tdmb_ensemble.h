// The simulated T-DMB band that the server's T-DMB receiver plays: the ensemble file that
// describes it (device.conf "tdmb_ensemble"), its reader, and the service-name bytes and scan
// entries the receiver hands to Telecast.
//
// The file is plain text, one "key = value" per line, "#" lines are comments. Band-wide keys
// come first; "[ensemble]" opens an ensemble and "[service]" a service of the ensemble before
// it. resources/device/tdmb_ensemble.md gives every key, its unit, default and limits.
//
// The reader takes the whole file or nothing: any bad line refuses the file with
// "file:line: reason", so the receiver never plays half a band. Links only the standard
// library and the C library's iconv.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace server::tdmb {

// Limits of the file. Counts beyond them, and longer texts, refuse the file.
constexpr std::size_t kMaxLineBytes = 4096;       // without the line ending
constexpr std::size_t kMaxFileBytes = 8u << 20;   // ReadBandFile refuses larger files unread
constexpr std::size_t kMaxPlans = 16;
constexpr std::size_t kMaxPlanFrequencies = 64;
constexpr std::size_t kMaxEnsembles = 64;
// A scan step tells the true number of services on a frequency but hands over at most the ten
// entries the player's buffer holds: an ensemble may carry more, to show that a scan takes ten.
constexpr std::size_t kMaxServicesPerEnsemble = 32;
constexpr std::size_t kMaxNameBytes = 64;          // service names and ensemble labels, UTF-8
constexpr std::size_t kMaxDynamicLabelBytes = 128; // one dynamic label, UTF-8
constexpr std::size_t kMaxSlides = 32;             // per radio service
constexpr std::size_t kMaxDynamicLabels = 32;      // per radio service
constexpr std::size_t kMaxPathBytes = 1024;        // a media or slide path as written
constexpr std::uint32_t kMinFrequencyKhz = 50000;
constexpr std::uint32_t kMaxFrequencyKhz = 2000000;
constexpr std::uint32_t kMaxMilliseconds = 60000;  // dwell and lock times
constexpr std::uint32_t kMaxIntervalSeconds = 3600;
constexpr std::uint32_t kMaxSignalLevel = 100;
constexpr std::uint32_t kMaxErrorMeasure = 0x7FFFFFFF;
constexpr std::uint32_t kMaxSubchannelId = 63;     // six bits on air

// An error measure above this shows no picture: the player's signal monitor counts such seconds.
constexpr std::uint32_t kNoPictureErrorMeasure = 10000;

// Service types as the tuner reports them; any other value is a data service.
constexpr std::uint32_t kServiceRadio = 1;
constexpr std::uint32_t kServiceTv = 2;
constexpr std::uint32_t kServiceData = 3;  // what "type = data" stands for

// Audio codings of TV services: 22 plays through the BSAC decoder, anything else through HE-AAC.
constexpr std::uint8_t kAudioBsac = 22;
constexpr std::uint8_t kAudioHeAac = 0;
// A TV service's audio when the file names none: what a scan in region 82 assumes, so such a
// service plays without an audio change. B is the sample rate (Hz) the TV audio decoder gets.
constexpr std::uint8_t kTvDefaultAudioCoding = kAudioBsac;
constexpr std::uint32_t kTvDefaultAudioA = 2;
constexpr std::uint32_t kTvDefaultAudioB = 48000;

// The region whose service names go out in the system code page (949) instead of UTF-16.
constexpr std::uint32_t kRegionKorea = 82;
constexpr std::size_t kServiceNameBytes = 20;
constexpr std::size_t kScanEntryWords = 11;

// The Korean band III plan (region 82, band 0), in kHz: VHF TV channels 7 to 13 (174-216 MHz),
// each 6 MHz channel split into the three T-DMB blocks A, B and C, whose centres lie 1.280,
// 3.008 and 4.736 MHz above the channel's lower edge (blocks 7A to 13C).
constexpr std::array<std::uint32_t, 21> kKoreanBandPlanKhz = {
    175280, 177008, 178736, 181280, 183008, 184736, 187280, 189008, 190736, 193280, 195008,
    196736, 199280, 201008, 202736, 205280, 207008, 208736, 211280, 213008, 214736};

// The frequencies a tuner walks for one region code and band, in frequency-index order.
struct FrequencyPlan {
    std::uint32_t region = kRegionKorea;
    std::uint32_t band = 0;
    std::vector<std::uint32_t> frequencies_khz;  // strictly ascending
};

struct Service {
    std::string name;                // UTF-8, 1 to kMaxNameBytes bytes
    std::uint32_t id = 0;            // unique in the whole band
    std::uint32_t subchannel_id = 0;
    std::uint32_t type = 0;          // kServiceRadio, kServiceTv or data
    // The coding the service's audio really has and its two parameters: B goes to the TV audio
    // decoder, A with the coding and B to the system parser. The scan does not report them, so
    // a player learns them from the receiver's audio-change notice. Not given: the TV defaults
    // above for a TV service, zeros for any other.
    std::uint8_t audio_coding = 0;
    std::uint32_t audio_a = 0;
    std::uint32_t audio_b = 0;
    std::string media;               // resolved against the file's folder; empty: nothing plays
    std::uint32_t tuner_value0 = 0;  // kept by the player, not used by it
    std::uint32_t tuner_value10 = 0;
    // Radio services only: the slide show and the dynamic labels, each shown in turn.
    std::vector<std::string> slides;  // picture files, resolved like media
    std::uint32_t slide_seconds = 10;
    std::vector<std::string> dynamic_labels;  // UTF-8
    std::uint32_t dynamic_label_seconds = 5;
};

struct Ensemble {
    std::uint32_t frequency_khz = 0;  // in one of the band's plans; one ensemble per frequency
    std::uint32_t id = 0;             // 16 bits; unique in the band
    std::string label;                // UTF-8, at most kMaxNameBytes bytes
    std::uint32_t signal_level = 100; // 0 to 100; 0: nothing is received at this frequency
    std::uint32_t error_measure = 0;  // above kNoPictureErrorMeasure: no picture
    std::vector<Service> services;    // in the file's order, which is the scan order
};

struct Band {
    std::vector<FrequencyPlan> plans = {
        {kRegionKorea, 0, std::vector<std::uint32_t>(kKoreanBandPlanKhz.begin(), kKoreanBandPlanKhz.end())}};
    std::uint32_t dwell_ms = 500;  // one scan step (one frequency index)
    std::uint32_t lock_ms = 150;   // a change of frequency until the tuner reports it
    std::vector<Ensemble> ensembles;

    // The plan of a region code and band; nullptr when the band has none (the tuner then has
    // no frequency indexes to scan).
    const FrequencyPlan* Plan(std::uint32_t region, std::uint32_t band) const;
    // The ensemble on a frequency; nullptr when nothing is broadcast there.
    const Ensemble* EnsembleAt(std::uint32_t frequency_khz) const;
};

// A read file: the band, or nothing and the first bad line as "file:line: reason".
struct BandLoad {
    std::optional<Band> band;
    std::string error;
};

// Reads the file's text. `file_name` names it in errors; relative media and slide paths are
// joined to `folder` (left as written when the folder is empty).
BandLoad ParseBand(std::string_view text, std::string_view file_name, std::string_view folder);
// Reads the file at the path; its folder resolves relative paths.
BandLoad ReadBandFile(const std::string& path);

// The 20 name bytes a tuner reports for a service: code page 949 for region 82, else
// UTF-16LE. Cut at a character boundary, zero-padded; a name that fills all 20 bytes has no
// terminating zero. Characters code page 949 lacks become "?"; bytes that are not UTF-8 become
// "?" (949) or U+FFFD (UTF-16); a NUL ends the name.
std::array<std::uint8_t, kServiceNameBytes> EncodeServiceName(std::string_view utf8, std::uint32_t region);

// One service's entry of a scan step, the eleven words a tuner returns per service: tuner
// value 0, frequency (kHz), service id, the name's 20 bytes as five little-endian words,
// sub-channel id, type, tuner value 10.
std::array<std::uint32_t, kScanEntryWords> ScanEntryWords(const Ensemble& ensemble, const Service& service,
                                                          std::uint32_t region);

}  // namespace server::tdmb
