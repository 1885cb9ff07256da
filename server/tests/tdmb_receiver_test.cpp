// The T-DMB receiver: how it answers the tuner's properties on the band of its ensemble file,
// what devicectl changes on air, and, through a running server, that its slow answers hold
// back only the thread that asked.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>

#include "platform/devices/tdmb_receiver.h"
#include "platform/testing/temporary_device.h"
#include "server/drivers/tdmb_receiver.h"

namespace {

namespace fs = std::filesystem;
namespace device = platform::tdmb;
using server::tdmb::Receiver;
using server::tdmb::ReceiverAnswer;

// Two ensembles of the built-in Korean plan: seven services at 175280 kHz, fourteen at 181280;
// nothing at 177008, and 205280 is on air with no signal.
std::string BandText(const fs::path& media) {
    std::string text = "dwell_ms = 40\nlock_ms = 25\n";
    text += "[ensemble]\nfrequency = 175280\nid = 0x1001\nlabel = Seoul\n";
    for (int i = 0; i < 7; ++i)
        text += "[service]\nname = TV " + std::to_string(i) + "\nid = " + std::to_string(0x100 + i) +
                "\nsubchannel = " + std::to_string(i) + "\ntype = " + (i < 4 ? "tv" : "radio") + "\nmedia = " +
                media.string() + "\n";
    text += "[ensemble]\nfrequency = 181280\nid = 0x1002\n";
    for (int i = 0; i < 14; ++i)
        text += "[service]\nname = 라디오 " + std::to_string(i) + "\nid = " + std::to_string(0x200 + i) +
                "\nsubchannel = " + std::to_string(i) + "\ntype = radio\n";
    text += "[ensemble]\nfrequency = 205280\nid = 0x1003\nsignal = 0\n";
    return text;
}

class ReceiverFiles : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("tdmb_receiver_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(m_dir);
        std::ofstream(m_dir / "tv.ts") << "stream";
        Write(BandText(m_dir / "tv.ts"));
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void Write(const std::string& text) const { std::ofstream(m_dir / "band.txt", std::ios::trunc) << text; }
    std::string Path() const { return (m_dir / "band.txt").string(); }

    fs::path m_dir;
};

std::vector<std::uint8_t> Input(std::uint32_t property, std::vector<std::uint32_t> words) {
    std::vector<std::uint8_t> bytes((words.size() + 2) * 4, 0);
    std::memcpy(bytes.data(), &property, 4);
    if (!words.empty()) std::memcpy(bytes.data() + 8, words.data(), words.size() * 4);
    return bytes;
}

std::vector<std::uint32_t> WordsOf(const ReceiverAnswer& answer) {
    std::vector<std::uint32_t> words(answer.output.size() / 4);
    if (!words.empty()) std::memcpy(words.data(), answer.output.data(), words.size() * 4);
    return words;
}

ReceiverAnswer Set(Receiver& receiver, std::uint32_t property, std::vector<std::uint32_t> words) {
    return receiver.IoControl(device::kIoctlTunerSet, Input(property, std::move(words)), 0);
}

ReceiverAnswer Get(Receiver& receiver, std::uint32_t property, std::vector<std::uint32_t> words = {},
                   std::uint32_t room = 4096) {
    return receiver.IoControl(device::kIoctlTunerGet, Input(property, std::move(words)), room);
}

device::TunedService Tuned(Receiver& receiver) {
    const ReceiverAnswer answer = receiver.IoControl(device::kIoctlTunedService, {}, 65536);
    const auto tuned = device::ParseTunedService(std::string(answer.output.begin(), answer.output.end()));
    EXPECT_TRUE(tuned.has_value());
    return tuned.value_or(device::TunedService{});
}

TEST_F(ReceiverFiles, AScanWalksThePlanAndHandsOverTenEntriesOfFourteenServices) {
    Receiver receiver(Path(), nullptr);
    ASSERT_EQ(Set(receiver, device::kPropertyRegion, {82, 0}).error, 0u);
    EXPECT_EQ(WordsOf(Get(receiver, device::kPropertyIndexes)), (std::vector<std::uint32_t>{0, 21}));

    EXPECT_EQ(Get(receiver, device::kPropertyScan, {device::kScanBegin, 0}).delay_ms, 0u);
    const ReceiverAnswer first = Get(receiver, device::kPropertyScan, {device::kScanStep, 0});
    EXPECT_EQ(first.delay_ms, 40u) << "a scan step takes the dwell time";
    std::vector<std::uint32_t> words = WordsOf(first);
    ASSERT_EQ(words.size(), 2 + 7 * device::kScanEntryWords);
    EXPECT_EQ(words[0], 7u);
    EXPECT_EQ(words[2 + 1], 175280u) << "an entry's second word is its frequency";
    EXPECT_EQ(words[2 + 2], 0x100u);

    words = WordsOf(Get(receiver, device::kPropertyScan, {device::kScanStep, 3}));
    EXPECT_EQ(words[0], 14u) << "the true count";
    EXPECT_EQ(words.size(), 2 + 10 * device::kScanEntryWords) << "but only ten entries";
    EXPECT_EQ(words[2 + 9 * device::kScanEntryWords + 2], 0x209u);

    EXPECT_EQ(WordsOf(Get(receiver, device::kPropertyScan, {device::kScanStep, 1}))[0], 0u) << "nothing on air";
    EXPECT_EQ(WordsOf(Get(receiver, device::kPropertyScan, {device::kScanStep, 15}))[0], 0u) << "no signal";
    EXPECT_EQ(WordsOf(Get(receiver, device::kPropertyScan, {device::kScanStep, 99}))[0], 0u) << "past the plan";

    // A small buffer gets whole entries only.
    words = WordsOf(Get(receiver, device::kPropertyScan, {device::kScanStep, 3}, (2 + 2 * 11) * 4 + 8));
    EXPECT_EQ(words.size(), 2 + 2 * device::kScanEntryWords);

    // A region with no plan has no indexes to scan.
    ASSERT_EQ(Set(receiver, device::kPropertyRegion, {44, 1}).error, 0u);
    EXPECT_EQ(WordsOf(Get(receiver, device::kPropertyIndexes)), (std::vector<std::uint32_t>{0, 0}));
    EXPECT_EQ(receiver.Counts().scans, 1u);
    EXPECT_EQ(receiver.Counts().scan_steps, 6u);
}

TEST_F(ReceiverFiles, TuningLocksOnAnEnsembleAndFindsOnlyServicesOnAir) {
    Receiver receiver(Path(), nullptr);
    // Nothing broadcast, or no signal: no lock, after the lock time all the same.
    ReceiverAnswer answer = Set(receiver, device::kPropertyFrequency, {177008});
    EXPECT_NE(answer.error, 0u);
    EXPECT_EQ(answer.delay_ms, 25u);
    EXPECT_NE(Set(receiver, device::kPropertyFrequency, {205280}).error, 0u);
    EXPECT_EQ(WordsOf(Get(receiver, device::kPropertyCurrentFrequency))[0], 0u);
    EXPECT_EQ(WordsOf(Get(receiver, device::kPropertySignal)),
              (std::vector<std::uint32_t>{0, server::tdmb::kMaxErrorMeasure}));

    answer = Set(receiver, device::kPropertyFrequency, {175280});
    EXPECT_EQ(answer.error, 0u);
    EXPECT_EQ(answer.delay_ms, 25u);
    EXPECT_EQ(Set(receiver, device::kPropertyFrequency, {175280}).delay_ms, 0u) << "no change, no new lock";
    EXPECT_EQ(WordsOf(Get(receiver, device::kPropertyCurrentFrequency))[0], 175280u);

    // A service of another ensemble, or with the wrong sub-channel, is not on this frequency.
    EXPECT_NE(Set(receiver, device::kPropertyService, {0x200, 0}).error, 0u);
    EXPECT_NE(Set(receiver, device::kPropertyService, {0x101, 2}).error, 0u);
    EXPECT_EQ(WordsOf(Get(receiver, device::kPropertyCurrentService)), (std::vector<std::uint32_t>{0, 0}));
    ASSERT_EQ(Set(receiver, device::kPropertyService, {0x101, 1}).error, 0u);
    EXPECT_EQ(WordsOf(Get(receiver, device::kPropertyCurrentService)), (std::vector<std::uint32_t>{0x101, 1}));
    EXPECT_EQ(WordsOf(Get(receiver, device::kPropertySignal)), (std::vector<std::uint32_t>{100, 0}));

    const device::TunedService tuned = Tuned(receiver);
    EXPECT_TRUE(tuned.Receivable());
    EXPECT_EQ(tuned.type, 2u);
    EXPECT_EQ(tuned.audio_coding, 22) << "a TV service that names no audio has BSAC";
    EXPECT_EQ(tuned.audio_b, 48000u);
    EXPECT_EQ(tuned.media, (m_dir / "tv.ts").string());
    EXPECT_EQ(receiver.Counts().tunes, 3u);
    EXPECT_EQ(receiver.Counts().failed_tunes, 2u);

    // Short or odd records are refused, not read past their end.
    EXPECT_EQ(receiver.IoControl(device::kIoctlTunerSet, {1, 0, 0}, 0).error, 87u);
    EXPECT_EQ(receiver.IoControl(device::kIoctlTunerSet, Input(device::kPropertyService, {0x101}), 0).error, 87u);
    EXPECT_EQ(receiver.IoControl(device::kIoctlTunerGet, Input(device::kPropertyScan, {}), 64).error, 87u);
    EXPECT_EQ(Get(receiver, 6).error, 50u);
    EXPECT_EQ(receiver.IoControl(0x226010, {}, 0).error, 50u);
    EXPECT_EQ(receiver.IoControl(device::kIoctlTunedService, {}, 8).error, 122u) << "too small a buffer";
}

TEST_F(ReceiverFiles, WhatDevicectlChangesOnAirReachesTheTunerUntilAReload) {
    Receiver receiver(Path(), nullptr);
    ASSERT_EQ(Set(receiver, device::kPropertyFrequency, {175280}).error, 0u);
    ASSERT_EQ(Set(receiver, device::kPropertyService, {0x100, 0}).error, 0u);

    EXPECT_EQ(receiver.Control("signal 175280 60 10001"), "ok");
    EXPECT_EQ(WordsOf(Get(receiver, device::kPropertySignal)), (std::vector<std::uint32_t>{60, 10001}));
    EXPECT_FALSE(Tuned(receiver).Receivable()) << "above 10000 there is no picture";
    EXPECT_EQ(receiver.Control("signal all 100 0"), "ok");
    EXPECT_TRUE(Tuned(receiver).Receivable());

    // A dropped service that is playing is heard as no signal and cannot be tuned again.
    EXPECT_EQ(receiver.Control("drop 0x100"), "ok");
    EXPECT_TRUE(Tuned(receiver).dropped);
    EXPECT_EQ(WordsOf(Get(receiver, device::kPropertySignal))[1], server::tdmb::kMaxErrorMeasure);
    EXPECT_NE(Set(receiver, device::kPropertyService, {0x100, 0}).error, 0u);
    EXPECT_EQ(receiver.Control("restore all"), "ok");
    EXPECT_EQ(Set(receiver, device::kPropertyService, {0x100, 0}).error, 0u);
    EXPECT_TRUE(Tuned(receiver).Receivable());

    EXPECT_EQ(receiver.Control("audio 0x100 0 2 44100"), "ok");
    EXPECT_EQ(Tuned(receiver).audio_coding, 0);
    EXPECT_EQ(Tuned(receiver).audio_b, 44100u);

    // A stream that cannot be read counts as no signal.
    fs::remove(m_dir / "tv.ts");
    EXPECT_EQ(WordsOf(Get(receiver, device::kPropertySignal))[1], server::tdmb::kMaxErrorMeasure);
    EXPECT_FALSE(Tuned(receiver).Receivable());
    std::ofstream(m_dir / "tv.ts") << "stream";

    for (const char* bad : {"signal 177008 50 0", "signal 175280 101 0", "signal 175280 50", "drop 0x999", "drop all",
                            "audio 0x100 256 0 0", "audio 0x100 0 0", "tune 1", "signal x 1 1", "reload now"})
        EXPECT_EQ(receiver.Control(bad).rfind("error: ", 0), 0u) << bad;

    receiver.Control("drop 0x101");
    EXPECT_EQ(receiver.Control("reload"), "ok");
    EXPECT_EQ(Tuned(receiver).tuned, false) << "a reload starts the tuner afresh";
    ASSERT_EQ(Set(receiver, device::kPropertyFrequency, {175280}).error, 0u);
    ASSERT_EQ(Set(receiver, device::kPropertyService, {0x101, 1}).error, 0u) << "the drop is undone";
    const std::string state = receiver.Control("");
    EXPECT_EQ(state.rfind("ok\n", 0), 0u);
    EXPECT_NE(state.find("service: 0x101 subchannel 1 TV 1\n"), std::string::npos) << state;
    EXPECT_NE(state.find("ensemble 175280 0x1001 signal 100 errors 0 Seoul\n"), std::string::npos) << state;
}

TEST_F(ReceiverFiles, ABadFileLeavesAnEmptyBandAndSaysWhereItWentWrong) {
    Write("dwell_ms = 40\n[ensemble]\nfrequency = 175280\nid = 1\n[service]\nname = x\nid = 1\ntype = tv\n");
    std::vector<std::string> lines;
    Receiver receiver(Path(), [&](const std::string& line) { lines.push_back(line); });
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "T-DMB receiver: " + Path() + ":5: service has no subchannel\n");
    EXPECT_EQ(WordsOf(Get(receiver, device::kPropertyIndexes)), (std::vector<std::uint32_t>{0, 0}));
    EXPECT_NE(Set(receiver, device::kPropertyFrequency, {175280}).error, 0u);
    EXPECT_NE(receiver.Control("state").find("band: none (" + Path() + ":5: service has no subchannel)"),
              std::string::npos);

    // Mended on disk, a reload brings the band on air.
    Write(BandText(m_dir / "tv.ts"));
    EXPECT_EQ(receiver.Control("reload"), "ok");
    EXPECT_EQ(WordsOf(Get(receiver, device::kPropertyIndexes))[1], 21u);

    Receiver none("", nullptr);
    EXPECT_EQ(WordsOf(Get(none, device::kPropertyIndexes))[1], 0u);
}

TEST(TunedServiceText, ReadsBackWhatItWroteAndRefusesWhatItDidNot) {
    device::TunedService service;
    service.tuned = true;
    service.frequency_khz = 181280;
    service.service_id = 0xE0C1;
    service.type = 1;
    service.audio_coding = 22;
    service.media = "/tmp/band/radio one.ts";
    service.slides = {"/tmp/a.jpg", "/tmp/b=c.jpg"};
    service.dynamic_labels = {"지금 듣는 곡", "Now = playing"};
    service.slide_seconds = 4;
    EXPECT_EQ(device::ParseTunedService(device::FormatTunedService(service)), service);
    EXPECT_EQ(device::ParseTunedService(device::FormatTunedService({})), device::TunedService{});

    EXPECT_FALSE(device::ParseTunedService(""));
    EXPECT_FALSE(device::ParseTunedService("tuned=1"));        // no newline at the end
    EXPECT_FALSE(device::ParseTunedService("tuned=2\n"));
    EXPECT_FALSE(device::ParseTunedService("tuned=1\naudio=256\n"));
    EXPECT_FALSE(device::ParseTunedService("tuned=1\nslide_seconds=0\n"));
    EXPECT_FALSE(device::ParseTunedService("frequency=1\n"));  // says nothing of being tuned
    EXPECT_FALSE(device::ParseTunedService("tuned=1\nservice\n"));
    EXPECT_TRUE(device::ParseTunedService("tuned=0\nnewer_key=7\n")) << "a newer receiver's key is skipped";
}

// Through a running server: the slow answers hold back the asking thread only.
class ReceiverDevice : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_device.Root() / "tdmb");
        std::ofstream(m_device.Root() / "tdmb" / "tv.ts") << "stream";
        std::string text = BandText(m_device.Root() / "tdmb" / "tv.ts");
        text.replace(text.find("dwell_ms = 40"), 13, "dwell_ms = 1500");
        std::ofstream(m_device.Root() / "tdmb" / "band.txt") << text;
        std::ofstream(m_device.Root() / "device.conf", std::ios::app) << "tdmb_ensemble = tdmb/band.txt\n";
        ASSERT_TRUE(m_device.StartServer());
    }
    platform::testing::TemporaryDevice m_device;
};

TEST_F(ReceiverDevice, AScanStepWaitsForItsDwellWhileOtherThreadsAreServed) {
    std::promise<void> scanning;
    auto step = std::async(std::launch::async, [&] {
        device::ReceiverClient client;
        std::vector<std::uint32_t> reply;
        const auto started = std::chrono::steady_clock::now();
        if (!client.Set(device::kPropertyRegion, {82, 0})) return std::make_pair(false, reply);
        scanning.set_value();
        const bool ok = client.Get(device::kPropertyScan, {device::kScanStep, 0},
                                   2 + device::kScanEntries * device::kScanEntryWords, reply);
        // The dwell is the least a step can take; a lower bound, not a speed.
        EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500));
        return std::make_pair(ok, reply);
    });
    scanning.get_future().wait();
    // While the step dwells, this thread's own calls are answered.
    device::ReceiverClient client;
    const auto state = client.Control("state");
    ASSERT_TRUE(state.has_value());
    EXPECT_NE(state->find("ensembles"), std::string::npos);
    EXPECT_EQ(step.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout)
        << "the scan step had not come back when the state did";

    const auto [ok, reply] = step.get();
    ASSERT_TRUE(ok);
    ASSERT_GE(reply.size(), 2u);
    EXPECT_EQ(reply[0], 7u);
    EXPECT_EQ(reply.size(), 2 + 7 * device::kScanEntryWords);
}

}  // namespace
