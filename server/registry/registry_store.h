// The device registry: a tree of keys under the root keys, each with DWORD, string and binary
// values. Key and value names ignore case and keep the spelling they were created with.
// Kept as text in state/registry ("[key path]" sections of "name"=value lines).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace server {

constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;

struct RegValue {
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;  // REG_SZ: UTF-16LE with its terminator
    bool operator==(const RegValue&) const = default;
};

class RegistryStore {
public:
    static constexpr std::size_t kMaxValueSize = 64 * 1024;
    static constexpr std::size_t kMaxDepth = 32;

    RegistryStore();

    // Each returns the device's error code: 0, ERROR_FILE_NOT_FOUND (2), ERROR_ACCESS_DENIED
    // (5), ERROR_INVALID_PARAMETER (87).
    std::uint32_t CreateKey(const std::string& path, bool& created);
    std::uint32_t OpenKey(const std::string& path) const;
    std::uint32_t QueryValue(const std::string& path, const std::string& name, RegValue& value) const;
    std::uint32_t SetValue(const std::string& path, const std::string& name, RegValue value);
    std::uint32_t DeleteKey(const std::string& path);
    // How many subkeys and values a key holds.
    std::uint32_t KeyInfo(const std::string& path, std::uint32_t& subkeys, std::uint32_t& values) const;
    std::uint32_t DeleteValue(const std::string& path, const std::string& name);

    std::string Serialize() const;
    // Reads the text form; lines it cannot read are skipped and counted.
    static RegistryStore Parse(const std::string& text, std::size_t* skipped_lines = nullptr);

    bool Dirty() const { return m_dirty; }
    void MarkClean() { m_dirty = false; }

private:
    struct Key {
        std::string name;
        std::map<std::string, std::unique_ptr<Key>> subkeys;           // by folded name
        std::map<std::string, std::pair<std::string, RegValue>> values; // folded -> (spelling, value)
    };
    Key* Find(const std::string& path) const;
    Key* FindParent(const std::string& path, std::string& last) const;
    static void SerializeKey(const Key& key, const std::string& path, std::string& out);

    std::unique_ptr<Key> m_root;  // its subkeys are the root keys
    bool m_dirty = false;
};

// UTF-16LE (with or without terminator) to UTF-8 and back, for string values.
std::string Utf16LeToUtf8(const std::vector<std::uint8_t>& data);
std::vector<std::uint8_t> Utf8ToUtf16Le(const std::string& text);

}  // namespace server
