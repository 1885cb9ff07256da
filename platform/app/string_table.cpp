#include "platform/app/string_table.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/gfx/gfx.h"
#include "platform/kernel/last_error.h"

std::optional<std::string> LoadString(UINT id) {
    std::ifstream in(std::filesystem::path(platform::ResourceDir()) / "strings.txt", std::ios::binary);
    std::string line;
    while (in && std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto tab = line.find('\t');
        if (tab == std::string::npos || tab == 0 || tab > 10) continue;
        char* end = nullptr;
        const unsigned long number = std::strtoul(line.c_str(), &end, 10);
        if (end != line.c_str() + tab || number != id) continue;
        return line.substr(tab + 1);
    }
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return std::nullopt;
}
