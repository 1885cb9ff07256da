// A read-only view of a whole open file, as the playlist reader maps it: a PAGE_READONLY file
// mapping and a FILE_MAP_READ view of all of it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32_types.h"

namespace fileshelf {

class ReadOnlyFileView {
public:
    enum class MapResult { Ok, MappingFailed, ViewFailed };

    ReadOnlyFileView() = default;
    ~ReadOnlyFileView() { Unmap(); }
    ReadOnlyFileView(const ReadOnlyFileView&) = delete;
    ReadOnlyFileView& operator=(const ReadOnlyFileView&) = delete;

    // Maps an open file of `size` bytes. As on the device, an empty file cannot be mapped.
    [[nodiscard]] MapResult Map(HANDLE file, std::size_t size);
    // Unmaps the view and closes the mapping, each only if present.
    void Unmap();

    const std::uint8_t* Data() const { return m_view; }
    std::size_t Size() const { return m_size; }
    bool IsMapped() const { return m_view != nullptr; }

private:
    HANDLE m_mapping = nullptr;
    const std::uint8_t* m_view = nullptr;
    std::size_t m_size = 0;
};

}  // namespace fileshelf
