// Whatever a program writes to the receiver, every frame it holds gets an answer made only of
// whole sentences with right checksums and acknowledgement frames, and a reset only with a
// boot message of whole sentences.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "tools/gpssim/command_reader.h"
#include "tools/gpssim/receiver_answers.h"

namespace {

using namespace gpssim;

void CheckPieces(const std::vector<Piece>& pieces) {
    for (const Piece& piece : pieces) {
        const std::string_view bytes = piece.bytes;
        if (piece.kind == PieceKind::Sentence) {
            if (bytes.size() < 6 || bytes.front() != '$' || bytes.substr(bytes.size() - 2) != "\r\n" ||
                bytes.substr(bytes.size() - 5, 3) != "*" + ChecksumDigits(NmeaChecksum(bytes.substr(1, bytes.size() - 6))))
                std::abort();
        } else if (piece.kind == PieceKind::UbxFrame) {
            // ACK-ACK or ACK-NAK of a CFG message: 0xB5 0x62 0x05 id 2 0 0x06 id sums.
            if (bytes.size() != 10 || bytes[2] != 0x05 || bytes[6] != 0x06) std::abort();
        } else {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CommandReader reader;
    std::vector<CommandFrame> frames;
    reader.Feed(std::string_view(reinterpret_cast<const char*>(data), size), frames);
    ReceiverConfig config;
    config.failing_vendor_ids = {22};
    config.rejected_ubx_ids = {0x16};
    ReceiverAnswers receiver(config);
    for (const CommandFrame& frame : frames) {
        const ReceiverAnswer answer = receiver.Handle(frame);
        if (!frame.intact && (!answer.pieces.empty() || answer.reset)) std::abort();
        CheckPieces(answer.pieces);
        if (answer.reset) CheckPieces(answer.reset->boot_message);
        (void)DescribeCommandFrame(frame);
    }
    return 0;
}
