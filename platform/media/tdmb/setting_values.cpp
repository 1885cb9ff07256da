#include "platform/media/tdmb/setting_values.h"

#include <algorithm>
#include <cstring>

#include "platform/media/result_codes.h"

namespace platform::tdmb {

std::optional<SettingProperty> SettingValues::Find(DWORD property) const
{
    for (const SettingProperty& known : m_properties)
        if (known.number == property) return known;
    return std::nullopt;
}

HRESULT SettingValues::Get(DWORD property, void* value) const
{
    if (!value) return E_POINTER;
    const auto known = Find(property);
    if (!known) return E_INVALIDARG;
    std::vector<DWORD> words(known->words, 0);
    bool was_set = false;
    {
        std::lock_guard lock(m_mutex);
        if (auto found = m_values.find(property); found != m_values.end()) {
            words = found->second;
            was_set = true;
        }
    }
    std::memcpy(value, words.data(), words.size() * sizeof(DWORD));
    return was_set ? S_OK : S_FALSE;
}

HRESULT SettingValues::Set(DWORD property, const void* value)
{
    if (!value) return E_POINTER;
    const auto known = Find(property);
    if (!known) return E_INVALIDARG;
    std::vector<DWORD> words(known->words);
    std::memcpy(words.data(), value, words.size() * sizeof(DWORD));
    std::lock_guard lock(m_mutex);
    m_values[property] = std::move(words);
    return S_OK;
}

std::optional<std::vector<DWORD>> SettingValues::Value(DWORD property) const
{
    std::lock_guard lock(m_mutex);
    const auto found = m_values.find(property);
    if (found == m_values.end()) return std::nullopt;
    return found->second;
}

}  // namespace platform::tdmb
