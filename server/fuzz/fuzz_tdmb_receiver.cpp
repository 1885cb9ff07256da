// Fuzzes the T-DMB receiver with any run of requests, as a program or devicectl could send
// them: each request is a code selector byte, a length byte and that many input bytes. Every
// answer fits the room the caller gave, a word reply is whole words, the tuned service always
// reads back, and a devicectl reply says ok or error.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/devices/tdmb_receiver.h"
#include "server/drivers/tdmb_receiver.h"

namespace {

void Check(bool condition)
{
    if (!condition) __builtin_trap();
}

// A small band: two ensembles, one with more services than a scan step hands over.
std::string BandFile()
{
    static const std::string path = [] {
        const std::string file = "/tmp/fuzz_tdmb_receiver_" + std::to_string(::getpid()) + ".txt";
        std::string text = "dwell_ms = 10\nlock_ms = 5\n[ensemble]\nfrequency = 175280\nid = 1\n";
        for (int i = 0; i < 12; ++i)
            text += "[service]\nname = S" + std::to_string(i) + "\nid = " + std::to_string(i + 1) +
                    "\nsubchannel = " + std::to_string(i) + "\ntype = " + (i % 2 ? "radio" : "tv") +
                    "\nmedia = " + file + "\n";
        text += "[ensemble]\nfrequency = 181280\nid = 2\nerrors = 20000\n";
        if (FILE* out = std::fopen(file.c_str(), "w")) {
            std::fwrite(text.data(), 1, text.size(), out);
            std::fclose(out);
        }
        return file;
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    namespace device = platform::tdmb;
    static const std::uint32_t kCodes[] = {device::kIoctlTunerSet, device::kIoctlTunerGet,
                                           device::kIoctlTunedService, device::kIoctlReceiverControl, 0x22A000};
    server::tdmb::Receiver receiver(BandFile(), nullptr);
    std::size_t at = 0;
    while (at + 2 <= size) {
        const std::uint8_t selector = data[at];
        const std::size_t length = std::min<std::size_t>(data[at + 1], size - at - 2);
        const std::vector<std::uint8_t> input(data + at + 2, data + at + 2 + length);
        at += 2 + length;
        const std::uint32_t code = kCodes[selector % 5];
        const std::uint32_t room = (selector >> 3) * 24u;
        const server::tdmb::ReceiverAnswer answer = receiver.IoControl(code, input, room);
        Check(answer.output.size() <= room);
        if (code == device::kIoctlTunerGet && answer.error == 0) Check(answer.output.size() % 4 == 0);
        if (code == device::kIoctlTunedService && answer.error == 0)
            Check(device::ParseTunedService(std::string(answer.output.begin(), answer.output.end())).has_value());
        if (code == device::kIoctlReceiverControl && answer.error == 0) {
            const std::string reply(answer.output.begin(), answer.output.end());
            Check(reply.rfind("ok", 0) == 0 || reply.rfind("error: ", 0) == 0);
        }
        Check(answer.delay_ms <= 10);
    }
    return 0;
}
