// The values a T-DMB parser or decoder was configured with, kept per property so that they can
// be read back (by the filter itself, by tests and by reports). Each property's length comes
// from its filter's catalogue in tdmb_properties.h; nothing else is read or written.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "platform/media/tdmb/tdmb_properties.h"
#include "platform/win32_types.h"

namespace platform::tdmb {

class SettingValues {
public:
    explicit SettingValues(std::span<const SettingProperty> properties) : m_properties(properties) {}

    // The bodies of the settings interface's two methods.
    HRESULT Get(DWORD property, void* value) const;
    HRESULT Set(DWORD property, const void* value);

    // The words last set for the property; nothing when it was never set.
    std::optional<std::vector<DWORD>> Value(DWORD property) const;

private:
    std::optional<SettingProperty> Find(DWORD property) const;

    const std::span<const SettingProperty> m_properties;
    mutable std::mutex m_mutex;
    std::map<DWORD, std::vector<DWORD>> m_values;
};

}  // namespace platform::tdmb
