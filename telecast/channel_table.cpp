#include "telecast/channel_table.h"

#include <algorithm>

namespace telecast {
namespace {

const ChannelRecord* RecordAt(const std::vector<ChannelRecord>& records, std::int32_t index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= records.size()) return nullptr;
    return &records[static_cast<std::size_t>(index)];
}

bool IsOfType(const ChannelRecord& record, ListType type)
{
    return record.service_type == static_cast<std::int32_t>(type);
}

}  // namespace

std::array<char, kNameBytes> NameBytes(std::string_view bytes)
{
    std::array<char, kNameBytes> name{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), kNameBytes), name.begin());
    return name;
}

std::array<char, kNameBytes> NameBytes(std::u16string_view wide)
{
    std::array<char, kNameBytes> name{};
    for (std::size_t i = 0; i < wide.size() && 2 * i + 1 < kNameBytes; ++i) {
        name[2 * i] = static_cast<char>(wide[i] & 0xFF);
        name[2 * i + 1] = static_cast<char>(wide[i] >> 8);
    }
    return name;
}

std::u16string NameText(const std::array<char, kNameBytes>& name, std::int32_t region_code,
                        const CodePageToWide& convert)
{
    if (region_code == kKoreaRegionCode) {
        const auto end = std::find(name.begin(), name.end(), '\0');
        return convert(std::string_view(name.data(), static_cast<std::size_t>(end - name.begin())));
    }
    std::u16string text;
    for (std::size_t i = 0; i + 1 < kNameBytes; i += 2) {
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>(name[i]) |
                                                static_cast<unsigned char>(name[i + 1]) << 8);
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

void ChannelTable::Clear()
{
    records.clear();
    selected_radio = 0;
    selected_tv = 0;
    current = 0;
}

void ChannelTable::Add(const ChannelRecord& record)
{
    records.push_back(record);
}

std::optional<ChannelRecord> ChannelTable::SelectByName(ListType type, std::u16string_view name,
                                                        const CodePageToWide& convert)
{
    for (std::size_t i = 0; i < records.size(); ++i) {
        const ChannelRecord& record = records[i];
        if (!IsOfType(record, type) || NameText(record.name, region_code, convert) != name) continue;
        current = static_cast<std::int32_t>(i);
        SelectedIndex(type) = current;
        return record;
    }
    return std::nullopt;
}

const ChannelRecord* ChannelTable::Current(ListType type) const
{
    const ChannelRecord* record = RecordAt(records, SelectedIndex(type));
    return record && IsOfType(*record, type) ? record : nullptr;
}

bool ChannelTable::StoreAudioValues(const AudioValues& values)
{
    if (!RecordAt(records, current)) return false;
    ChannelRecord& record = records[static_cast<std::size_t>(current)];
    record.audio_coding = values.coding;
    record.audio_a = values.a;
    record.audio_b = values.b;
    return true;
}

ChannelList ChannelTable::ListOf(ListType type, const CodePageToWide& convert) const
{
    ChannelList list;
    const std::int32_t selected = SelectedIndex(type);
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!IsOfType(records[i], type)) continue;
        if (static_cast<std::int32_t>(i) == selected) list.position = list.lines.size();
        list.lines.push_back(NameText(records[i].name, region_code, convert));
    }
    return list;
}

}  // namespace telecast
