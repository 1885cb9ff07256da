// A replayed log is whatever file a person gives gpssim; cutting it into lines and frames must
// stay inside the file, keep every byte it sends in the file's order, and lose no piece when the
// pieces are grouped into bursts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tools/gpssim/replay_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const auto pieces = gpssim::ReadReplayPieces(file);
    std::size_t sent = 0;
    for (const gpssim::Piece& piece : pieces) {
        if (piece.bytes.empty()) std::abort();
        if (piece.kind == gpssim::PieceKind::UbxFrame) {
            // A frame is sent as it stands in the file.
            if (file.find(piece.bytes) == std::string_view::npos) std::abort();
        } else if (piece.bytes.size() < 3 || piece.bytes.substr(piece.bytes.size() - 2) != "\r\n" ||
                   piece.bytes.front() == '#') {
            std::abort();
        }
        sent += piece.bytes.size();
    }
    if (sent > 3 * size) std::abort();  // a line of one byte grows by its CR LF at most
    const auto cycles = gpssim::GroupReplayCycles(pieces);
    std::size_t grouped = 0;
    for (const auto& cycle : cycles) {
        if (cycle.empty()) std::abort();
        grouped += cycle.size();
    }
    if (grouped != pieces.size()) std::abort();
    return 0;
}
