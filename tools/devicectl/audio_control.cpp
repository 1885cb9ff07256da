// devicectl's view of the device's audio: each program's audio output, and recordings of what
// the device plays.
#include <cstdio>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/kernel/server_connection.h"
#include "tools/devicectl/device_control.h"
#include "tools/devicectl/wave_file_writer.h"

namespace devicectl {

std::optional<std::vector<protocol::AudioOutputInfo>> DeviceControl::AudioOutputs() {
    protocol::AudioListRequest request;
    protocol::AudioListReply reply;
    if (!platform::CallServer(request, reply)) return std::nullopt;
    return reply.outputs;
}

bool DeviceControl::RecordAudio(const std::filesystem::path& file, std::chrono::milliseconds duration,
                                std::string& error) {
    if (duration.count() < 0 || duration.count() > protocol::kMaxAudioRecordMs) {
        error = "a recording lasts 0 to " + std::to_string(protocol::kMaxAudioRecordMs) + " ms";
        return false;
    }
    auto writer = WaveFileWriter::Begin(file, error);
    if (!writer) return false;
    protocol::AudioRecordRequest request;
    request.duration_ms = static_cast<std::uint32_t>(duration.count());
    protocol::AudioRecordReply reply;
    int fd = -1;
    auto* connection = platform::ServerConnection::Current();
    if (!connection || !connection->Call(request, reply, &fd)) {
        error = "the device server did not answer";
        return false;
    }
    const std::size_t frame_bytes = static_cast<std::size_t>(reply.channels) * 2;
    const std::size_t bytes = static_cast<std::size_t>(reply.frames) * frame_bytes;
    const void* samples = nullptr;
    std::string problem;
    // The memory must hold what the answer says: reading past its end would kill devicectl.
    struct stat memory {};
    if (reply.error != 0) {
        problem = "the device refused the recording (error " + std::to_string(reply.error) + ")";
    } else if (reply.channels == 0 || reply.channels > 2 || reply.rate == 0 || reply.frames > WaveFileWriter::kMaxDataBytes ||
               (bytes > 0 && (fd < 0 || ::fstat(fd, &memory) != 0 || static_cast<std::size_t>(memory.st_size) < bytes))) {
        problem = "the device's answer holds no recording";
    } else if (bytes > 0) {
        samples = ::mmap(nullptr, bytes, PROT_READ, MAP_SHARED, fd, 0);
        if (samples == MAP_FAILED) {
            samples = nullptr;
            problem = "the recording cannot be read";
        }
    }
    if (fd >= 0) ::close(fd);
    if (!problem.empty()) {
        error = problem;
        return false;
    }
    const bool written = writer->Finish(reply.rate, static_cast<std::uint16_t>(reply.channels),
                                        static_cast<const std::uint8_t*>(samples), bytes, error);
    if (samples) ::munmap(const_cast<void*>(samples), bytes);
    return written;
}

std::string Describe(const protocol::AudioOutputInfo& output) {
    const char* state = "stopped";
    if (output.state == static_cast<std::uint8_t>(protocol::AudioGraphState::Paused)) state = "paused";
    if (output.state == static_cast<std::uint8_t>(protocol::AudioGraphState::Running)) state = "running";
    char level[32] = "-inf";
    if (output.level != protocol::kSilentAudioLevel) std::snprintf(level, sizeof(level), "%.1f", output.level / 100.0);
    char line[256];
    std::snprintf(line, sizeof(line), "%-12s  %-7s  %9.3f s  %6s dBFS  (pid %u, output %u)", output.program.c_str(), state,
                  static_cast<double>(output.position_us) / 1e6, level, output.process_id, output.output);
    return line;
}

}  // namespace devicectl
