#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "fileshelf/browse_modes.h"
#include "fileshelf/file_entries.h"
#include "fileshelf/list_buttons.h"
#include "fileshelf/name_text.h"

namespace fs = fileshelf;

namespace {

const std::string kSong = "\xEB\x85\xB8\xEB\x9E\x98";   // "노래", three UTF-8 bytes a syllable
const std::string kReplacement = "\xEF\xBF\xBD";        // U+FFFD
const std::string kEmoji = "\xF0\x9F\x8E\xB5";           // U+1F3B5, two UTF-16 units

// The byte length in code page 949: one byte for ASCII, two for a Korean syllable, and one for
// a character the code page lacks ('?'), which stands in for anything else here.
std::size_t Cp949Length(std::string_view utf8) {
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead == 0xEA || lead == 0xEB || lead == 0xEC || lead == 0xED) {
            bytes += 2;
            i += 3;
        } else {
            bytes += 1;
            i += lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        }
    }
    return bytes;
}

fs::ListItem File(const std::string& name) {
    return *fs::MakeFileListItem(name, fs::EntryKind::File, fs::kDefaultTypeTable, fs::Listing::Folder);
}
fs::ListItem Folder(const std::string& name) {
    return *fs::MakeFileListItem(name, fs::EntryKind::Folder, fs::kDefaultTypeTable, fs::Listing::Folder);
}

// --- Browse modes -------------------------------------------------------------------------------

TEST(BrowseModes, CommandLineWordPicksTheMode) {
    const std::pair<std::string, int> cases[] = {
        {"APP_MUSIC", 0}, {"app_music", 0}, {"APP_PHOTO", 1}, {"App_Movie", 2}, {"APP_TEXT", 3},
        {"", fs::kNoMode}, {"APP_MUSICX", fs::kNoMode}, {"APP_MUSI", fs::kNoMode}, {"APP_BROWSER", fs::kNoMode},
    };
    for (const auto& [word, mode] : cases) EXPECT_EQ(fs::FindBrowseMode(word), mode) << word;
}

TEST(BrowseModes, WithoutAModeTheDefaultTypesAreListed) {
    EXPECT_EQ(fs::TypeTableOf(fs::kNoMode), fs::kDefaultTypeTable);
    EXPECT_EQ(fs::TypeTableOf(4), fs::kDefaultTypeTable);
    EXPECT_FALSE(fs::BrowseModeAt(fs::kNoMode));
}

TEST(BrowseModes, ResultToThePlayer) {
    EXPECT_EQ(fs::PlaylistResultFor(0, fs::DialogEnd::Confirmed, 7), (fs::PlaylistResult{7, 0}));
    EXPECT_EQ(fs::PlaylistResultFor(2, fs::DialogEnd::Cancelled, 7), (fs::PlaylistResult{0, 1}));
    EXPECT_FALSE(fs::PlaylistResultFor(fs::kNoMode, fs::DialogEnd::Confirmed, 3));
    EXPECT_FALSE(fs::PlaylistResultFor(fs::kNoMode, fs::DialogEnd::Cancelled, 0));
}

// --- Type lookup --------------------------------------------------------------------------------

TEST(TypeLookup, ExtensionsMatchByPrefixIgnoringCase) {
    const std::string music(fs::TypeTableOf(0));
    const std::string movie(fs::TypeTableOf(2));
    const std::string fallback(fs::kDefaultTypeTable);
    struct Case {
        std::string name, table;
        std::int32_t type;
    } cases[] = {
        {"A.MP3", music, fs::kTypeAudio},
        {"c.mp4", music, fs::kTypeNotShown},
        {"c.mp4", movie, fs::kTypeVideo},
        {"x.mp3a", fallback, fs::kTypeAudio},  // the table's "mp3" is a prefix of "mp3a"
        {"x.mp", fallback, fs::kTypeNotShown},
        {"x.jpeg", fallback, fs::kTypeNotShown},
        {"README", fallback, fs::kTypeNotShown},
        {"song.", fallback, fs::kTypeNotShown},
        {".mp3", fallback, fs::kTypeAudio},
        {"a.b.WMA", fallback, fs::kTypeAudio},
        {"\\STORAGE CARD\\x.mp3\\README", fallback, fs::kTypeNotShown},  // the dot is in a folder
        {"/USB DRIVE/clip.AVI", fallback, fs::kTypeVideo},
        {kSong + " 01.mp3", music, fs::kTypeAudio},
        {kReplacement + ".png", fallback, fs::kTypePicture},
        {"notes.txt", fs::TypeTableOf(3).data(), fs::kTypePicture},
    };
    for (const auto& c : cases) EXPECT_EQ(fs::LookUpType(c.name, c.table), c.type) << c.name << " in " << c.table;
}

TEST(TypeLookup, LettersAndOddTables) {
    const std::pair<char, std::int32_t> letters[] = {{'P', 2}, {'V', 3}, {'A', 4}, {'T', 5}, {'L', 6}, {'X', 0}, {'a', 0}};
    for (const auto& [letter, code] : letters) EXPECT_EQ(fs::TypeCodeOfLetter(letter), code) << letter;
    EXPECT_EQ(fs::LookUpType("x.m3u", "m3u:L"), fs::kTypeList);
    EXPECT_EQ(fs::LookUpType("x.mp3", "mp3:"), fs::kTypeOther);
    EXPECT_EQ(fs::LookUpType("x.mp3", ""), fs::kTypeNotShown);
    // An entry without ':' or with an empty extension matches nothing; later entries still do.
    EXPECT_EQ(fs::LookUpType("x.mp3", ":A;mp3A;;wma:V"), fs::kTypeNotShown);
    EXPECT_EQ(fs::LookUpType("x.wma", ":A;mp3A;;wma:V"), fs::kTypeVideo);
    EXPECT_EQ(fs::LookUpType("x.mp3", "mp3:A;mp3:V"), fs::kTypeAudio);
}

// --- File-list rows -----------------------------------------------------------------------------

TEST(FileListRows, TopLevelListsOnlyTheTwoVolumes) {
    const auto top = [](const std::string& name, fs::EntryKind kind) {
        return fs::MakeFileListItem(name, kind, fs::kDefaultTypeTable, fs::Listing::TopLevel).has_value();
    };
    EXPECT_TRUE(top("STORAGE CARD", fs::EntryKind::Folder));
    EXPECT_TRUE(top("usb drive", fs::EntryKind::Folder));
    EXPECT_FALSE(top("NAND", fs::EntryKind::Folder));
    EXPECT_FALSE(top("STORAGE CARD2", fs::EntryKind::Folder));
    EXPECT_FALSE(top("STORAGE CARD", fs::EntryKind::File));
    EXPECT_FALSE(top("song.mp3", fs::EntryKind::File));
}

TEST(FileListRows, WhatARowHoldsAndShows) {
    EXPECT_EQ(File("Best Of.2020.MP3"), (fs::ListItem{"Best Of.2020.MP3", "Best Of.2020", fs::kTypeAudio, fs::ItemKind::File}));
    EXPECT_EQ(Folder("Album.2020"), (fs::ListItem{"Album.2020", "Album.2020", fs::kTypeFolder, fs::ItemKind::Folder}));
    EXPECT_EQ(File(kSong + " 01.mp3").display_name, kSong + " 01");
    const std::string long_name = std::string(251, 'n') + ".mp3";  // 255 characters
    EXPECT_EQ(File(long_name).display_name, std::string(251, 'n'));

    const auto listed = [](const std::string& name, fs::EntryKind kind, fs::Listing listing) {
        return fs::MakeFileListItem(name, kind, fs::kDefaultTypeTable, listing).has_value();
    };
    EXPECT_FALSE(listed(".mp3", fs::EntryKind::File, fs::Listing::Folder));
    EXPECT_FALSE(listed(".Trash", fs::EntryKind::Folder, fs::Listing::Folder));
    EXPECT_FALSE(listed("song.", fs::EntryKind::File, fs::Listing::Folder));
    EXPECT_FALSE(listed("", fs::EntryKind::File, fs::Listing::Folder));
    EXPECT_FALSE(listed("Sub", fs::EntryKind::Folder, fs::Listing::FilesToAdd));
    EXPECT_TRUE(listed("a.wma", fs::EntryKind::File, fs::Listing::FilesToAdd));
}

TEST(FileListRows, DisplayNameOfPlaylistPaths) {
    const std::pair<std::string, std::string> cases[] = {
        {"\\STORAGE CARD\\Music\\a.b.mp3", "a.b"}, {"\\USB DRIVE/x/README", "README"},
        {"\\STORAGE CARD\\v1.0\\clip", "clip"},    {"trailing.", "trailing"},
        {"\\STORAGE CARD\\.mp3", ""},
    };
    for (const auto& [path, shown] : cases) EXPECT_EQ(fs::MakePlayListItem(path).display_name, shown) << path;
    EXPECT_EQ(fs::MakePlayListItem("\\a.mp3").path, "\\a.mp3");
    EXPECT_EQ(fs::MakePlayListItem("\\a.mp3").kind, fs::ItemKind::Unset);
}

// --- File-list order ----------------------------------------------------------------------------

std::vector<std::string> Names(const std::vector<fs::ListItem>& rows) {
    std::vector<std::string> names;
    for (const auto& row : rows) names.push_back(row.path);
    return names;
}

TEST(FileListOrder, FoldersFirstThenDisplayNameIgnoringCaseThenFullName) {
    std::vector<fs::ListItem> rows = {File("b.mp3"), Folder("zeta"), File("a.wma"), File("A.mp3"),
                                      Folder("Alpha"), File("a.mp3"), File("B.avi")};
    fs::SortFileList(rows);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"Alpha", "zeta", "A.mp3", "a.mp3", "a.wma", "B.avi", "b.mp3"}));
}

TEST(FileListOrder, NaturalOrderComparesNumbersByValue) {
    std::vector<fs::ListItem> rows = {File("Track 10.mp3"), File("Track 2.mp3"), File("track 02.mp3"),
                                      File("Track 1.mp3"), File("Track.mp3"), File("Track 9a.mp3")};
    fs::SortFileList(rows, fs::NameOrder::Natural);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"Track.mp3", "Track 1.mp3", "track 02.mp3", "Track 2.mp3",
                                                    "Track 9a.mp3", "Track 10.mp3"}));
    fs::SortFileList(rows, fs::NameOrder::Plain);
    EXPECT_EQ(Names(rows), (std::vector<std::string>{"Track.mp3", "track 02.mp3", "Track 1.mp3", "Track 10.mp3",
                                                    "Track 2.mp3", "Track 9a.mp3"}));
    // Runs longer than any integer type still compare.
    EXPECT_LT(fs::CompareNames(std::string(40, '9'), "1" + std::string(40, '0'), fs::NameOrder::Natural), 0);
}

// Checks irreflexivity, asymmetry, transitivity and transitivity of equivalence on all triples.
template <class Less>
void ExpectStrictWeakOrder(const std::vector<fs::ListItem>& items, Less less) {
    const auto equivalent = [&](const auto& a, const auto& b) { return !less(a, b) && !less(b, a); };
    for (const auto& a : items) {
        ASSERT_FALSE(less(a, a)) << a.path;
        for (const auto& b : items) {
            if (less(a, b)) {
                ASSERT_FALSE(less(b, a)) << a.path << " / " << b.path;
            }
            for (const auto& c : items) {
                if (less(a, b) && less(b, c)) {
                    ASSERT_TRUE(less(a, c)) << a.path << " < " << b.path << " < " << c.path;
                }
                if (equivalent(a, b) && equivalent(b, c)) {
                    ASSERT_TRUE(equivalent(a, c)) << a.path << " ~ " << b.path << " ~ " << c.path;
                }
            }
        }
    }
}

TEST(FileListOrder, IsAStrictWeakOrderOnAwkwardNames) {
    std::vector<fs::ListItem> items;
    for (const char* name : {"a", "A", "a1", "a01", "a001", "a1b", "a10", "a9", "0", "00", "", "_", "[", "z", "Z",
                             "a.b", "a.B", "10.mp3", "9.mp3", "\x80", "\xFF", "a\xFF"}) {
        items.push_back({name, std::string(fs::FileDisplayName(name)), 4, fs::ItemKind::File});
        items.push_back({name, name, fs::kTypeFolder, fs::ItemKind::Folder});
    }
    items.push_back({kSong + " 01.mp3", kSong + " 01", 4, fs::ItemKind::File});
    items.push_back({kReplacement, kReplacement, 4, fs::ItemKind::File});
    ExpectStrictWeakOrder(items, fs::FileListOrder{fs::NameOrder::Plain});
    ExpectStrictWeakOrder(items, fs::FileListOrder{fs::NameOrder::Natural});
}

TEST(FileListOrder, SameRowsGiveTheSameOrderWhateverTheyCameIn) {
    std::vector<fs::ListItem> rows;
    for (int i = 0; i < 200; ++i) rows.push_back(File((i % 2 ? "Song " : "song ") + std::to_string(i % 37) + ".mp3"));
    rows.push_back(File("Song 1.wma"));
    rows.push_back(Folder("Song 1"));
    auto expected = rows;
    fs::SortFileList(expected, fs::NameOrder::Natural);
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    for (int round = 0; round < 5; ++round) {
        std::shuffle(rows.begin(), rows.end(), random);
        fs::SortFileList(rows, fs::NameOrder::Natural);
        ASSERT_EQ(rows, expected);
    }
}

// --- Folders and paths --------------------------------------------------------------------------

TEST(FolderSteps, OpeningAndGoingUp) {
    EXPECT_EQ(fs::ChildFolderPath("", "STORAGE CARD"), "\\STORAGE CARD");
    EXPECT_EQ(fs::ChildFolderPath("\\STORAGE CARD", "Music"), "\\STORAGE CARD\\Music");

    const std::pair<std::string, fs::ParentStep> ups[] = {
        {"\\STORAGE CARD", {"", "STORAGE CARD"}},
        {"\\STORAGE CARD\\Music\\Live", {"\\STORAGE CARD\\Music", "Live"}},
        {"\\USB DRIVE/x", {"\\USB DRIVE", "x"}},
        {"loose", {"", "loose"}},
    };
    for (const auto& [path, step] : ups) {
        const auto up = fs::ParentFolder(path);
        ASSERT_TRUE(up) << path;
        EXPECT_EQ(up->path, step.path);
        EXPECT_EQ(up->folder_just_left, step.folder_just_left);
    }
    EXPECT_FALSE(fs::ParentFolder(""));
    EXPECT_EQ(fs::TitleOf(""), fs::kTopLevelTitle);
    EXPECT_EQ(fs::TitleOf("\\USB DRIVE"), "\\USB DRIVE");
}

TEST(FolderSteps, GoingUpReselectsTheFolderJustLeft) {
    std::vector<fs::ListItem> top = {Folder("STORAGE CARD"), Folder("USB DRIVE")};
    fs::SortFileList(top);
    const auto up = fs::ParentFolder("\\STORAGE CARD");
    EXPECT_EQ(top[fs::RowToSelect(top, up->folder_just_left)].path, "STORAGE CARD");
    EXPECT_EQ(fs::RowToSelect(top, "usb drive"), 1u);
    EXPECT_EQ(fs::RowToSelect(top, "gone"), 0u);
    EXPECT_EQ(fs::RowToSelect({}, "gone"), 0u);
}

TEST(FolderSteps, AFolderPathPast259CharactersIsNotOpened) {
    const std::string base = "\\STORAGE CARD";  // 13 characters
    EXPECT_TRUE(fs::ChildFolderPath(base, std::string(245, 'f')));   // 259
    EXPECT_FALSE(fs::ChildFolderPath(base, std::string(246, 'f')));  // 260
    EXPECT_FALSE(fs::ChildFolderPath(base, std::string(255, 'f')));
    // Characters, not bytes: 245 syllables are 735 bytes of UTF-8 but 245 characters.
    std::string korean;
    for (int i = 0; i < 245; ++i) korean += "\xEB\x85\xB8";
    EXPECT_TRUE(fs::ChildFolderPath(base, korean));
    EXPECT_FALSE(fs::ChildFolderPath(base, korean.substr(3) + kEmoji));  // 244 + 2 units
}

TEST(FolderSteps, Utf16Lengths) {
    EXPECT_EQ(fs::Utf16Length(""), 0u);
    EXPECT_EQ(fs::Utf16Length(kSong + " 01.mp3"), 9u);
    EXPECT_EQ(fs::Utf16Length(kEmoji), 2u);
    EXPECT_EQ(fs::Utf16Length(kReplacement), 1u);
    EXPECT_EQ(fs::Utf16Length("\xFF\xC3"), 2u);          // stray bytes, one U+FFFD each
    EXPECT_EQ(fs::Utf16Length("\xED\xA0\x80"), 3u);      // an encoded surrogate is not UTF-8
    EXPECT_EQ(fs::Utf16Length("\xE0\x80\x80"), 3u);      // nor is an overlong form
}

// --- Adding to the play list --------------------------------------------------------------------

TEST(PlayListAdd, NoDuplicatesIgnoringCaseButOldDuplicatesStay) {
    fs::PlayListPaths paths;
    paths.Remember("\\STORAGE CARD\\A.mp3");
    paths.Remember("\\storage card\\a.MP3");  // already twice in the playlist file: both rows stay
    EXPECT_EQ(paths.Size(), 1u);
    EXPECT_FALSE(fs::PlayListItemToAdd("\\STORAGE CARD", File("a.mp3"), paths, Cp949Length));
    const auto added = fs::PlayListItemToAdd("\\STORAGE CARD", File(kSong + " 01.mp3"), paths, Cp949Length);
    ASSERT_TRUE(added);
    EXPECT_EQ(added->path, "\\STORAGE CARD\\" + kSong + " 01.mp3");
    EXPECT_EQ(added->display_name, kSong + " 01");
    EXPECT_EQ(added->kind, fs::ItemKind::File);
    EXPECT_FALSE(fs::PlayListItemToAdd("\\STORAGE CARD", File(kSong + " 01.MP3"), paths, Cp949Length));
    // A different folder is a different file.
    EXPECT_TRUE(fs::PlayListItemToAdd("\\USB DRIVE", File("a.mp3"), paths, Cp949Length));
}

TEST(PlayListAdd, PathsThatWouldNotSurviveTheListOrTheFileAreNotAdded) {
    const std::string folder = "\\STORAGE CARD";
    EXPECT_EQ(fs::CheckPlayListPath(folder + "\\" + std::string(241, 'n') + ".mp3", Cp949Length), fs::PathFit::Fits);
    EXPECT_EQ(fs::CheckPlayListPath(folder + "\\" + std::string(242, 'n') + ".mp3", Cp949Length),
              fs::PathFit::TooManyCharacters);
    // 120 syllables: 138 characters but 258 bytes in code page 949; one more makes 260.
    std::string syllables;
    for (int i = 0; i < 120; ++i) syllables += "\xEB\x85\xB8";
    EXPECT_EQ(fs::CheckPlayListPath(folder + "\\" + syllables + ".mp3", Cp949Length), fs::PathFit::Fits);
    EXPECT_EQ(fs::CheckPlayListPath(folder + "\\" + syllables + "\xEB\x85\xB8.mp3", Cp949Length),
              fs::PathFit::TooManyCodePageBytes);

    int asked = 0;
    const fs::CodePageLength counting = [&](std::string_view text) { ++asked; return Cp949Length(text); };
    EXPECT_EQ(fs::CheckPlayListPath(folder + "\\short.mp3", counting), fs::PathFit::Fits);
    EXPECT_EQ(asked, 0) << "a path short in UTF-8 is short in the code page";

    fs::PlayListPaths paths;
    EXPECT_FALSE(fs::PlayListItemToAdd(folder, File(std::string(255, 'n') + ".mp3"), paths, Cp949Length));
    EXPECT_EQ(paths.Size(), 0u);
}

// --- Paging and taps ----------------------------------------------------------------------------

TEST(Paging, PageDownExactlyWhenAnotherPageFollows) {
    const struct {
        int top, rows;
        bool moves;
    } downs[] = {{0, 0, false}, {0, 8, false}, {0, 9, true}, {8, 16, false}, {8, 17, true}, {16, 17, false}};
    for (const auto& c : downs) {
        const auto next = fs::PageDown({c.top, 5}, c.rows);
        EXPECT_EQ(next.has_value(), c.moves) << c.top << "/" << c.rows;
        if (next) {
            EXPECT_EQ(*next, (fs::PagePosition{c.top + 8, 0}));
        }
    }
    EXPECT_FALSE(fs::PageUp({0, 3}));
    EXPECT_EQ(fs::PageUp({16, 3}), (fs::PagePosition{8, 0}));
    EXPECT_EQ(fs::PageUp({8, 0}), (fs::PagePosition{0, 0}));
    EXPECT_EQ(fs::PositionOfRow(17), (fs::PagePosition{16, 1}));
    EXPECT_EQ(fs::PositionOfRow(8), (fs::PagePosition{8, 0}));
    EXPECT_EQ(fs::PositionOfRow(-1), (fs::PagePosition{0, 0}));
}

TEST(Paging, TapsAndScrollThumb) {
    EXPECT_FALSE(fs::TappedRow(0, 0, 8));
    EXPECT_EQ(fs::TappedRow(1, 0, 8), 0);
    EXPECT_EQ(fs::TappedRow(33, 0, 8), 1);
    EXPECT_EQ(fs::TappedRow(256, 0, 8), 7);
    EXPECT_FALSE(fs::TappedRow(257, 0, 100));  // below the eighth row
    EXPECT_FALSE(fs::TappedRow(40, 8, 9));     // only row 8 exists on this page
    EXPECT_EQ(fs::TappedRow(10, 8, 9), 0);

    EXPECT_EQ(fs::ScrollThumbY(0, 8, 260), 1);
    EXPECT_EQ(fs::ScrollThumbY(0, 24, 260), 1);
    EXPECT_EQ(fs::ScrollThumbY(8, 24, 260), 1 + 189 / 2 + 1);
    EXPECT_EQ(fs::ScrollThumbY(16, 24, 260), 1 + 189 + 1);
    EXPECT_EQ(fs::ScrollThumbY(800, 24, 260), 1 + 189 + 1);  // a stale top stays at the bottom
}

// --- Moving and deleting play-list rows ----------------------------------------------------------

struct Row {
    std::string path;
    bool checked = false;
    bool operator==(const Row&) const = default;
};

TEST(PlayListRows, MovesSwapNeighboursAndKeepTheCheckMark) {
    for (int rows = 1; rows <= 4; ++rows) {
        for (int current = 0; current < rows; ++current) {
            for (const auto direction : {fs::MoveDirection::Up, fs::MoveDirection::Down}) {
                std::vector<Row> list;
                for (int i = 0; i < rows; ++i) list.push_back({std::to_string(i), i == current});
                const int target = direction == fs::MoveDirection::Up ? current - 1 : current + 1;
                const auto move = fs::PlanRowMove(current, rows, direction);
                ASSERT_EQ(move.has_value(), target >= 0 && target < rows) << rows << " rows, row " << current;
                if (!move) continue;
                auto expected = list;
                std::swap(expected[current], expected[target]);
                fs::ApplyRowMove(list, *move);
                EXPECT_EQ(list, expected);
                EXPECT_EQ(move->new_row, target);
                EXPECT_TRUE(list[target].checked);
            }
        }
    }
    EXPECT_FALSE(fs::PlanRowMove(5, 3, fs::MoveDirection::Up));
}

TEST(PlayListRows, DeletingCheckedRowsKeepsAValidCurrentRow) {
    const auto delete_checked = [](std::vector<Row>& list, int current) {
        std::erase_if(list, [](const Row& row) { return row.checked; });
        return fs::CurrentRowAfterDelete(current, static_cast<int>(list.size()));
    };
    std::vector<Row> list = {{"0"}, {"1", true}, {"2"}, {"3", true}, {"4", true}};
    EXPECT_EQ(delete_checked(list, 4), 1);  // the current last row went: the last remaining row
    EXPECT_EQ(list[1].path, "2");
    list = {{"0"}, {"1", true}, {"2"}, {"3"}};
    EXPECT_EQ(delete_checked(list, 2), 2);
    list = {{"0", true}, {"1", true}};
    EXPECT_FALSE(delete_checked(list, 1));
}

// --- Buttons ------------------------------------------------------------------------------------

using Changes = std::vector<fs::ButtonChange>;

TEST(ListButtons, FileListStates) {
    fs::ListFacts facts;
    facts.at_top_level = true;
    EXPECT_EQ(fs::ButtonChanges(fs::ListSide::FileList, fs::ButtonState::Empty, facts),
              (Changes{{1014, false}, {1010, false}, {1011, false}, {1008, false}, {1009, false}, {1012, false},
                       {1013, false}}));
    facts.at_top_level = false;
    EXPECT_TRUE(fs::ButtonChanges(fs::ListSide::FileList, fs::ButtonState::Empty, facts).back().enabled);

    facts = {{8, 2}, 17, false, true, false};  // current row 10, a folder, a page on each side
    EXPECT_EQ(fs::ButtonChanges(fs::ListSide::FileList, fs::ButtonState::Rebuilt, facts),
              (Changes{{1012, true}, {1013, true}, {1008, true}, {1009, true}, {1014, false}, {1010, true},
                       {1011, true}}));
    facts.any_checked = true;
    facts.current_is_folder = false;
    EXPECT_EQ(fs::ButtonChanges(fs::ListSide::FileList, fs::ButtonState::CheckChanged, facts),
              (Changes{{1012, false}, {1014, true}}));
    facts.position = {16, 0};
    EXPECT_EQ(fs::ButtonChanges(fs::ListSide::FileList, fs::ButtonState::Paged, facts),
              (Changes{{1012, false}, {1008, true}, {1009, false}}));
    EXPECT_EQ(fs::StateAfterBuild(0), fs::ButtonState::Empty);
    EXPECT_EQ(fs::StateAfterBuild(3), fs::ButtonState::Rebuilt);
}

TEST(ListButtons, PlayListStates) {
    fs::ListFacts facts{{0, 0}, 1, false, false, false};
    EXPECT_EQ(fs::ButtonChanges(fs::ListSide::PlayList, fs::ButtonState::Rebuilt, facts),
              (Changes{{1006, false}, {1007, false}, {1002, false}, {1003, false}, {1004, false}, {1005, true}}));
    facts = {{8, 0}, 9, true, false, false};  // current row 8 is the last
    EXPECT_EQ(fs::ButtonChanges(fs::ListSide::PlayList, fs::ButtonState::Rebuilt, facts),
              (Changes{{1006, true}, {1007, false}, {1002, true}, {1003, false}, {1004, true}, {1005, true}}));
    EXPECT_EQ(fs::ButtonChanges(fs::ListSide::PlayList, fs::ButtonState::CheckChanged, facts),
              (Changes{{1006, true}, {1007, false}, {1004, true}}));
    facts.position = {0, 0};
    EXPECT_EQ(fs::ButtonChanges(fs::ListSide::PlayList, fs::ButtonState::Paged, facts),
              (Changes{{1006, false}, {1007, true}, {1002, false}, {1003, true}}));
    EXPECT_EQ(fs::ButtonChanges(fs::ListSide::PlayList, fs::ButtonState::Empty, facts),
              (Changes{{1006, false}, {1007, false}, {1002, false}, {1003, false}, {1004, false}, {1005, false}}));
}

// --- Volume changes -----------------------------------------------------------------------------

TEST(VolumeWatcher, WhichChangesSendTheViewToTheTopLevel) {
    const fs::VolumePresence both{true, true}, no_card{false, true}, no_usb{true, false}, none{false, false};
    const struct {
        std::string path;
        fs::VolumePresence before, now;
        bool affected;
    } cases[] = {
        {"", both, no_card, true},
        {"", both, both, false},
        {"\\STORAGE CARD\\Music", both, no_card, true},
        {"\\storage card", both, no_card, true},
        {"\\USB DRIVE\\Music", both, no_card, false},
        {"\\STORAGE CARD\\Music", both, no_usb, false},
        {"\\USB DRIVE", both, no_usb, true},
        {"\\USB DRIVE\\x", both, none, true},  // both went at once
        {"\\STORAGE CARD", none, both, true},
    };
    for (const auto& c : cases) EXPECT_EQ(fs::VolumeChangeAffectsView(c.path, c.before, c.now), c.affected) << c.path;
}

}  // namespace
