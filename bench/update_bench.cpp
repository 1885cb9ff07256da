// Timed runs of HomeDeck's firmware update on a real server:
//   - a 64 MB pack (a 56 MB disk image and eight 1 MB program files) from the Update command
//     (1042) to its end (1050), less the 500 ms the updater waits before it reports, beside a
//     raw copy of the same bytes to the same places (the flash disk's file and \NAND) in 4 KB
//     writes, flushed, in the same run; with the updater's own split of its time;
//   - the pack checksum's speed in memory;
//   - the information screen (1013) to its last text, with a 20 MB Telecast whose version
//     record is read.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <span>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_report.h"
#include "homedeck/update_pack.h"
#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"

namespace {

namespace fs = std::filesystem;
using bench::Clock;
using bench::Millis;

constexpr std::size_t kMegabyte = 1 << 20;
constexpr std::size_t kImageBytes = 56 * kMegabyte;
constexpr int kPrograms = 8;
constexpr int kRounds = 3;
constexpr std::uint32_t kWmCommand = 0x0111;
constexpr double kFinishWaitMs = 500;

std::vector<std::uint8_t> Pattern(std::size_t size, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t x = 2463534242u ^ seed;
    for (std::size_t i = 0; i + 4 <= size; i += 4) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        std::memcpy(bytes.data() + i, &x, 4);
    }
    return bytes;
}

// The bytes of `from` at `offset` copied to a file in 4 KB writes, then flushed: what a copy
// with no pack, checksum or device server in the way costs.
bool RawCopy(const fs::path& from, std::uint64_t offset, std::uint64_t length, const fs::path& to, std::uint64_t at) {
    const int in = open(from.c_str(), O_RDONLY);
    const int out = open(to.c_str(), O_WRONLY | O_CREAT, 0644);
    bool done = in >= 0 && out >= 0;
    std::vector<char> block(4096);
    for (std::uint64_t copied = 0; done && copied < length;) {
        const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), length - copied));
        done = pread(in, block.data(), size, static_cast<off_t>(offset + copied)) == static_cast<ssize_t>(size) &&
               pwrite(out, block.data(), size, static_cast<off_t>(at + copied)) == static_cast<ssize_t>(size);
        copied += size;
    }
    done = done && fsync(out) == 0;
    if (in >= 0) close(in);
    if (out >= 0) close(out);
    return done;
}

}  // namespace

int main() {
    std::printf("load average before: %s\n", bench::LoadAverage().c_str());

    // The checksum alone.
    {
        const auto data = Pattern(64 * kMegabyte, 1);
        const auto start = Clock::now();
        const std::uint32_t value = homedeck::ChecksumOf(data);
        const double ms = Millis(Clock::now() - start);
        std::printf("checksum of 64 MB in memory: %.1f ms, %.0f MB/s (0x%08X)\n", ms, 64 / (ms / 1000), value);
    }

    platform::testing::TemporaryDevice device;
    if (!device.InstallWithResources(HOMEDECK_BINARY, "HOMEDECK.EXE", HOMEDECK_RESOURCES)) {
        std::fprintf(stderr, "update_bench: no device\n");
        return 1;
    }
    const fs::path card = device.Root() / "fs" / "STORAGE CARD";
    const fs::path nand = device.Root() / "fs" / "NAND";
    fs::create_directories(card / "UPDATE");
    std::ofstream(device.Root() / "device.conf", std::ios::app) << "board_status = 16\naudio = fake\ntrace_text = 1\n";

    // A Telecast of at least 20 MB with a version record: the program double, padded at its end
// when it is smaller.
    fs::copy_file(VERSIONED_DOUBLE_BINARY, nand / "TELECAST.EXE", fs::copy_options::overwrite_existing);
    if (const auto size = fs::file_size(nand / "TELECAST.EXE"); size < 20 * kMegabyte) {
        std::ofstream telecast(nand / "TELECAST.EXE", std::ios::binary | std::ios::app);
        const auto padding = Pattern(20 * kMegabyte - size, 2);
        telecast.write(reinterpret_cast<const char*>(padding.data()), static_cast<std::streamsize>(padding.size()));
    }
    std::printf("Telecast's file: %.1f MB\n", static_cast<double>(fs::file_size(nand / "TELECAST.EXE")) / kMegabyte);

    std::vector<homedeck::PackPart> parts;
    auto image = Pattern(kImageBytes, 3);
    homedeck::WriteLittleEndian32(image.data() + 28, static_cast<std::uint32_t>(image.size()));
    parts.push_back({homedeck::kPackDiskImage, std::move(image)});
    for (int i = 0; i < kPrograms; ++i)
        parts.push_back({static_cast<std::uint32_t>(homedeck::kPackFirstProgram + 1 + i), Pattern(kMegabyte, 10 + i)});
    const auto pack = homedeck::BuildPack(parts);
    if (!pack) return 1;
    std::vector<homedeck::PackEntry> entries = homedeck::ParsePackTable(
        std::span(*pack).subspan(homedeck::kPackHeaderSize), static_cast<std::uint32_t>(parts.size()));

    devicectl::DeviceControl control(device.Root());
    DWORD error = 0;
    if (!device.StartServer() || !control.Start("\\NAND\\HOMEDECK.EXE", "", error) ||
        !control.WaitWindow("APP_HOMEDECK", std::chrono::seconds(20))) {
        std::fprintf(stderr, "update_bench: HomeDeck did not start\n");
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const auto log_has = [&](const std::string& text, std::size_t from) {
        return device.Log("HOMEDECK.EXE").find(text, from) != std::string::npos;
    };

    // The information screen: 1013 to its last text, the free size.
    std::vector<double> info;
    for (int round = 0; round < 10; ++round) {
        const std::size_t from = device.Log("HOMEDECK.EXE").size();
        const auto start = Clock::now();
        control.Post("APP_HOMEDECK", kWmCommand, 1013, 0);
        if (auto ms = bench::Until(start, std::chrono::seconds(5), std::chrono::milliseconds(1),
                                   [&] { return log_has("DrawText 314,372,610,404", from); }))
            info.push_back(*ms);
        if (round == 0 && !log_has("\"1.023\"", from)) std::printf("the Telecast version did not show\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    bench::Report("information screen, 1013 to its last text (20 MB Telecast)", info);

    std::vector<double> updates, raws;
    for (int round = 0; round < kRounds; ++round) {
        {
            std::ofstream out(card / "UPDATE" / "UPDATE.PACK", std::ios::binary);
            out.write(reinterpret_cast<const char*>(pack->data()), static_cast<std::streamsize>(pack->size()));
        }
        const std::size_t from = device.Log("HOMEDECK.EXE").size();
        const auto start = Clock::now();
        control.Post("APP_HOMEDECK", kWmCommand, 1042, 0);
        const auto ms = bench::Until(start, std::chrono::minutes(5), std::chrono::milliseconds(2),
                                     [&] { return log_has("DrawText 164,44,620,80", from); });
        const std::string log = device.Log("HOMEDECK.EXE").substr(from);
        if (!ms || log.find("update done") == std::string::npos) {
            std::fprintf(stderr, "update_bench: the update failed\n%s", log.c_str());
            return 1;
        }
        updates.push_back(*ms - kFinishWaitMs);
        const auto times = log.find("Update times:");
        if (times != std::string::npos) std::printf("round %d: %s", round + 1, log.substr(times, log.find('\n', times) - times + 1).c_str());

        // The same bytes copied raw to the same places.
        const fs::path packed = card / "UPDATE" / "RAW.PACK";
        {
            std::ofstream out(packed, std::ios::binary);
            out.write(reinterpret_cast<const char*>(pack->data()), static_cast<std::streamsize>(pack->size()));
        }
        const auto raw_start = Clock::now();
        bool copied = RawCopy(packed, entries[0].offset, entries[0].length, device.Root() / "state" / "flash.img", 8 * 512);
        for (std::size_t i = 1; i < entries.size(); ++i)
            copied = copied && RawCopy(packed, entries[i].offset, entries[i].length, nand / ("RAW" + std::to_string(i) + ".EXE"), 0);
        raws.push_back(Millis(Clock::now() - raw_start));
        for (std::size_t i = 1; i < entries.size(); ++i) fs::remove(nand / ("RAW" + std::to_string(i) + ".EXE"));
        fs::remove(packed);
        if (!copied) std::printf("the raw copy failed\n");
    }
    const double megabytes = static_cast<double>(pack->size()) / kMegabyte;
    const double update = bench::Median(updates), raw = bench::Median(raws);
    bench::Report("update of a 64 MB pack, 1042 to 1050 less the 500 ms wait", updates);
    bench::Report("raw copy of the same bytes, 4 KB writes, flushed", raws);
    std::printf("update %.1f MB/s, raw copy %.1f MB/s, ratio %.2f (target at most 3)\n", megabytes / (update / 1000),
                megabytes / (raw / 1000), update / raw);
    std::printf("load average after: %s\n", bench::LoadAverage().c_str());
    control.Shutdown();
    return 0;
}
