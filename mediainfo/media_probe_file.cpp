// MediaProbe over the platform: the file is opened with the platform's file calls and read at
// offsets through a FileSource over its handle; the readers' debug lines go to the kernel debug
// print and their code-page texts through the system code page.
#include <string_view>

#include "mediainfo/debug_log.h"
#include "mediainfo/media_probe.h"
#include "mediainfo/text_field.h"
#include "platform/files/codepage.h"
#include "platform/files/files.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/last_error.h"

namespace mediainfo {
namespace {

class HandleSource final : public FileSource {
public:
    explicit HandleSource(HANDLE file)
        : m_file(file)
    {
        DWORD high = 0;
        const DWORD low = GetFileSize(file, &high);
        if (!(low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR))
            m_size = (std::uint64_t{high} << 32) | low;
    }

    std::uint64_t Size() const override { return m_size; }

    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& bytes_read) override
    {
        bytes_read = 0;
        LONG high = static_cast<LONG>(offset >> 32);
        if (SetFilePointer(m_file, static_cast<LONG>(offset & 0xFFFFFFFFu), &high, FILE_BEGIN) ==
                INVALID_SET_FILE_POINTER &&
            GetLastError() != NO_ERROR)
            return false;
        auto* bytes = static_cast<std::uint8_t*>(buffer);
        while (count > 0) {
            const DWORD chunk = count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count);
            DWORD got = 0;
            if (!ReadFile(m_file, bytes + bytes_read, chunk, &got))
                return false;
            if (got == 0)
                break;
            bytes_read += got;
            count -= got;
        }
        return true;
    }

private:
    HANDLE m_file;
    std::uint64_t m_size = 0;
};

void ToKernelDebugPrint(std::string_view text)
{
    OutputDebugString(text);
}

std::u16string FromSystemCodePage(std::string_view text)
{
    return platform::AnsiToWide(text);
}

HRESULT FromLastError()
{
    const DWORD code = GetLastError();
    if (static_cast<HRESULT>(code) <= 0)
        return static_cast<HRESULT>(code);
    return static_cast<HRESULT>(0x80070000u | (code & 0xFFFFu));
}

}  // namespace

MediaProbe::MediaProbe()
{
    SetDebugSink(ToKernelDebugPrint);
    SetCodePageConverter(FromSystemCodePage);
}

MediaProbe::~MediaProbe()
{
    if (m_file != INVALID_HANDLE_VALUE)
        CloseHandle(m_file);
}

HRESULT MediaProbe::Open(const std::string& path)
{
    if (m_file != INVALID_HANDLE_VALUE) {
        CloseHandle(m_file);
        m_file = INVALID_HANDLE_VALUE;
    }
    m_file = CreateFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL);
    if (m_file == INVALID_HANDLE_VALUE)
        return FromLastError();
    Parse(m_file);
    CloseHandle(m_file);
    m_file = INVALID_HANDLE_VALUE;
    return kResultOk;
}

HRESULT MediaProbe::Parse(HANDLE file)
{
    HandleSource source(file);
    return ProbeFile(source, m_info);
}

}  // namespace mediainfo
