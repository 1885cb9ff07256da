#include "framework/system_settings.h"

#include <mutex>
#include <string>

#include "framework/settings_file.h"
#include "framework/state_file.h"
#include "platform/files/files.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"
#include "platform/registry/registry.h"

namespace {

struct Range {
    std::int32_t low, high, fallback;
};
constexpr Range kRanges[CSystemSettings::kValueCount] = {
    {0, 10, 5}, {0, 10, 5}, {0, 1, 0}, {0, 10, 5}, {0, 2, 1}, {0, 4, 0},
    {881, 1079, 881}, {881, 1079, 881}, {881, 1079, 883}, {881, 1079, 885}, {881, 1079, 887}, {881, 1079, 889},
};

constexpr const char* kAppKey = "SOFTWARE\\KORVEX\\APP";

// HomeDeck saves from its dialog thread and its remote-control thread.
std::mutex s_save_mutex;

}  // namespace

CSystemSettings::CSystemSettings() {
    for (int number = 1; number <= kValueCount; ++number) Set(number, Default(number));
    Load();
}

std::int32_t CSystemSettings::Default(int number) { return kRanges[number - 1].fallback; }

bool CSystemSettings::AcceptsRequest(std::uintptr_t code, int value) {
    switch (code) {
        case 200:
        case 201: return value >= kRanges[VOLUME - 1].low && value <= kRanges[VOLUME - 1].high;
        case 202: return value >= kRanges[FM_CHANNEL - 1].low && value <= kRanges[FM_CHANNEL - 1].high;
        case 204: return value == 0 || value == 1;
        default: return true;
    }
}

void CSystemSettings::Validate() {
    for (int number = SPARE_LEVEL; number <= FM_CHANNEL; ++number) {
        const auto& range = kRanges[number - 1];
        if (Get(number) < range.low || Get(number) > range.high) Set(number, range.fallback);
    }
    bool damaged = false;
    for (int number = FREQUENCY_0; number < FREQUENCY_5; ++number) damaged = damaged || Get(number) <= 880 || Get(number) > 1079;
    if (damaged)
        for (int number = FREQUENCY_0; number <= FREQUENCY_5; ++number) Set(number, Default(number));
}

bool CSystemSettings::Load() {
    HANDLE file = CreateFile(kFilePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::string text;
    char buffer[512];
    DWORD read = 0;
    // The file is a dozen short lines; anything past 64 KiB is not a settings file.
    while (text.size() < 64 * 1024 && ReadFile(file, buffer, sizeof(buffer), &read) && read > 0) text.append(buffer, read);
    CloseHandle(file);
    const auto contents = settings_file::Parse(text);
    if (contents.version_matches)
        for (int i = 0; i < contents.values_read; ++i) Set(i + 1, contents.values[static_cast<std::size_t>(i)]);
    Validate();
    return true;
}

bool CSystemSettings::Save() const {
    std::array<std::int32_t, settings_file::kStoredValues> stored{};
    for (int i = 0; i < settings_file::kStoredValues; ++i) stored[static_cast<std::size_t>(i)] = Get(i + 1);
    const std::string text = settings_file::Format(stored);

    std::lock_guard lock(s_save_mutex);
    return ReplaceStateFile(kFilePath, text);
}

namespace {

// Creates or opens the suite's key; false after writing the two failure lines.
bool EnsureAppKey() {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyEx(HKEY_LOCAL_MACHINE, kAppKey, 0, "", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                       &disposition) != ERROR_SUCCESS) {
        DebugPrintf("Failed to open registry parameters key\n");
        DebugPrintf("SetKey FAILED!!!!!!!!!!!!!!!!!\n");
        return false;
    }
    RegCloseKey(key);
    return true;
}

}  // namespace

DWORD ReadAppValue(const std::string& value_name, DWORD default_value) {
    if (!EnsureAppKey()) return 0;
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kAppKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        DebugPrintf("RegOpenKeyEx [%s]FAILED!!!!!!!!!!!!!!!!!\n", kAppKey);
        return default_value;
    }
    DWORD value = 0, type = 0, size = sizeof(value);
    LONG result = RegQueryValueEx(key, value_name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_DWORD || size != sizeof(value)) {
        DebugPrintf("RegQueryValueEx [%s]FAILED!!!!!!!!!!!!!!!!!\n", value_name.c_str());
        return default_value;
    }
    return value;
}

void WriteAppValue(const std::string& value_name, DWORD value) {
    if (!EnsureAppKey()) return;
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kAppKey, 0, KEY_WRITE, &key) != ERROR_SUCCESS) return;
    RegSetValueEx(key, value_name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegFlushKey(key);
    RegCloseKey(key);
}

std::optional<PanelSize> ReadPanelSize() {
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Drivers\\Display\\TCC79X\\CONFIG", 0, KEY_READ, &key) != ERROR_SUCCESS) {
        DebugPrintf("Couldn't get LCD size from registry\n");
        return std::nullopt;
    }
    PanelSize size;
    DWORD type = 0, bytes = sizeof(DWORD);
    bool ok = RegQueryValueEx(key, "LCD_Width", nullptr, &type, reinterpret_cast<BYTE*>(&size.width), &bytes) ==
                  ERROR_SUCCESS && bytes == sizeof(DWORD);
    bytes = sizeof(DWORD);
    ok = ok && RegQueryValueEx(key, "LCD_Height", nullptr, &type, reinterpret_cast<BYTE*>(&size.height), &bytes) ==
                   ERROR_SUCCESS && bytes == sizeof(DWORD);
    RegCloseKey(key);
    if (!ok) return std::nullopt;
    return size;
}

std::string ReadProductVersion() {
    auto version = platform::RegReadString("HKEY_LOCAL_MACHINE\\SOFTWARE\\ORIVANTEK\\PRODUCT", "Version");
    return version ? *version : std::string("1.000");
}
