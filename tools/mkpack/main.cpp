// mkpack: makes the update pack HomeDeck installs from the storage card, and reads one back.
//
//   mkpack build OUT TYPE=FILE... [options]   a pack of the files in the order given
//   mkpack list PACK                          its entries, with stored and computed checksums
//   mkpack crc FILE                           a file's checksum as the pack stores it
//
// The options of build that make deliberately broken packs are for testing the updater.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

#include "homedeck/update_pack.h"

namespace {

using homedeck::kPackEntrySize;
using homedeck::kPackHeaderSize;

int Usage() {
    std::fprintf(stderr,
                 "usage: mkpack build OUT TYPE=FILE... [options]\n"
                 "       mkpack list PACK\n"
                 "       mkpack crc FILE\n"
                 "TYPE is an entry type by number or by name: bootloader, image, none, updater, music,\n"
                 "photo, movie, extview, telecast, fileshelf, routekit, stacker, satscope.\n"
                 "build options:\n"
                 "  --image-length          stamp each disk image's length at its byte 28\n"
                 "  --magic TEXT            four bytes in place of \"PACK\"\n"
                 "  --count N               the entry count the header gives\n"
                 "  --bad-checksum I        store a wrong checksum for entry I (from 0)\n"
                 "  --offset I=VALUE        store VALUE as entry I's data offset\n"
                 "  --length I=VALUE        store VALUE as entry I's data length\n"
                 "  --cut BYTES             keep only the pack's first BYTES bytes\n");
    return 2;
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Writes beside the destination and renames, so a pack is never left half-written.
bool WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool ParseNumber(const std::string& text, unsigned long long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text.c_str(), &end, 0);
    return errno == 0 && *end == '\0' && text[0] != '-';
}

// "I=VALUE" for the entry overrides.
bool ParseOverride(const std::string& text, std::map<std::size_t, std::uint32_t>& into) {
    const auto equals = text.find('=');
    unsigned long long index = 0, value = 0;
    if (equals == std::string::npos || !ParseNumber(text.substr(0, equals), index) ||
        !ParseNumber(text.substr(equals + 1), value) || value > 0xFFFFFFFFull)
        return false;
    into[static_cast<std::size_t>(index)] = static_cast<std::uint32_t>(value);
    return true;
}

int Build(const std::vector<std::string>& args) {
    if (args.empty()) return Usage();
    const std::string out = args[0];
    std::vector<homedeck::PackPart> parts;
    bool stamp_image_length = false;
    std::string magic;
    std::optional<std::uint32_t> count;
    std::map<std::size_t, std::uint32_t> bad_checksums, offsets, lengths;
    std::optional<unsigned long long> cut;

    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool has_value = i + 1 < args.size();
        unsigned long long number = 0;
        if (arg == "--image-length") {
            stamp_image_length = true;
        } else if (arg == "--magic" && has_value && args[i + 1].size() == 4) {
            magic = args[++i];
        } else if (arg == "--count" && has_value && ParseNumber(args[i + 1], number) && number <= 0xFFFFFFFFull) {
            count = static_cast<std::uint32_t>(number);
            ++i;
        } else if (arg == "--bad-checksum" && has_value && ParseNumber(args[i + 1], number)) {
            bad_checksums[static_cast<std::size_t>(number)] = 0;
            ++i;
        } else if (arg == "--offset" && has_value && ParseOverride(args[i + 1], offsets)) {
            ++i;
        } else if (arg == "--length" && has_value && ParseOverride(args[i + 1], lengths)) {
            ++i;
        } else if (arg == "--cut" && has_value && ParseNumber(args[i + 1], number)) {
            cut = number;
            ++i;
        } else if (arg.rfind("--", 0) != 0 && arg.find('=') != std::string::npos) {
            const auto equals = arg.find('=');
            const auto type = homedeck::PackTypeByName(arg.substr(0, equals));
            if (!type) {
                std::fprintf(stderr, "mkpack: unknown entry type \"%s\"\n", arg.substr(0, equals).c_str());
                return 2;
            }
            homedeck::PackPart part{*type, {}};
            const std::string file = arg.substr(equals + 1);
            if (!ReadWholeFile(file, part.data)) {
                std::fprintf(stderr, "mkpack: cannot read %s: %s\n", file.c_str(), std::strerror(errno));
                return 1;
            }
            parts.push_back(std::move(part));
        } else {
            return Usage();
        }
    }

    if (stamp_image_length) {
        for (auto& part : parts) {
            if (part.type != homedeck::kPackDiskImage) continue;
            if (part.data.size() < 32) {
                std::fprintf(stderr, "mkpack: a disk image of %zu bytes has no byte 28 to stamp\n", part.data.size());
                return 1;
            }
            homedeck::WriteLittleEndian32(part.data.data() + 28, static_cast<std::uint32_t>(part.data.size()));
        }
    }
    auto pack = homedeck::BuildPack(parts);
    if (!pack) {
        std::fprintf(stderr, "mkpack: %s\n", parts.empty() ? "a pack needs at least one TYPE=FILE"
                                                            : "the pack would pass 4 GB");
        return 1;
    }
    auto entry_at = [&](std::size_t index) -> std::uint8_t* {
        if (index >= parts.size()) {
            std::fprintf(stderr, "mkpack: there is no entry %zu\n", index);
            std::exit(2);
        }
        return pack->data() + kPackHeaderSize + index * kPackEntrySize;
    };
    for (const auto& [index, unused] : bad_checksums) {
        std::uint8_t* entry = entry_at(index);
        homedeck::WriteLittleEndian32(entry + 4, homedeck::ReadLittleEndian32(entry + 4) ^ 0x5A5A5A5Au);
    }
    for (const auto& [index, value] : lengths) homedeck::WriteLittleEndian32(entry_at(index) + 8, value);
    for (const auto& [index, value] : offsets) homedeck::WriteLittleEndian32(entry_at(index) + 12, value);
    if (!magic.empty()) std::memcpy(pack->data(), magic.data(), 4);
    if (count) homedeck::WriteLittleEndian32(pack->data() + 4, *count);
    if (cut && *cut < pack->size()) pack->resize(static_cast<std::size_t>(*cut));

    if (!WriteWholeFile(out, *pack)) {
        std::fprintf(stderr, "mkpack: cannot write %s: %s\n", out.c_str(), std::strerror(errno));
        return 1;
    }
    return 0;
}

int List(const std::string& path) {
    std::vector<std::uint8_t> pack;
    if (!ReadWholeFile(path, pack)) {
        std::fprintf(stderr, "mkpack: cannot read %s: %s\n", path.c_str(), std::strerror(errno));
        return 1;
    }
    if (pack.size() < kPackHeaderSize) {
        std::printf("not a pack: %zu bytes\n", pack.size());
        return 1;
    }
    const auto header =
        homedeck::ParsePackHeader(std::span<const std::uint8_t, kPackHeaderSize>(pack.data(), kPackHeaderSize));
    if (!homedeck::IsValidPackHeader(header)) {
        std::printf("not a pack: magic 0x%08X, %u entries\n", header.magic, header.count);
        return 1;
    }
    std::printf("%u entries, %zu bytes\n", header.count, pack.size());
    int status = 0;
    if (homedeck::PackTableBytes(header.count) > pack.size()) {
        std::printf("the table of %u entries runs past the end\n", header.count);
        status = 1;
    }
    const auto entries = homedeck::ParsePackTable(std::span(pack).subspan(kPackHeaderSize), header.count);
    std::printf("%-3s %-10s %10s %10s %10s %10s\n", "#", "type", "length", "offset", "stored", "computed");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& entry = entries[i];
        const std::string fault = homedeck::EntryBoundsFault(entry, pack.size());
        std::printf("%-3zu %-10s %10u %10u 0x%08X ", i, std::string(homedeck::PackTypeName(entry.type)).c_str(),
                    entry.length, entry.offset, entry.checksum);
        const bool skipped = entry.type != homedeck::kPackBootLoader && entry.type != homedeck::kPackDiskImage &&
                             !homedeck::IsFileEntry(entry.type);
        if (!fault.empty() || std::uint64_t{entry.offset} + entry.length > pack.size()) {
            std::printf("%10s  %s", "-", fault.empty() ? "past the end (skipped type)\n" : fault.c_str());
            if (!skipped) status = 1;
            continue;
        }
        const std::uint32_t computed =
            homedeck::ChecksumOf(std::span(pack).subspan(entry.offset, entry.length));
        const bool good = computed == entry.checksum;
        std::printf("0x%08X%s\n", computed, good ? "" : skipped ? "  differs (skipped type)" : "  BAD");
        if (!good && !skipped) status = 1;
    }
    return status;
}

int Crc(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        std::fprintf(stderr, "mkpack: cannot read %s: %s\n", path.c_str(), std::strerror(errno));
        return 1;
    }
    std::printf("0x%08X\n", homedeck::ChecksumOf(bytes));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) return Usage();
    const std::string command = args[0];
    args.erase(args.begin());
    if (command == "build") return Build(args);
    if (command == "list" && args.size() == 1) return List(args[0]);
    if (command == "crc" && args.size() == 1) return Crc(args[0]);
    return Usage();
}
