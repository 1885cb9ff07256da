#include "fileshelf/file_view.h"

#include "platform/kernel/kernel.h"

namespace fileshelf {

ReadOnlyFileView::MapResult ReadOnlyFileView::Map(HANDLE file, std::size_t size) {
    Unmap();
    m_mapping = CreateFileMapping(file, nullptr, PAGE_READONLY, 0, 0);
    if (!m_mapping) return MapResult::MappingFailed;
    m_view = static_cast<const std::uint8_t*>(MapViewOfFile(m_mapping, FILE_MAP_READ, 0, 0, size));
    if (!m_view) {
        Unmap();
        return MapResult::ViewFailed;
    }
    m_size = size;
    return MapResult::Ok;
}

void ReadOnlyFileView::Unmap() {
    if (m_view) UnmapViewOfFile(m_view);
    if (m_mapping) CloseHandle(m_mapping);
    m_view = nullptr;
    m_mapping = nullptr;
    m_size = 0;
}

}  // namespace fileshelf
