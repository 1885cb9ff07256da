#include "server/registry/registry_store.h"

#include <cstdio>
#include <sstream>

namespace server {
namespace {

constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorInvalidParameter = 87;

const char* const kRootKeys[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS"};

std::string Fold(const std::string& text) {
    std::string folded = text;
    for (auto& c : folded)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return folded;
}

// Splits "A\B\C" into its components; empty components make the path invalid.
bool SplitPath(const std::string& path, std::vector<std::string>& parts) {
    parts.clear();
    std::string current;
    for (char c : path) {
        if (c == '\\') {
            if (current.empty()) return false;
            parts.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    if (current.empty()) return false;
    parts.push_back(std::move(current));
    return parts.size() <= RegistryStore::kMaxDepth;
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            default: out.push_back(c);
        }
    }
    return out;
}

// Reads a quoted string starting at text[pos] == '"'; pos ends after the closing quote.
bool ReadQuoted(const std::string& text, std::size_t& pos, std::string& out) {
    if (pos >= text.size() || text[pos] != '"') return false;
    out.clear();
    for (++pos; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\') {
            if (++pos >= text.size()) return false;
            char e = text[pos];
            out.push_back(e == 'n' ? '\n' : e == 'r' ? '\r' : e);
        } else {
            out.push_back(c);
        }
    }
    return false;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ParseValue(const std::string& text, RegValue& value) {
    if (text.rfind("dword:", 0) == 0) {
        std::string digits = text.substr(6);
        if (digits.empty() || digits.size() > 8) return false;
        std::uint32_t number = 0;
        for (char c : digits) {
            int d = HexDigit(c);
            if (d < 0) return false;
            number = number << 4 | static_cast<std::uint32_t>(d);
        }
        value.type = kRegDword;
        value.data = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                      static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
        return true;
    }
    if (text.rfind("hex:", 0) == 0) {
        value.type = kRegBinary;
        value.data.clear();
        std::size_t pos = 4;
        while (pos < text.size()) {
            if (pos + 1 >= text.size()) return false;
            int high = HexDigit(text[pos]), low = HexDigit(text[pos + 1]);
            if (high < 0 || low < 0) return false;
            value.data.push_back(static_cast<std::uint8_t>(high << 4 | low));
            pos += 2;
            if (pos < text.size()) {
                if (text[pos] != ',') return false;
                ++pos;
            }
            if (value.data.size() > RegistryStore::kMaxValueSize) return false;
        }
        return true;
    }
    if (!text.empty() && text[0] == '"') {
        std::size_t pos = 0;
        std::string content;
        if (!ReadQuoted(text, pos, content) || pos != text.size()) return false;
        value.type = kRegSz;
        value.data = Utf8ToUtf16Le(content);
        return value.data.size() <= RegistryStore::kMaxValueSize;
    }
    return false;
}

}  // namespace

std::string Utf16LeToUtf8(const std::vector<std::uint8_t>& data) {
    std::string out;
    std::size_t units = data.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        std::uint32_t c = data[2 * i] | (data[2 * i + 1] << 8);
        if (c == 0) break;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units) {
            std::uint32_t low = data[2 * i + 2] | (data[2 * i + 3] << 8);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            } else {
                c = 0xFFFD;
            }
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::vector<std::uint8_t> Utf8ToUtf16Le(const std::string& text) {
    std::vector<std::uint8_t> out;
    auto put = [&](std::uint32_t unit) {
        out.push_back(static_cast<std::uint8_t>(unit));
        out.push_back(static_cast<std::uint8_t>(unit >> 8));
    };
    for (std::size_t i = 0; i < text.size();) {
        auto byte = static_cast<unsigned char>(text[i]);
        std::uint32_t c = 0xFFFD;
        std::size_t length = 1;
        if (byte < 0x80) {
            c = byte;
        } else if ((byte >> 5) == 6 && i + 1 < text.size()) {
            c = ((byte & 0x1F) << 6) | (text[i + 1] & 0x3F);
            length = 2;
        } else if ((byte >> 4) == 14 && i + 2 < text.size()) {
            c = ((byte & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F);
            length = 3;
        } else if ((byte >> 3) == 30 && i + 3 < text.size()) {
            c = ((byte & 0x07) << 18) | ((text[i + 1] & 0x3F) << 12) | ((text[i + 2] & 0x3F) << 6) | (text[i + 3] & 0x3F);
            length = 4;
        }
        i += length;
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            put(0xD800 + (c >> 10));
            put(0xDC00 + (c & 0x3FF));
        } else {
            put(c > 0x10FFFF ? 0xFFFD : c);
        }
    }
    put(0);
    return out;
}

RegistryStore::RegistryStore() : m_root(std::make_unique<Key>()) {
    for (const char* name : kRootKeys) {
        auto key = std::make_unique<Key>();
        key->name = name;
        m_root->subkeys.emplace(name, std::move(key));
    }
}

RegistryStore::Key* RegistryStore::Find(const std::string& path) const {
    std::vector<std::string> parts;
    if (!SplitPath(path, parts)) return nullptr;
    Key* key = m_root.get();
    for (const auto& part : parts) {
        auto found = key->subkeys.find(Fold(part));
        if (found == key->subkeys.end()) return nullptr;
        key = found->second.get();
    }
    return key;
}

std::uint32_t RegistryStore::CreateKey(const std::string& path, bool& created) {
    created = false;
    std::vector<std::string> parts;
    if (!SplitPath(path, parts)) return kErrorInvalidParameter;
    Key* key = m_root.get();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        auto folded = Fold(parts[i]);
        auto found = key->subkeys.find(folded);
        if (found == key->subkeys.end()) {
            if (i == 0) return kErrorInvalidParameter;  // not a root key
            auto child = std::make_unique<Key>();
            child->name = parts[i];
            found = key->subkeys.emplace(folded, std::move(child)).first;
            created = true;
            m_dirty = true;
        }
        key = found->second.get();
    }
    return 0;
}

std::uint32_t RegistryStore::OpenKey(const std::string& path) const {
    return Find(path) ? 0 : kErrorFileNotFound;
}

std::uint32_t RegistryStore::QueryValue(const std::string& path, const std::string& name, RegValue& value) const {
    Key* key = Find(path);
    if (!key) return kErrorFileNotFound;
    auto found = key->values.find(Fold(name));
    if (found == key->values.end()) return kErrorFileNotFound;
    value = found->second.second;
    return 0;
}

std::uint32_t RegistryStore::SetValue(const std::string& path, const std::string& name, RegValue value) {
    Key* key = Find(path);
    if (!key) return kErrorFileNotFound;
    if (value.data.size() > kMaxValueSize) return kErrorInvalidParameter;
    if (value.type == kRegDword && value.data.size() != 4) return kErrorInvalidParameter;
    auto& slot = key->values[Fold(name)];
    if (slot.first.empty()) slot.first = name;
    slot.second = std::move(value);
    m_dirty = true;
    return 0;
}

std::uint32_t RegistryStore::DeleteKey(const std::string& path) {
    std::vector<std::string> parts;
    if (!SplitPath(path, parts)) return kErrorInvalidParameter;
    if (parts.size() == 1) return kErrorAccessDenied;  // root keys stay
    Key* key = m_root.get();
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        auto found = key->subkeys.find(Fold(parts[i]));
        if (found == key->subkeys.end()) return kErrorFileNotFound;
        key = found->second.get();
    }
    if (key->subkeys.erase(Fold(parts.back())) == 0) return kErrorFileNotFound;
    m_dirty = true;
    return 0;
}

std::uint32_t RegistryStore::KeyInfo(const std::string& path, std::uint32_t& subkeys, std::uint32_t& values) const {
    subkeys = values = 0;
    const Key* key = Find(path);
    if (!key) return kErrorFileNotFound;
    subkeys = static_cast<std::uint32_t>(key->subkeys.size());
    values = static_cast<std::uint32_t>(key->values.size());
    return 0;
}

std::uint32_t RegistryStore::DeleteValue(const std::string& path, const std::string& name) {
    Key* key = Find(path);
    if (!key) return kErrorFileNotFound;
    if (key->values.erase(Fold(name)) == 0) return kErrorFileNotFound;
    m_dirty = true;
    return 0;
}

void RegistryStore::SerializeKey(const Key& key, const std::string& path, std::string& out) {
    if (!key.values.empty() || key.subkeys.empty()) {
        out += "[" + path + "]\n";
        for (const auto& [folded, entry] : key.values) {
            const auto& [name, value] = entry;
            out += name.empty() ? std::string("@") : "\"" + Escape(name) + "\"";
            out += "=";
            if (value.type == kRegDword && value.data.size() == 4) {
                char digits[16];
                std::snprintf(digits, sizeof(digits), "dword:%08x",
                              value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                  static_cast<std::uint32_t>(value.data[3]) << 24);
                out += digits;
            } else if (value.type == kRegSz) {
                out += "\"" + Escape(Utf16LeToUtf8(value.data)) + "\"";
            } else {
                out += "hex:";
                for (std::size_t i = 0; i < value.data.size(); ++i) {
                    char digits[4];
                    std::snprintf(digits, sizeof(digits), i ? ",%02x" : "%02x", value.data[i]);
                    out += digits;
                }
            }
            out += "\n";
        }
        out += "\n";
    }
    for (const auto& [folded, child] : key.subkeys) SerializeKey(*child, path + "\\" + child->name, out);
}

std::string RegistryStore::Serialize() const {
    std::string out = "; device registry\n\n";
    for (const auto& [folded, root] : m_root->subkeys) {
        if (root->values.empty() && root->subkeys.empty()) continue;
        SerializeKey(*root, root->name, out);
    }
    return out;
}

RegistryStore RegistryStore::Parse(const std::string& text, std::size_t* skipped_lines) {
    RegistryStore store;
    std::size_t skipped = 0;
    std::string current;  // the section's key path; empty until a valid section
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            current.clear();
            if (line.back() != ']') {
                ++skipped;
                continue;
            }
            bool created = false;
            std::string path = line.substr(1, line.size() - 2);
            if (store.CreateKey(path, created) == 0) current = path;
            else ++skipped;
            continue;
        }
        if (current.empty()) {
            ++skipped;
            continue;
        }
        std::string name;
        std::size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (!ReadQuoted(line, pos, name)) {
            ++skipped;
            continue;
        }
        RegValue value;
        if (pos >= line.size() || line[pos] != '=' || !ParseValue(line.substr(pos + 1), value) ||
            store.SetValue(current, name, std::move(value)) != 0) {
            ++skipped;
        }
    }
    store.m_dirty = false;
    if (skipped_lines) *skipped_lines = skipped;
    return store;
}

}  // namespace server
