// Telecast's channel table: the services its last scan found, in scan order, with the region
// and band the tuner is set to, the service selected in each list (radio, TV) and the list
// shown. The table is kept in \NAND\TelecastScan.dat (telecast/scan_file.h).
//
// Names are stored as the tuner gives them: 20 bytes, text of the system code page in Korea
// (region code 82), UTF-16LE elsewhere. The table never converts code pages itself; the caller
// hands in the conversion (the program the device's, tests their own).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace telecast {

// The region whose names are code-page text; every other region's names are UTF-16.
constexpr std::int32_t kKoreaRegionCode = 82;
constexpr std::size_t kNameBytes = 20;
// The audio coding that selects the BSAC decoder for a TV service.
constexpr std::uint8_t kBsacAudioCoding = 22;

// The list shown, which is also the graph layout played (1 radio, 2 TV). A record's service
// type has the same numbers; the tuner may report others, which belong to neither list.
enum class ListType : std::int32_t { Radio = 1, Tv = 2 };

constexpr std::int32_t kRadioService = static_cast<std::int32_t>(ListType::Radio);
constexpr std::int32_t kTvService = static_cast<std::int32_t>(ListType::Tv);

// One service. The first eleven words (tuner value 0 up to tuner value 10) are the eleven words
// the tuner returns per service in a scan step, in the same order; the audio values follow.
struct ChannelRecord {
    std::int32_t tuner_value_0 = 0;  // kept and stored; its meaning is the tuner's
    std::int32_t frequency = 0;
    std::uint32_t service_id = 0;
    std::array<char, kNameBytes> name{};  // zero-padded; a name of 20 bytes has no terminator
    std::int32_t sub_channel_id = 0;
    std::int32_t service_type = 0;    // kRadioService, kTvService, or what the tuner said
    std::int32_t tuner_value_10 = 0;  // kept and stored; its meaning is the tuner's
    std::uint8_t audio_coding = 0;    // a byte, padded to a word
    std::int32_t audio_a = 0;
    std::int32_t audio_b = 0;

    bool operator==(const ChannelRecord&) const = default;
};

static_assert(sizeof(ChannelRecord) == 56, "a channel record is fourteen 32-bit words");
static_assert(offsetof(ChannelRecord, name) == 12 && offsetof(ChannelRecord, sub_channel_id) == 32);
static_assert(offsetof(ChannelRecord, tuner_value_10) == 40 && offsetof(ChannelRecord, audio_coding) == 44);
static_assert(offsetof(ChannelRecord, audio_a) == 48 && offsetof(ChannelRecord, audio_b) == 52);

// A name as a record holds it: the text's bytes, cut or zero-padded to 20.
std::array<char, kNameBytes> NameBytes(std::string_view bytes);
// UTF-16 text as a name of a region outside Korea: little-endian, cut to 10 units.
std::array<char, kNameBytes> NameBytes(std::u16string_view wide);

// The decoder's audio values of a service (the system parser takes them as coding, B, A).
struct AudioValues {
    std::uint8_t coding = 0;
    std::int32_t a = 0;
    std::int32_t b = 0;

    bool operator==(const AudioValues&) const = default;
};

// Code-page text to UTF-16; the program passes the device's system code page conversion.
using CodePageToWide = std::function<std::u16string(std::string_view code_page_text)>;

// A name as text: up to its first zero byte (code page, region 82) or first zero unit (UTF-16LE,
// other regions), or all 20 bytes when it fills them.
std::u16string NameText(const std::array<char, kNameBytes>& name, std::int32_t region_code,
                        const CodePageToWide& convert);

// The lines of a list and the line of the list's selected service (none when the selected
// index is not a service of that list).
struct ChannelList {
    std::vector<std::u16string> lines;
    std::optional<std::size_t> position;
};

struct ChannelTable {
    std::int32_t region_code = kKoreaRegionCode;  // region and band are handed to the tuner
    std::int32_t band = 0;
    std::vector<ChannelRecord> records;  // in scan order
    // Indexes into the whole array. Kept as stored even when they point outside it: such an
    // index simply selects nothing.
    std::int32_t selected_radio = 0;
    std::int32_t selected_tv = 0;
    std::int32_t current = 0;
    ListType list_type = ListType::Tv;

    bool operator==(const ChannelTable&) const = default;

    // Empties the table for a scan: every record gone, the indexes back to 0. The region, band
    // and list type stay.
    void Clear();
    void Add(const ChannelRecord& record);

    // The first record of the type whose name reads as the text (converted as the list lines
    // are, so a line of the list always finds its record) becomes current and the type's
    // selected record; a copy of it is returned. Nothing changes when none matches.
    std::optional<ChannelRecord> SelectByName(ListType type, std::u16string_view name, const CodePageToWide& convert);

    // The type's selected record, when its index lies inside the array and the record is of
    // that type.
    const ChannelRecord* Current(ListType type) const;

    // Stores a service's new audio values into the current record (its decoder announced a
    // change); false, and nothing stored, when the current index selects no record. The caller
    // saves the file after.
    bool StoreAudioValues(const AudioValues& values);

    // The names of the type's records in order, and the line of its selected record.
    ChannelList ListOf(ListType type, const CodePageToWide& convert) const;

    std::int32_t& SelectedIndex(ListType type) { return type == ListType::Radio ? selected_radio : selected_tv; }
    std::int32_t SelectedIndex(ListType type) const { return type == ListType::Radio ? selected_radio : selected_tv; }
};

}  // namespace telecast
