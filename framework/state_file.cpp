#include "framework/state_file.h"

#include "platform/files/files.h"
#include "platform/kernel/kernel.h"

bool ReplaceStateFile(const std::string& path, std::string_view bytes) {
    const std::string temporary = path + ".new";
    HANDLE file = CreateFile(temporary, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool complete = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written) &&
                          written == bytes.size() && FlushFileBuffers(file);
    CloseHandle(file);
    if (!complete || !MoveFileEx(temporary, path, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFile(temporary);
        return false;
    }
    return true;
}

std::optional<std::string> ReadStateFile(const std::string& path, std::size_t most_bytes) {
    HANDLE file = CreateFile(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes(most_bytes, '\0');
    std::size_t filled = 0;
    while (filled < most_bytes) {
        DWORD read = 0;
        if (!ReadFile(file, bytes.data() + filled, static_cast<DWORD>(most_bytes - filled), &read) || read == 0) break;
        filled += read;
    }
    CloseHandle(file);
    bytes.resize(filled);
    return bytes;
}
