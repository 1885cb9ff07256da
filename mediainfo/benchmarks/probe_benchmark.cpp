// How fast the probe reads a file's headers.
//
// SparseMp4MovieBoxAtTheEnd: a 2 GB MP4 (sparse) whose movie box follows 2 GB of media data,
// probed with the file's pages dropped from the page cache before each probe (cold). The probe
// reads the same few blocks whatever the file's size; the "reads" counter shows how many.
// GStreamerCorpus: every file the GStreamer comparison test generated, probed warm, whole and
// cut to its first three fifths: a cut file must cost no more than the whole one.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "mediainfo/media_probe.h"
#include "mediainfo/host_file.h"

namespace {

namespace fs = std::filesystem;
using mediainfo::HostFile;

const fs::path kGStreamerFiles = MEDIAINFO_GST_DIR;

std::vector<std::uint8_t> ReadWhole(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t Be32(const std::uint8_t* p) { return (p[0] << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

// Builds <dir>/sparse_2g.mp4 from the generated H.264/AAC MP4: its ftyp, a 2 GB mdat that holds
// nothing (a hole), and its moov at the end.
fs::path MakeSparseMp4(const fs::path& source, std::uint64_t size)
{
    const fs::path target = fs::temp_directory_path() / "mediainfo_sparse_2g.mp4";
    const std::vector<std::uint8_t> bytes = ReadWhole(source);
    std::vector<std::uint8_t> ftyp, moov;
    for (std::size_t position = 0; position + 8 <= bytes.size();) {
        const std::uint32_t box = Be32(bytes.data() + position);
        if (box < 8 || position + box > bytes.size())
            break;
        const std::string type(reinterpret_cast<const char*>(bytes.data() + position + 4), 4);
        if (type == "ftyp")
            ftyp.assign(bytes.begin() + position, bytes.begin() + position + box);
        if (type == "moov")
            moov.assign(bytes.begin() + position, bytes.begin() + position + box);
        position += box;
    }
    if (ftyp.empty() || moov.empty())
        return {};
    const std::uint64_t mdat = size - ftyp.size() - moov.size();
    const int descriptor = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const std::uint8_t header[8] = {static_cast<std::uint8_t>(mdat >> 24), static_cast<std::uint8_t>(mdat >> 16),
                                    static_cast<std::uint8_t>(mdat >> 8), static_cast<std::uint8_t>(mdat), 'm', 'd', 'a', 't'};
    bool ok = descriptor >= 0 && pwrite(descriptor, ftyp.data(), ftyp.size(), 0) == static_cast<ssize_t>(ftyp.size()) &&
              pwrite(descriptor, header, 8, static_cast<off_t>(ftyp.size())) == 8 &&
              pwrite(descriptor, moov.data(), moov.size(), static_cast<off_t>(ftyp.size() + mdat)) ==
                  static_cast<ssize_t>(moov.size());
    if (descriptor >= 0)
        close(descriptor);
    return ok ? target : fs::path();
}

void DropFromPageCache(const fs::path& path)
{
    const int descriptor = open(path.c_str(), O_RDONLY);
    if (descriptor >= 0) {
        fdatasync(descriptor);
        posix_fadvise(descriptor, 0, 0, POSIX_FADV_DONTNEED);
        close(descriptor);
    }
}

void SparseMp4MovieBoxAtTheEnd(benchmark::State& state)
{
    const fs::path path = MakeSparseMp4(kGStreamerFiles / "h264_aac.mp4", 2ull * 1024 * 1024 * 1024);
    if (path.empty()) {
        state.SkipWithError("run mediainfo_gstreamer_tests first: it generates h264_aac.mp4");
        return;
    }
    int reads = 0;
    for (auto _ : state) {
        state.PauseTiming();
        DropFromPageCache(path);
        state.ResumeTiming();
        HostFile file(path.string());
        mediainfo::MediaInfo info;
        benchmark::DoNotOptimize(mediainfo::ProbeFile(file, info));
        reads = file.Reads();
        if (info.status != 0 || info.kind != mediainfo::MediaKind::Mp4 || info.durationSec == 0)
            state.SkipWithError("the sparse MP4 was not read");
    }
    state.counters["reads"] = reads;
    state.counters["file_GB"] = 2;
    fs::remove(path);
}
BENCHMARK(SparseMp4MovieBoxAtTheEnd)->Unit(benchmark::kMillisecond)->Iterations(20);

// The generated files, whole or as the cut copies (their first three fifths) that the
// comparison test writes beside them.
enum class Corpus { Whole, Cut };

void GStreamerCorpus(benchmark::State& state, Corpus corpus)
{
    std::vector<fs::path> files;
    if (fs::exists(kGStreamerFiles))
        for (const auto& entry : fs::directory_iterator(kGStreamerFiles)) {
            const std::string extension = entry.path().extension().string();
            if (extension != ".part" && (extension == ".cut") == (corpus == Corpus::Cut))
                files.push_back(entry.path());
        }
    if (files.empty()) {
        state.SkipWithError("run mediainfo_gstreamer_tests first: it generates the files");
        return;
    }
    std::int64_t reads = 0;
    for (auto _ : state) {
        for (const fs::path& path : files) {
            HostFile file(path.string());
            mediainfo::MediaInfo info;
            benchmark::DoNotOptimize(mediainfo::ProbeFile(file, info));
            reads += file.Reads();
        }
    }
    state.counters["files"] = static_cast<double>(files.size());
    state.counters["reads_per_file"] =
        static_cast<double>(reads) / static_cast<double>(state.iterations() * static_cast<std::int64_t>(files.size()));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(files.size()));
}
BENCHMARK_CAPTURE(GStreamerCorpus, whole, Corpus::Whole)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(GStreamerCorpus, cut, Corpus::Cut)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
