#include "fileshelf/file_view.h"

#include <new>

#include "platform/files/files.h"
#include "platform/kernel/kernel.h"

namespace fileshelf {

ReadOnlyFileView::MapResult ReadOnlyFileView::Map(HANDLE file, std::size_t size) {
    Unmap();
    if (size > kMaxReadBytes) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return MapResult::MappingFailed;
    }
    if (size > 0) {
        m_data.reset(new (std::nothrow) std::uint8_t[size]);
        if (!m_data) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return MapResult::MappingFailed;
        }
        if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) != 0) {
            m_data.reset();
            return MapResult::ViewFailed;
        }
        DWORD read = 0;
        if (!ReadFile(file, m_data.get(), static_cast<DWORD>(size), &read)) {
            m_data.reset();
            return MapResult::ViewFailed;
        }
        size = read;  // a file cut short meanwhile shows what is left of it
    }
    m_size = size;
    m_mapped = true;
    return MapResult::Ok;
}

void ReadOnlyFileView::Unmap() {
    m_data.reset();
    m_size = 0;
    m_mapped = false;
}

}  // namespace fileshelf
