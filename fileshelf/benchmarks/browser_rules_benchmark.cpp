// Adding a folder of 10,000 files to a play list of 10,000 rows, as FileShelf's add command does
// (target: well under 100 ms), and sorting a folder of 10,000 rows for the file list.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "fileshelf/browse_modes.h"
#include "fileshelf/file_entries.h"

namespace {

namespace fs = fileshelf;

constexpr int kRows = 10000;

std::string SongName(int i) { return "\xEB\x85\xB8\xEB\x9E\x98 " + std::to_string(i) + ".mp3"; }

// Stands in for the code page length; paths this short never ask for it.
std::size_t Utf8Length(std::string_view text) { return text.size(); }

// Arg 0: the folder's files are all new; arg 1: they are all in the play list already.
void AddFolderToPlayList(benchmark::State& state) {
    const bool duplicates = state.range(0) != 0;
    const std::string folder = "\\STORAGE CARD\\Music";
    std::vector<fs::ListItem> play_list;
    for (int i = 0; i < kRows; ++i) play_list.push_back(fs::MakePlayListItem(folder + "\\" + SongName(i)));
    std::vector<std::string> folder_names;  // in enumeration order
    for (int i = 0; i < kRows; ++i) folder_names.push_back(SongName(duplicates ? i : kRows + i));

    std::int64_t added = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<fs::ListItem> rows = play_list;
        state.ResumeTiming();

        fs::PlayListPaths paths;
        paths.Reserve(rows.size() + folder_names.size());
        for (const auto& row : rows) paths.Remember(row.path);
        for (const auto& name : folder_names) {
            const auto file = fs::MakeFileListItem(name, fs::EntryKind::File, fs::TypeTableOf(0), fs::Listing::FilesToAdd);
            if (!file) continue;
            if (auto item = fs::PlayListItemToAdd(folder, *file, paths, Utf8Length)) rows.push_back(std::move(*item));
        }
        const std::size_t expected = duplicates ? kRows : 2 * kRows;
        if (rows.size() != expected) state.SkipWithError("wrong row count");
        added += static_cast<std::int64_t>(rows.size()) - kRows;
        benchmark::DoNotOptimize(rows.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kRows);
    state.counters["added"] = benchmark::Counter(static_cast<double>(added) / static_cast<double>(state.iterations()));
}
BENCHMARK(AddFolderToPlayList)->Arg(0)->Arg(1)->ArgName("duplicates")->Unit(benchmark::kMillisecond);

// Arg: 0 plain order, 1 natural order.
void SortFolder(benchmark::State& state) {
    const auto order = state.range(0) ? fs::NameOrder::Natural : fs::NameOrder::Plain;
    std::vector<fs::ListItem> unsorted;
    for (int i = 0; i < kRows; ++i) {
        const int scrambled = (i * 7919) % kRows;
        if (i % 10 == 0) {
            unsorted.push_back(*fs::MakeFileListItem("Album " + std::to_string(scrambled), fs::EntryKind::Folder,
                                                     fs::kDefaultTypeTable, fs::Listing::Folder));
        } else {
            unsorted.push_back(*fs::MakeFileListItem((i % 2 ? "Track " : "track ") + std::to_string(scrambled) + ".mp3",
                                                     fs::EntryKind::File, fs::kDefaultTypeTable, fs::Listing::Folder));
        }
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<fs::ListItem> rows = unsorted;
        state.ResumeTiming();
        fs::SortFileList(rows, order);
        benchmark::DoNotOptimize(rows.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kRows);
}
BENCHMARK(SortFolder)->Arg(0)->Arg(1)->ArgName("natural")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
