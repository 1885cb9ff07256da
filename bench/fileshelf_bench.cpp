// Timed runs of FileShelf, the playlist editor, on a real server with big folders on the card,
// started by the player's stand-in as the players start it:
//   - Open on a folder of 10,000 files (1,000 with Korean names) to its first page in the file
//     list, beside Open on a folder of 8 files; the difference of the medians is FileShelf's
//     own building of the 10,000 rows, set beside a bare opendir/readdir + stat of the same
//     host folder;
//   - page down in that folder to new pixels in the file list, beside the skin demo's press
//     to its pressed button's pixels on the same device;
//   - Add with that folder checked, onto a play list of 10,000 loaded from MUSICLIST.M3U, to
//     the play list's new pixels (the scroll thumb moves, as the list was paged down first:
//     the rows on the page stay as they were) and, in other rounds, to the
//     "EnablePlaylistButtons" line FileShelf logs after every add, looked for in the log's new
//     bytes only: screenshots taken back to back keep the server busy, which on a machine of
//     few cores slows the add they time;
//   - FileShelf's start from a tap on the player to its whole first frame, with that play list
//     and with none.
// Taps count from the pen's release, since the dialog's buttons act on it. Screens are polled
// back to back; the median time of one screenshot is printed as the measure's grain. The
// card's 20,008 empty files are made once into the build tree and hard-linked into each run's
// device. Prints medians and 90th percentiles in milliseconds, and the load average around
// the run, since the figures depend on what else the machine does.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_report.h"
#include "bench/skin_demo_press.h"
#include "platform/testing/temporary_device.h"
#include "tools/devicectl/device_control.h"

namespace {

using Clock = std::chrono::steady_clock;
using devicectl::DeviceControl;
using Screen = DeviceControl::Screen;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr int kOpenRounds = 10;
constexpr int kPageRounds = 20;
constexpr int kAddRounds = 10;  // half timed by the screen, half by the log
constexpr int kStartRounds = 5;
constexpr int kPressRounds = 50;
constexpr int kPlayListPages = 20;
constexpr int kBigFolderFiles = 10000;
constexpr int kKoreanFiles = 1000;
constexpr int kFewFiles = 8;

// "노래" in UTF-8 (the card's names) and in code page 949 (the playlist file's paths).
const std::string kSong = "\xEB\x85\xB8\xEB\x9E\x98";
const std::string kSong949 = "\xB3\xEB\xB7\xA1";

// The card's folders, in the file list's order, so their rows are 0, 1 and 2.
constexpr const char* kFewFolder = "A Few";
constexpr const char* kBigFolder = "Folder 10000";
constexpr const char* kListedFolder = "Playlist 10000";
constexpr int kFewRow = 0, kBigRow = 1;

struct Point {
    int x, y;
};
struct Area {
    int left, top, width, height;
};
constexpr Area kFileList{452, 88, 346, 260}, kPlayList{5, 88, 346, 260}, kWholeScreen{0, 0, 800, 480};
constexpr Point kOpen{667, 446}, kGoUp{755, 446}, kAdd{398, 197}, kCancel{750, 16}, kFilePageDown{710, 379},
    kPlayPageDown{264, 379}, kPlayerWindow{400, 240};
Point FileRow(int row) { return {602, 88 + 1 + 32 * row + 16}; }

using bench::LoadAverage;
using bench::Median;
using bench::Millis;
using bench::Report;

// The name of the index'th file (from 0) of a folder of `count`: the last `korean` are
// "노래 0001.mp3" on; the others "<stem> 00001.mp3" on. UTF-8, or code page 949 for a playlist.
std::string FileName(const std::string& stem, int index, int count, int korean, bool code_page_949 = false) {
    char number[16];
    if (index >= count - korean) {
        std::snprintf(number, sizeof number, " %04d.mp3", index - (count - korean) + 1);
        return (code_page_949 ? kSong949 : kSong) + number;
    }
    std::snprintf(number, sizeof number, " %05d.mp3", index + 1);
    return stem + number;
}

// The card's folders of empty files, made once: FileShelf lists names and never reads a file.
// A stamp written last marks a complete card, so an interrupted making starts over.
bool MakeCard(const fs::path& card, std::string& failed) {
    const fs::path stamp = card / ".complete";
    if (fs::exists(stamp)) return true;
    std::error_code error;
    fs::remove_all(card, error);
    const auto fill = [&](const char* folder, const std::string& stem, int count, int korean) {
        fs::create_directories(card / folder, error);
        for (int i = 0; i < count && !error; ++i) {
            std::ofstream file(card / folder / fs::u8path(FileName(stem, i, count, korean)));
            if (!file) error = std::make_error_code(std::errc::io_error);
        }
        return !error;
    };
    if (!fill(kFewFolder, "few", kFewFiles, 2) || !fill(kBigFolder, "track", kBigFolderFiles, kKoreanFiles) ||
        !fill(kListedFolder, "listed", kBigFolderFiles, kKoreanFiles)) {
        failed = "the card could not be made in " + card.string() + ": " + error.message();
        return false;
    }
    std::ofstream(stamp) << "made\n";
    return true;
}

// A play list of every file of the listed folder, as the players write it.
void WritePlaylist(const fs::path& file) {
    std::ofstream out(file, std::ios::binary);
    out << "#EXTM3U\r\n";
    for (int i = 0; i < kBigFolderFiles; ++i)
        out << "#EXTINF:0\r\n\\STORAGE CARD\\" << kListedFolder << "\\"
            << FileName("listed", i, kBigFolderFiles, kKoreanFiles, true) << "\r\n";
}

// opendir/readdir and a stat of each entry: the least any listing of the folder costs.
double BareListing(const fs::path& folder) {
    const auto start = Clock::now();
    DIR* dir = ::opendir(folder.c_str());
    std::size_t files = 0;
    while (dirent* entry = dir ? ::readdir(dir) : nullptr) {
        struct stat info {};
        const std::string path = folder.string() + "/" + entry->d_name;
        if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) ++files;
    }
    if (dir) ::closedir(dir);
    const double taken = Millis(Clock::now() - start);
    return files == static_cast<std::size_t>(kBigFolderFiles) ? taken : -1;
}

class ShelfBench {
public:
    bool Prepare(std::string& failed) {
        const fs::path card = fs::path(FILESHELF_BENCH_CARD_DIR);
        if (!MakeCard(card, failed)) return false;
        std::error_code error;
        fs::copy(card, Host("STORAGE CARD"), fs::copy_options::recursive | fs::copy_options::create_hard_links, error);
        if (error) {
            error.clear();
            fs::copy(card, Host("STORAGE CARD"), fs::copy_options::recursive | fs::copy_options::skip_existing, error);
        }
        fs::remove(Host("STORAGE CARD") / ".complete", error);
        fs::create_directories(Host("USB DRIVE"), error);
        fs::copy(FILESHELF_RESOURCES, Host("NAND") / "FILESHELF", fs::copy_options::recursive, error);
        fs::copy(SKINDEMO_RESOURCES, Host("NAND") / "SKINDEMO", fs::copy_options::recursive, error);
        if (error) {
            failed = "the device could not be filled: " + error.message();
            return false;
        }
        if (!m_device.Install(FILESHELF_BINARY, "FILESHELF.EXE") ||
            !m_device.InstallAt(LIST_PLAYER_BINARY, "\\NAND\\LISTPLAYER.EXE") ||
            !m_device.Install(SKINDEMO_BINARY, "SKINDEMO.EXE") || !m_device.StartServer()) {
            failed = "the device did not start";
            return false;
        }
        return true;
    }

    fs::path Host(const std::string& relative) const { return m_device.Root() / "fs" / fs::u8path(relative); }
    DeviceControl& Control() { return m_control; }

    std::optional<Screen> Shot() {
        DWORD error = 0;
        const auto start = Clock::now();
        auto screen = m_control.Screenshot(error);
        m_shot_times.push_back(Millis(Clock::now() - start));
        return screen;
    }
    const std::vector<double>& ShotTimes() const { return m_shot_times; }

    bool Tap(Point point) { return m_control.Tap(point.x, point.y) == 0; }
    // Taps and lets the screen catch up, for the steps that are not timed.
    bool Step(Point point) {
        if (!Tap(point)) return false;
        std::this_thread::sleep_for(300ms);
        return true;
    }
    // Presses, then counts from the release: the time the release was sent.
    Clock::time_point Release(Point point) {
        m_control.Press(point.x, point.y);
        const auto released = Clock::now();
        m_control.Release(point.x, point.y);
        return released;
    }

    bool WaitWindow(const std::string& title, bool shown) {
        for (int i = 0; i < 2500; ++i) {
            if ((m_control.FindWindowByName(title) != 0) == shown) return true;
            std::this_thread::sleep_for(2ms);
        }
        return false;
    }

    // Polls the screen from `start` until `done` holds for it; the time taken, or nothing
    // after 5 s.
    std::optional<double> Until(Clock::time_point start, const std::function<bool(const Screen&)>& done) {
        while (Clock::now() - start < 5s) {
            const auto screen = Shot();
            if (screen && done(*screen)) return Millis(Clock::now() - start);
        }
        return std::nullopt;
    }

    // FileShelf's log from where the last look stopped: how often `text` came since, counting
    // a line cut by a write in progress once it is whole.
    int LogCountSince(const std::string& text) {
        std::ifstream in(m_device.Root() / "state" / "logs" / "FILESHELF.EXE.log", std::ios::binary);
        in.seekg(static_cast<std::streamoff>(m_log_read));
        std::string added((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::size_t whole = added.rfind('\n');
        if (whole == std::string::npos) return 0;
        added.resize(whole + 1);
        m_log_read += added.size();
        int count = 0;
        for (std::size_t at = added.find(text); at != std::string::npos; at = added.find(text, at + 1)) ++count;
        return count;
    }

private:
    platform::testing::TemporaryDevice m_device;
    DeviceControl m_control{m_device.Root()};
    std::vector<double> m_shot_times;
    std::size_t m_log_read = 0;
};

struct Sample {
    int x, y;
    std::uint32_t colour;
};

// The points of an area, on a grid of `step`, where `after` differs from `before`.
std::vector<Sample> Differences(const Screen& before, const Screen& after, Area area, int step) {
    std::vector<Sample> points;
    for (int y = area.top; y < area.top + area.height; y += step)
        for (int x = area.left; x < area.left + area.width; x += step)
            if (after.At(x, y) != before.At(x, y)) points.push_back({x, y, after.At(x, y)});
    return points;
}

bool ShowsAll(const Screen& screen, const std::vector<Sample>& points) {
    return std::all_of(points.begin(), points.end(),
                       [&](const Sample& p) { return screen.At(p.x, p.y) == p.colour; });
}

bool DiffersIn(const Screen& screen, const Screen& before, Area area) {
    for (int y = area.top; y < area.top + area.height; ++y)
        for (int x = area.left; x < area.left + area.width; ++x)
            if (screen.At(x, y) != before.At(x, y)) return true;
    return false;
}

// Open on the folder at `row` of the card, to its first page, and Go up back, `rounds` times.
// The first page counts as shown when the file list shows every point where the settled page
// differs from the card's list.
std::optional<std::vector<double>> TimeOpen(ShelfBench& bench, int row, int rounds) {
    // The settled pages, taken once: the folder's, and the card's as Go up leaves it (the
    // tap's check mark gone with the rebuilt rows).
    if (!bench.Step(FileRow(row)) || !bench.Tap(kOpen)) return std::nullopt;
    std::this_thread::sleep_for(1500ms);
    const auto opened = bench.Shot();
    if (!opened || !bench.Tap(kGoUp)) return std::nullopt;
    std::this_thread::sleep_for(1000ms);
    const auto parent = bench.Shot();
    if (!parent) return std::nullopt;
    const auto page_points = Differences(*parent, *opened, kFileList, 2);
    const auto parent_points = Differences(*opened, *parent, kFileList, 2);
    if (page_points.size() < 50) return std::nullopt;
    std::vector<double> samples;
    for (int round = 0; round < rounds; ++round) {
        // Back on the card's list with the folder just left selected, as Go up leaves it.
        if (!bench.Until(Clock::now(), [&](const Screen& s) { return ShowsAll(s, parent_points); })) return std::nullopt;
        std::this_thread::sleep_for(150ms);
        const auto taken = bench.Until(bench.Release(kOpen), [&](const Screen& s) { return ShowsAll(s, page_points); });
        if (!taken) return std::nullopt;
        samples.push_back(*taken);
        std::this_thread::sleep_for(150ms);
        if (!bench.Tap(kGoUp)) return std::nullopt;
    }
    if (!bench.Until(Clock::now(), [&](const Screen& s) { return ShowsAll(s, parent_points); })) return std::nullopt;
    std::this_thread::sleep_for(150ms);
    return samples;
}

// Page down in the open folder to the first new pixels in the file list, `rounds` times; each
// next page down waits until the screen has held still for 100 ms.
std::optional<std::vector<double>> TimePageDown(ShelfBench& bench, int rounds) {
    std::vector<double> samples;
    for (int round = 0; round < rounds; ++round) {
        auto before = bench.Shot();
        for (int still = 0; before && still < 5;) {
            std::this_thread::sleep_for(20ms);
            auto now = bench.Shot();
            still = now && !DiffersIn(*now, *before, kWholeScreen) ? still + 1 : 0;
            before = std::move(now);
        }
        if (!before) return std::nullopt;
        const auto taken =
            bench.Until(bench.Release(kFilePageDown), [&](const Screen& s) { return DiffersIn(s, *before, kFileList); });
        if (!taken) return std::nullopt;
        samples.push_back(*taken);
    }
    return samples;
}

// A tap on the player's window starts FileShelf; the start counts as done when the screen
// shows every point where FileShelf's settled first frame differs from the player's. Cancel
// ends each round. The window's appearing is timed beside.
bool TimeStart(ShelfBench& bench, int rounds, std::vector<double>& whole, std::vector<double>& window) {
    const auto player = bench.Shot();
    if (!player || !bench.Tap(kPlayerWindow) || !bench.WaitWindow("APP_BROWSER", true)) return false;
    std::this_thread::sleep_for(1500ms);
    const auto shown = bench.Shot();
    if (!shown || !bench.Tap(kCancel) || !bench.WaitWindow("APP_BROWSER", false)) return false;
    const auto points = Differences(*player, *shown, kWholeScreen, 8);
    if (points.size() < 100) return false;
    for (int round = 0; round < rounds; ++round) {
        std::this_thread::sleep_for(300ms);
        const auto start = bench.Release(kPlayerWindow);
        if (!bench.WaitWindow("APP_BROWSER", true)) return false;
        window.push_back(Millis(Clock::now() - start));
        const auto taken = bench.Until(start, [&](const Screen& s) { return ShowsAll(s, points); });
        if (!taken) return false;
        whole.push_back(*taken);
        if (!bench.Tap(kCancel) || !bench.WaitWindow("APP_BROWSER", false)) return false;
    }
    return true;
}

int Run() {
    std::printf("load average before: %s\n", LoadAverage().c_str());
    ShelfBench bench;
    std::string failed;
    if (!bench.Prepare(failed)) {
        std::fprintf(stderr, "fileshelf_bench: %s\n", failed.c_str());
        return 1;
    }
    DWORD error = 0;
    if (!bench.Control().Start("\\NAND\\LISTPLAYER.EXE", "APP_MUSIC", error) || !bench.WaitWindow("APP_BROWSER", true)) {
        std::fprintf(stderr, "fileshelf_bench: FileShelf did not start (%lu)\n", static_cast<unsigned long>(error));
        return 1;
    }
    std::this_thread::sleep_for(1000ms);

    // 1. Open, into the card first; then the big folder and the small one.
    if (!bench.Step(FileRow(0)) || !bench.Step(kOpen)) return 1;
    const auto open_big = TimeOpen(bench, kBigRow, kOpenRounds);
    const auto open_few = TimeOpen(bench, kFewRow, kOpenRounds);
    if (!open_big || !open_few) {
        std::fprintf(stderr, "fileshelf_bench: an opened folder's first page did not show\n");
        return 1;
    }
    std::vector<double> bare;
    for (int round = 0; round < kOpenRounds; ++round) bare.push_back(BareListing(bench.Host("STORAGE CARD") / kBigFolder));
    if (Median(bare) < 0) {
        std::fprintf(stderr, "fileshelf_bench: the bare listing did not find the folder's files\n");
        return 1;
    }
    const double build = Median(*open_big) - Median(*open_few);
    Report("Open on 10,000 files to their first page (target 150 ms)", *open_big);
    Report("Open on 8 files to their first page", *open_few);
    std::printf("  FileShelf's build of 10,000 rows (difference of medians): %.2f ms\n", build);
    Report("bare opendir/readdir + stat of the 10,000 files (host)", bare);
    std::printf("  FileShelf's build against the bare listing: %.1f times\n", build / Median(bare));

    // 2. Page down inside the big folder.
    if (!bench.Step(FileRow(kBigRow)) || !bench.Step(kOpen)) return 1;
    const auto pages = TimePageDown(bench, kPageRounds);
    if (!pages) {
        std::fprintf(stderr, "fileshelf_bench: a page down did not show\n");
        return 1;
    }

    // 3. Add onto a play list of 10,000: FileShelf restarted with the list, its play list
    // paged down so that the scroll thumb moves when the list doubles. The big folder's
    // row is checked by its tap; Cancel leaves the playlist file as it was for the next round.
    if (!bench.Step(kCancel) || !bench.WaitWindow("APP_BROWSER", false)) return 1;
    std::vector<double> start_empty, window_empty, start_full, window_full;
    if (!TimeStart(bench, kStartRounds, start_empty, window_empty)) {
        std::fprintf(stderr, "fileshelf_bench: FileShelf's start did not show whole\n");
        return 1;
    }
    WritePlaylist(bench.Host("NAND/MUSICLIST.M3U"));
    if (!TimeStart(bench, kStartRounds, start_full, window_full)) {
        std::fprintf(stderr, "fileshelf_bench: FileShelf's start with 10,000 entries did not show whole\n");
        return 1;
    }
    std::vector<double> add_pixels, add_logged, log_looks;
    for (int round = 0; round < kAddRounds; ++round) {
        if (!bench.Step(kPlayerWindow) || !bench.WaitWindow("APP_BROWSER", true)) return 1;
        std::this_thread::sleep_for(700ms);
        if (!bench.Step(FileRow(0)) || !bench.Step(kOpen)) return 1;
        // 20 pages down: far enough for the thumb to move by pixels when the list doubles.
        if (bench.Control().Tap(kPlayPageDown.x, kPlayPageDown.y, kPlayListPages, 60ms) != 0) return 1;
        std::this_thread::sleep_for(kPlayListPages * 60ms + 500ms);
        if (!bench.Step(FileRow(kBigRow))) return 1;
        const auto before = bench.Shot();
        bench.LogCountSince("EnablePlaylistButtons");
        if (!before) return 1;
        const auto start = bench.Release(kAdd);
        // Odd rounds look at the screen, even ones at the log alone: the back-to-back
        // screenshots cost the server a core, which the log's look does not.
        const bool by_screen = round % 2 == 1;
        std::optional<double> taken;
        while (!taken && Clock::now() - start < 5s) {
            if (by_screen) {
                const auto screen = bench.Shot();
                if (screen && DiffersIn(*screen, *before, kPlayList)) taken = Millis(Clock::now() - start);
            } else {
                const auto look = Clock::now();
                if (bench.LogCountSince("EnablePlaylistButtons") > 0) taken = Millis(Clock::now() - start);
                log_looks.push_back(Millis(Clock::now() - look));
                if (!taken) std::this_thread::sleep_for(250us);  // leaves the cores to FileShelf
            }
        }
        if (!taken) {
            std::fprintf(stderr, "fileshelf_bench: the add did not show (%s)\n", by_screen ? "no new pixels" : "no log line");
            return 1;
        }
        (by_screen ? add_pixels : add_logged).push_back(*taken);
        if (!bench.Step(kCancel) || !bench.WaitWindow("APP_BROWSER", false)) return 1;
    }

    // The skin demo's press to pixels on the same device, for beside the page down.
    if (!bench.Control().Start("\\NAND\\SKINDEMO.EXE", "", error) || !bench.WaitWindow("SkinDemo", true)) return 1;
    std::this_thread::sleep_for(500ms);
    const auto presses = bench::SkinDemoPressTimes(bench.Control(), kPressRounds);
    bench.Control().Close("SkinDemo");
    if (!presses) {
        std::fprintf(stderr, "fileshelf_bench: the skin demo's pressed frame did not show\n");
        return 1;
    }
    std::vector<double> press_ms;
    for (double us : *presses) press_ms.push_back(us / 1000);

    Report("page down in 10,000 files to new pixels", *pages);
    Report("skin demo press to pressed pixels (same device)", press_ms);
    std::printf("  page down against the skin demo's press: %.1f times\n", Median(*pages) / Median(press_ms));
    Report("Add 10,000 onto 10,000: to the play list's new pixels", add_pixels);
    Report("Add 10,000 onto 10,000: to its EnablePlaylistButtons line", add_logged);
    Report("  one look at the log (new bytes only)", log_looks);
    Report("FileShelf start with 10,000 entries: to its whole frame", start_full);
    Report("FileShelf start with no play list: to its whole frame", start_empty);
    std::printf("  start with 10,000 entries against none: %.1f times (%.1f ms more)\n",
                Median(start_full) / Median(start_empty), Median(start_full) - Median(start_empty));
    Report("FileShelf start with 10,000 entries: to its window", window_full);
    Report("FileShelf start with no play list: to its window", window_empty);
    Report("one screenshot poll (the measure's grain)", bench.ShotTimes());
    std::printf("load average after: %s\n", LoadAverage().c_str());
    return 0;
}

}  // namespace

int main() { return Run(); }
