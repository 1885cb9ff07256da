// The replay rules: line endings, comments, binary frames, and the one-second bursts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/gpssim/replay_file.h"

namespace {

using namespace gpssim;

std::string Joined(const std::vector<Piece>& pieces) {
    std::string bytes;
    for (const Piece& piece : pieces) bytes += piece.bytes;
    return bytes;
}

TEST(Replay, LinesGetCrLfCommentsAndEmptyLinesAreDropped) {
    const std::string file =
        "# recorded on the Gangnam loop\n"
        "$GPGGA,1*00\n"
        "$GPGSA,2*00\r\n"
        "\n"
        "\r\n"
        "  # not a comment: it does not start with '#'\n"
        "$GPRMC,3*00";  // the last line has no ending
    const std::vector<Piece> pieces = ReadReplayPieces(file);
    ASSERT_EQ(pieces.size(), 4u);
    EXPECT_EQ(pieces[0], (Piece{PieceKind::Sentence, "$GPGGA,1*00\r\n"}));
    EXPECT_EQ(pieces[1], (Piece{PieceKind::Sentence, "$GPGSA,2*00\r\n"}));
    EXPECT_EQ(pieces[2], (Piece{PieceKind::Text, "  # not a comment: it does not start with '#'\r\n"}));
    EXPECT_EQ(pieces[3], (Piece{PieceKind::Sentence, "$GPRMC,3*00\r\n"}));
}

TEST(Replay, UbxFramesPassUnchangedByTheirLength) {
    // A frame whose payload holds LF, CR, "$" and "#": none of them is a line's end or start.
    const std::string frame("\xB5\x62\x05\x01\x04\x00\n\r$#\x3F\x7B", 12);
    const std::string cut_short("\xB5\x62\x01\x02\x1C\x00\x01", 7);
    const std::string file = "$GPGGA,1*00\n" + frame + "#c\n" + frame + "$GPVTG*00\n" + cut_short;
    const std::vector<Piece> pieces = ReadReplayPieces(file);
    ASSERT_EQ(pieces.size(), 5u);
    EXPECT_EQ(pieces[1], (Piece{PieceKind::UbxFrame, frame}));
    EXPECT_EQ(pieces[2], (Piece{PieceKind::UbxFrame, frame})) << "the comment between them went";
    EXPECT_EQ(pieces[3].bytes, "$GPVTG*00\r\n");
    EXPECT_EQ(pieces[4], (Piece{PieceKind::UbxFrame, cut_short})) << "a frame cut by the file's end goes as it is";
    // 0xB5 0x62 inside a line is text.
    EXPECT_EQ(Joined(ReadReplayPieces("x\xB5\x62y\n")), "x\xB5\x62y\r\n");
}

TEST(Replay, BurstsStartAtTheFirstSentencesAddress) {
    const std::string file =
        std::string("\xB5\x62\x05\x01\x00\x00\x06\x13", 8) +
        "$GPGGA,1*00\n$GPGSV,1*00\n$GPRMC,1*00\n"
        "$GPGGA,2*00\n$GPRMC,2*00\n"
        "$GPGGA,3*00\n";
    const auto cycles = GroupReplayCycles(ReadReplayPieces(file));
    ASSERT_EQ(cycles.size(), 3u);
    EXPECT_EQ(cycles[0].size(), 4u) << "the frame before the first sentence opens the first burst";
    EXPECT_EQ(cycles[1].size(), 2u);
    EXPECT_EQ(cycles[2].size(), 1u);
    EXPECT_EQ(cycles[2][0].bytes, "$GPGGA,3*00\r\n");
    EXPECT_EQ(GroupReplayCycles(ReadReplayPieces("$A*41\n$B*42\n")).size(), 1u) << "no address comes twice";
    EXPECT_TRUE(GroupReplayCycles({}).empty());
}

}  // namespace
