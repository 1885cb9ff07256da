// How many words each T-DMB filter property carries: the catalogue the tuner forwards records
// by and the settings interfaces copy values by. A property missing here is refused, since its
// length, and so how much of the caller's memory may be touched, is unknown.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "platform/devices/tdmb_receiver.h"
#include "platform/win32_types.h"

namespace platform::tdmb {

enum class PropertyAccess { Set, Get };

// A tuner property: the words the receiver is given after the record's first, and the most
// words it answers with (written back from the record's second word on).
struct TunerProperty {
    DWORD number;
    PropertyAccess access;
    std::size_t input_words;
    std::size_t reply_words;
};

inline constexpr TunerProperty kTunerProperties[] = {
    {kPropertyRegion, PropertyAccess::Set, 2, 0},
    {kPropertyFrequency, PropertyAccess::Set, 1, 0},
    {kPropertyCurrentFrequency, PropertyAccess::Get, 0, 1},
    {kPropertyService, PropertyAccess::Set, 2, 0},
    {kPropertyCurrentService, PropertyAccess::Get, 0, 2},
    {kPropertyIndexes, PropertyAccess::Get, 0, 2},
    // A scan step: command and frequency index go in; they come back followed by the buffer.
    {kPropertyScan, PropertyAccess::Get, 2, 2 + kScanEntries * kScanEntryWords},
    {kPropertySignal, PropertyAccess::Get, 0, 2},
};

std::optional<TunerProperty> FindTunerProperty(DWORD number, PropertyAccess access);

// A settings property of the parser or a decoder and the words its value has.
struct SettingProperty {
    DWORD number;
    std::size_t words;
};

inline constexpr SettingProperty kSystemParserProperties[] = {{1, 3}};  // audio coding, B, A
inline constexpr SettingProperty kH264DecoderProperties[] = {{1, 1}};
inline constexpr SettingProperty kBsacDecoderProperties[] = {{2, 1}};  // audio parameter B
inline constexpr SettingProperty kEaacPlusDecoderProperties[] = {{2, 1}, {3, 1}};
inline constexpr SettingProperty kMP2DecoderProperties[] = {{1, 1}};

}  // namespace platform::tdmb
