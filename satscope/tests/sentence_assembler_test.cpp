#include "satscope/sentence_assembler.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "satscope/tests/nmea_builder.h"

namespace satscope {
namespace {

using testing::Bytes;
using testing::Line;
using testing::Sentence;
using testing::Ubx;

struct Recorder : SentenceSink {
    std::vector<std::string> sentences;
    int gsv_errors = 0;
    std::vector<std::vector<std::uint8_t>> frames;  // class, id, payload
    void OnSentence(std::string_view sentence) override { sentences.emplace_back(sentence); }
    void OnGsvChecksumError() override { ++gsv_errors; }
    void OnUbxFrame(std::uint8_t c, std::uint8_t id, std::span<const std::uint8_t> payload) override
    {
        std::vector<std::uint8_t> frame = {c, id};
        frame.insert(frame.end(), payload.begin(), payload.end());
        frames.push_back(frame);
    }
};

std::vector<std::string> SentencesOf(const std::string& stream)
{
    Recorder recorder;
    SentenceAssembler assembler(recorder);
    assembler.Feed(Bytes(stream));
    return recorder.sentences;
}

const std::string kGga = "GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,";

TEST(SentenceAssembler, TakesOnlyWholeSentencesWithTheirChecksum)
{
    const std::string good = Sentence(kGga);
    struct Case {
        const char* what;
        std::string stream;
        std::vector<std::string> expected;
    };
    std::string wrong = good;
    wrong[wrong.size() - 1] = wrong.back() == '0' ? '1' : '0';
    const Case cases[] = {
        {"a sentence and CR LF", good + "\r\n", {good}},
        {"LF alone does not end it", good + "\n", {}},
        {"a wrong checksum", wrong + "\r\n", {}},
        {"cut by a new sentence", "$GPGGA,1235" + good + "\r\n", {good}},
        {"a byte other than CR after the digits", good + "X\r\n" + good + "\r\n", {good}},
        {"noise around it", "\x01\xFF junk*12\r\n" + good + "\r\nmore junk", {good}},
        {"no digits", "$GPGGA,1*\r\n", {}},
        {"one digit", "$GPGGA,1*4\r\n", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(SentencesOf(c.stream), c.expected) << c.what;

    // Each lower-case letter is refused, in either digit's place, even where the arithmetic of
    // a letter's code would come out right.
    for (int sum = 0; sum < 256; ++sum) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", sum);
        if (std::string(digits).find_first_of("abcdef") == std::string::npos) continue;
        for (char fill = 'A'; fill <= 'Z'; ++fill) {
            const std::string body = std::string("GPTXT,") + fill;
            if (testing::Xor(body) != sum) continue;
            EXPECT_TRUE(SentencesOf("$" + body + "*" + digits + "\r\n").empty()) << digits;
        }
    }
}

TEST(SentenceAssembler, AGsvWithABadChecksumIsReported)
{
    Recorder recorder;
    SentenceAssembler assembler(recorder);
    std::string gsv = Sentence("GPGSV,3,2,11,14,25,170,00,16,57,208,39,18,67,296,40,19,40,246,00");
    gsv[gsv.size() - 1] = gsv.back() == '0' ? '1' : '0';
    assembler.Feed(Bytes(gsv + "\r\n"));
    EXPECT_EQ(recorder.gsv_errors, 1);
    std::string gga = Sentence(kGga);
    gga[gga.size() - 1] = gga.back() == '0' ? '1' : '0';
    assembler.Feed(Bytes(gga + "\r\n"));
    EXPECT_EQ(recorder.gsv_errors, 1) << "only GSV counts";
    EXPECT_TRUE(recorder.sentences.empty());
}

TEST(SentenceAssembler, TheBufferHoldsASentenceOf1023Characters)
{
    const std::string fits = Sentence("GPTXT," + std::string(1023 - 10, 'x'));
    ASSERT_EQ(fits.size(), 1023u);
    EXPECT_EQ(SentencesOf(fits + "\r\n"), std::vector<std::string>{fits});

    Recorder recorder;
    SentenceAssembler assembler(recorder);
    const std::string too_long = Sentence("GPTXT," + std::string(1024 - 10, 'x'));
    assembler.Feed(Bytes(too_long + "\r\n" + Line(kGga)));
    ASSERT_EQ(recorder.sentences.size(), 1u);
    EXPECT_EQ(recorder.sentences[0], Sentence(kGga)) << "the next sentence is whole";
    EXPECT_EQ(assembler.Abandoned(), 1u);
    // A stream of body bytes without end never overruns.
    assembler.Feed(Bytes("$" + std::string(100000, 'y')));
    assembler.Feed(Bytes(Line(kGga)));
    EXPECT_EQ(recorder.sentences.size(), 2u);
}

TEST(SentenceAssembler, FindsUbxFramesBesideTheText)
{
    Recorder recorder;
    SentenceAssembler assembler(recorder);
    std::vector<std::uint8_t> stream = Bytes(Line(kGga));
    const auto ack = Ubx(0x05, 0x01, {0x06, 0x24});
    stream.insert(stream.end(), ack.begin(), ack.end());
    // A frame whose payload holds "$" and text: no sentence comes of it.
    const std::string inside = "$GPGGA,9";
    const auto dollar = Ubx(0x01, 0x02, std::vector<std::uint8_t>(inside.begin(), inside.end()));
    stream.insert(stream.end(), dollar.begin(), dollar.end());
    const auto more = Bytes(Line(kGga));
    stream.insert(stream.end(), more.begin(), more.end());
    assembler.Feed(stream);

    ASSERT_EQ(recorder.frames.size(), 2u);
    EXPECT_EQ(recorder.frames[0], (std::vector<std::uint8_t>{0x05, 0x01, 0x06, 0x24}));
    EXPECT_EQ(recorder.frames[1].size(), 2 + inside.size());
    EXPECT_EQ(recorder.sentences.size(), 2u);
    EXPECT_EQ(recorder.sentences[1], Sentence(kGga));
}

TEST(SentenceAssembler, AbandonsUbxFramesOfNoLengthOrTooLong)
{
    Recorder recorder;
    SentenceAssembler assembler(recorder);
    assembler.Feed(std::vector<std::uint8_t>{0xB5, 0x62, 0x05, 0x01, 0x00, 0x00});
    assembler.Feed(std::vector<std::uint8_t>{0xB5, 0x62, 0x05, 0x01, 0x01, 0x04});  // 1025
    EXPECT_EQ(assembler.Abandoned(), 2u);
    const auto ack = Ubx(0x05, 0x00, {0x06, 0x04});
    assembler.Feed(ack);
    ASSERT_EQ(recorder.frames.size(), 1u) << "the machine is ready for the next frame";
    EXPECT_EQ(recorder.frames[0], (std::vector<std::uint8_t>{0x05, 0x00, 0x06, 0x04}));
    // The largest frame the buffer holds.
    assembler.Feed(Ubx(0x01, 0x35, std::vector<std::uint8_t>(1024, 0x24)));
    ASSERT_EQ(recorder.frames.size(), 2u);
    EXPECT_EQ(recorder.frames[1].size(), 1026u);
}

// Bytes arrive in batches cut anywhere: what comes out does not depend on the cuts, a UBX sync
// pair split over two batches included.
TEST(SentenceAssembler, BatchCutsChangeNothing)
{
    std::vector<std::uint8_t> stream;
    const auto append = [&](const std::vector<std::uint8_t>& bytes) { stream.insert(stream.end(), bytes.begin(), bytes.end()); };
    for (int i = 0; i < 20; ++i) {
        append(Bytes(Line(kGga)));
        append(Ubx(0x05, 0x01, {0x06, static_cast<std::uint8_t>(i)}));
        append(Bytes("$GPGSV,1,1,01,07,79,048,4*00\r\n"));  // bad checksum
        append(Bytes(Line("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W")));
    }
    Recorder whole;
    SentenceAssembler one(whole);
    one.Feed(stream);

    std::mt19937 random(12345);
    for (int round = 0; round < 50; ++round) {
        Recorder cut;
        SentenceAssembler assembler(cut);
        std::size_t at = 0;
        while (at < stream.size()) {
            const std::size_t size = std::min<std::size_t>(stream.size() - at, random() % 9);
            assembler.Feed(std::span<const std::uint8_t>(stream.data() + at, size));
            at += size;
        }
        ASSERT_EQ(cut.sentences, whole.sentences) << "round " << round;
        ASSERT_EQ(cut.frames, whole.frames) << "round " << round;
        ASSERT_EQ(cut.gsv_errors, whole.gsv_errors);
    }
    EXPECT_EQ(whole.sentences.size(), 40u);
    EXPECT_EQ(whole.frames.size(), 20u);
    EXPECT_EQ(whole.gsv_errors, 20);
}

}  // namespace
}  // namespace satscope
