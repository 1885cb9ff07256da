// A read-only view of a whole open file, as the playlist reader maps it.
//
// The kernel's mapping of an open file (CreateFileMapping + MapViewOfFile) is not available in
// the platform yet; until it is, the view reads the file into memory with ReadFile. Only this
// class changes when the mapping lands: Map() then creates a PAGE_READONLY mapping and maps a
// FILE_MAP_READ view, keeping the mapping handle and the view's base.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/win32_types.h"

namespace fileshelf {

class ReadOnlyFileView {
public:
    enum class MapResult { Ok, MappingFailed, ViewFailed };
    // Reading stands in for mapping only up to this size; a playlist of 10,000 entries is
    // about 1 MB.
    static constexpr std::size_t kMaxReadBytes = 64u << 20;

    ReadOnlyFileView() = default;
    ~ReadOnlyFileView() { Unmap(); }
    ReadOnlyFileView(const ReadOnlyFileView&) = delete;
    ReadOnlyFileView& operator=(const ReadOnlyFileView&) = delete;

    // Maps the first `size` bytes of an open file. An empty file maps to an empty view.
    [[nodiscard]] MapResult Map(HANDLE file, std::size_t size);
    void Unmap();

    const std::uint8_t* Data() const { return m_data.get(); }
    std::size_t Size() const { return m_size; }
    bool IsMapped() const { return m_mapped; }

private:
    std::unique_ptr<std::uint8_t[]> m_data;
    std::size_t m_size = 0;
    bool m_mapped = false;
};

}  // namespace fileshelf
