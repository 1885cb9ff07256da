// A program file may be anything: a cut-short copy, a file from another system, a record a tool
// got wrong. The ELF walk and the record reader must only ever say no.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/files/version_record.h"

namespace record = platform::version_record;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    record::RecordView view;
    if (record::ParseRecord(data, size, view) == record::ReadStatus::Ok) {
        if (view.size > size || view.translations.empty()) std::abort();
        for (const auto& entry : view.strings)
            if (entry.value_offset + entry.value_size >= view.size || data[entry.value_offset + entry.value_size] != 0)
                std::abort();
        (void)record::FindString(data, view, "FileVersion");
    }
    // The same bytes as a whole file, read only through the callback.
    auto read = [&](std::uint64_t offset, std::size_t count, std::uint8_t* out) {
        if (offset > size || count > size - offset) return false;
        std::memcpy(out, data + offset, count);
        return true;
    };
    if (auto place = record::FindElfSection(read, size, record::kSectionName)) {
        if (place->offset > size || place->size > size - place->offset) std::abort();
        record::RecordView inner;
        (void)record::ParseRecord(data + place->offset, static_cast<std::size_t>(place->size), inner);
    }
    return 0;
}
