#include <gtest/gtest.h>

#include "platform/protocol/messages.h"

namespace protocol {
namespace {

struct Recorder : RequestHandler<int> {
    std::vector<std::string> calls;
#define RECORD(name) \
    void Handle(int&, std::uint32_t, const name##Request&) override { calls.push_back(#name); }
    DEVICE_REQUESTS(RECORD)
#undef RECORD
};

template <class Message>
std::vector<std::uint8_t> Payload(const Message& message) {
    Encoder encoder;
    encoder(message);
    return encoder.Bytes();
}

TEST(Wire, MessagesRoundTripFieldByField) {
    RegSetValueRequest sent;
    sent.path = "HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP";
    sent.name = "MapMode";
    sent.type = 4;
    sent.data = {1, 0, 0, 0};
    auto bytes = Payload(sent);
    RegSetValueRequest received;
    ASSERT_TRUE(DecodePayload(bytes.data(), bytes.size(), received));
    EXPECT_EQ(received.path, sent.path);
    EXPECT_EQ(received.name, sent.name);
    EXPECT_EQ(received.type, 4u);
    EXPECT_EQ(received.data, sent.data);

    ProcessListReply list;
    list.processes.push_back({42, "MUSIC.EXE", "\\NAND\\MUSIC.EXE", "x", 2});
    list.processes.push_back({43, "", "", "", 0});
    bytes = Payload(list);
    ProcessListReply list_back;
    ASSERT_TRUE(DecodePayload(bytes.data(), bytes.size(), list_back));
    ASSERT_EQ(list_back.processes.size(), 2u);
    EXPECT_EQ(list_back.processes[0].path, "\\NAND\\MUSIC.EXE");
    EXPECT_EQ(list_back.processes[1].process_id, 43u);
}

TEST(Wire, EveryShortenedOrLengthenedPayloadIsRejected) {
    WaitRequest wait;
    wait.handles = {4, 8, 12};
    wait.wait_all = true;
    wait.timeout_ms = 500;
    auto bytes = Payload(wait);
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        WaitRequest partial;
        EXPECT_FALSE(DecodePayload(bytes.data(), cut, partial)) << "prefix of " << cut << " bytes";
    }
    bytes.push_back(0);
    WaitRequest longer;
    EXPECT_FALSE(DecodePayload(bytes.data(), bytes.size(), longer)) << "trailing byte accepted";
}

TEST(Wire, LyingCountsAndBadBooleansFailWithoutAllocating) {
    // A vector that claims four billion elements in a ten-byte payload.
    std::vector<std::uint8_t> bytes = {0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4, 5, 6};
    WaitRequest wait;
    EXPECT_FALSE(DecodePayload(bytes.data(), bytes.size(), wait));
    EXPECT_TRUE(wait.handles.empty());

    std::vector<std::uint8_t> string_lie = {0x00, 0x00, 0x00, 0x80, 'a'};
    OpenEventRequest open;
    EXPECT_FALSE(DecodePayload(string_lie.data(), string_lie.size(), open));

    CreateMutexRequest mutex;
    auto good = Payload(mutex);
    good[0] = 7;  // a bool must be 0 or 1
    EXPECT_FALSE(DecodePayload(good.data(), good.size(), mutex));
}

TEST(Wire, FramesAreCheckedBeforeTheirPayloadIsRead) {
    OpenEventRequest open;
    open.name = "KTOUCH_EVENT";
    auto frame = EncodeFrame(static_cast<std::uint16_t>(RequestId::OpenEvent), 77, open);
    FrameHeader header;
    for (size_t cut = 0; cut < frame.size(); ++cut)
        EXPECT_EQ(PeekFrame(frame.data(), cut, header), FrameStatus::NeedMore) << cut;
    ASSERT_EQ(PeekFrame(frame.data(), frame.size(), header), FrameStatus::Complete);
    EXPECT_EQ(header.sequence, 77u);
    EXPECT_EQ(header.length + 4, frame.size());

    std::vector<std::uint8_t> huge = {0x00, 0x00, 0x00, 0x10, 1, 0, 0, 0, 0, 0};
    EXPECT_EQ(PeekFrame(huge.data(), huge.size(), header), FrameStatus::Malformed);
    std::vector<std::uint8_t> tiny = {0x02, 0x00, 0x00, 0x00, 1, 0};
    EXPECT_EQ(PeekFrame(tiny.data(), tiny.size(), header), FrameStatus::Malformed);
}

TEST(Wire, DispatchCallsTheHandlerOfTheFramesKindOnly) {
    Recorder recorder;
    int context = 0;
    EventOpRequest op;
    op.handle = 4;
    auto bytes = Payload(op);
    EXPECT_EQ(Dispatch<int>(recorder, context, static_cast<std::uint16_t>(RequestId::EventOp), 1, bytes.data(),
                            bytes.size()),
              DispatchResult::Handled);
    EXPECT_EQ(Dispatch<int>(recorder, context, 0x3FFF, 2, bytes.data(), bytes.size()),
              DispatchResult::UnknownRequest);
    EXPECT_EQ(Dispatch<int>(recorder, context, static_cast<std::uint16_t>(RequestId::Hello), 3, bytes.data(),
                            bytes.size()),
              DispatchResult::BadPayload);
    EXPECT_EQ(recorder.calls, std::vector<std::string>{"EventOp"});
    EXPECT_STREQ(Name(RequestId::Shutdown), "Shutdown");
}

}  // namespace
}  // namespace protocol
