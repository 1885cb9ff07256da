// Reading a playlist of 10,000 entries, as Music does when it starts (target: under 10 ms).
#include <benchmark/benchmark.h>

#include "fileshelf/playlist_file.h"
#include "platform/files/tests/temp_device_root.h"

namespace {

constexpr int kEntries = 10000;

void WritePlaylist(bool korean) {
    fileshelf::PlaylistFile playlist;
    playlist.Open(fileshelf::kMusicPlaylistPath, fileshelf::PlaylistAccess::Write);
    const std::string folder = korean ? "\\STORAGE CARD\\\xEC\x9D\x8C\xEC\x95\x85\\" : "\\STORAGE CARD\\Music\\";
    for (int i = 0; i < kEntries; ++i) {
        const std::string name = (korean ? "\xEB\x85\xB8\xEB\x9E\x98 " : "Song ") + std::to_string(i);
        playlist.WriteEntry(folder + "Album " + std::to_string(i / 12) + "\\" + name + ".mp3", name, i * 1000);
    }
}

void ReadPlaylist(benchmark::State& state) {
    platform::testing::TempDeviceRoot device;
    WritePlaylist(state.range(0) != 0);
    std::int64_t entries = 0;
    for (auto _ : state) {
        fileshelf::PlaylistFile playlist;
        playlist.Open(fileshelf::kMusicPlaylistPath, fileshelf::PlaylistAccess::Read);
        std::string path, title;
        std::int32_t duration = 0;
        int count = 0;
        while (playlist.ReadEntry(path, title, duration)) ++count;
        if (count != kEntries) state.SkipWithError("wrong entry count");
        entries += count;
        benchmark::DoNotOptimize(path);
    }
    state.SetItemsProcessed(entries);
}
BENCHMARK(ReadPlaylist)->Arg(0)->Arg(1)->ArgName("korean")->Unit(benchmark::kMillisecond);

void WritePlaylistBenchmark(benchmark::State& state) {
    platform::testing::TempDeviceRoot device;
    for (auto _ : state) WritePlaylist(false);
}
BENCHMARK(WritePlaylistBenchmark)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
