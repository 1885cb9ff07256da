#include "tools/gpssim/mixed_stream.h"

#include "tools/gpssim/fault_injector.h"

namespace gpssim {

std::vector<Piece> MakeMixedPieces(const TrackOptions& track_options, double fault_percent, std::size_t sentences) {
    NmeaTrack track(track_options);
    FaultInjector faults(track_options.seed, fault_percent);
    std::vector<Piece> out;
    std::size_t counted = 0;
    while (counted < sentences) {
        std::vector<Piece> cycle = track.NextCycle();
        faults.Apply(cycle);
        for (Piece& piece : cycle) {
            if (counted == sentences) break;
            if (piece.kind == PieceKind::Sentence) ++counted;
            out.push_back(std::move(piece));
        }
    }
    return out;
}

std::string MakeMixedStream(const TrackOptions& track, double fault_percent, std::size_t sentences) {
    std::string bytes;
    for (const Piece& piece : MakeMixedPieces(track, fault_percent, sentences)) bytes += piece.bytes;
    return bytes;
}

}  // namespace gpssim
