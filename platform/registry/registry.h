// The device registry, kept by the device server and shared by every program. Key paths and
// value names are UTF-8; string values are stored as the device stores them, UTF-16 with a
// terminating zero.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/win32_types.h"

struct HKEY__;
using HKEY = HKEY__*;

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))
#define HKEY_USERS (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000003u)))

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;
constexpr DWORD KEY_ALL_ACCESS = 0xF003F;
constexpr DWORD KEY_READ = 0x20019;
constexpr DWORD KEY_WRITE = 0x20006;
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;

// All return the device's error code (ERROR_SUCCESS on success).
LONG RegCreateKeyEx(HKEY key, const std::string& sub_key, DWORD reserved, const std::string& class_name, DWORD options,
                    DWORD desired_access, void* security, HKEY* result, DWORD* disposition);
LONG RegOpenKeyEx(HKEY key, const std::string& sub_key, DWORD options, DWORD desired_access, HKEY* result);
// data may be null to ask only for type and size; *data_size is in and out (bytes).
LONG RegQueryValueEx(HKEY key, const std::string& value_name, DWORD* reserved, DWORD* type, BYTE* data,
                     DWORD* data_size);
LONG RegSetValueEx(HKEY key, const std::string& value_name, DWORD reserved, DWORD type, const BYTE* data,
                   DWORD data_size);
LONG RegDeleteKey(HKEY key, const std::string& sub_key);
LONG RegDeleteValue(HKEY key, const std::string& value_name);
LONG RegFlushKey(HKEY key);
// How many subkeys and values the key holds (either pointer may be null); the other outputs of
// the device's call are not kept.
LONG RegQueryInfoKey(HKEY key, DWORD* subkeys, DWORD* values);
LONG RegCloseKey(HKEY key);

namespace platform {

// The full path of a key handle ("HKEY_LOCAL_MACHINE\SOFTWARE\..."); empty for an unknown one.
std::string RegistryKeyPath(HKEY key);

// Conveniences over the calls above.
std::optional<DWORD> RegReadDword(const std::string& key_path, const std::string& value_name);
std::optional<std::string> RegReadString(const std::string& key_path, const std::string& value_name);
LONG RegWriteDword(const std::string& key_path, const std::string& value_name, DWORD value);
LONG RegWriteString(const std::string& key_path, const std::string& value_name, const std::string& value);

}  // namespace platform
