// Fuzzes UIConfig.ini: any bytes as the file, looked up for every key SatScope reads, and the
// settings loaded from it. Values stay within the program's 29-character buffer, and the
// settings always give a window that can be laid out.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "satscope/ini_reader.h"
#include "satscope/settings.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

std::size_t Characters(const std::string& text) {
    std::size_t count = 0;
    for (const char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string file(reinterpret_cast<const char*>(data), size);
    for (const char* key : {"STATUS", "COMPORT", "BAUDRATE", "HID", "HPWD", "TOTAL_WINDOWS_WIDTH", "AUTOCONNECT",
                            "CONTROL_WINDOWS_SIZE", "SIGNAL_WINDOWS_PERCENTAGE", "A", ""}) {
        const auto value = satscope::IniLookup(file, satscope::kSettingsSection, key);
        if (value) Check(value->size() <= 4 * satscope::kIniValueCharacters && Characters(*value) <= 29);
        (void)satscope::IniLookup(file, "", key);
    }
    const satscope::SettingsLoad load = satscope::LoadSettings(
        [&](std::string_view key) { return satscope::LookupSetting(&file, key); }, 800, 480);
    const satscope::Settings& s = load.settings;
    Check(s.port >= -1 && s.port < 9);
    Check(s.baud >= -1 && s.baud < 6);
    Check(s.window_width > 0 && s.window_height > 0 && s.control_width > 0 && s.control_width < s.window_width);
    Check(s.signal_share >= 0 && s.summary_share >= 0 && s.list_share >= 0);
    Check(static_cast<long long>(s.signal_share) + s.summary_share + s.list_share > 0);
    return 0;
}
