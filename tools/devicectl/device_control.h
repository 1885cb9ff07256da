// Driving a running device from outside: the operations of the devicectl command, as a small
// library that the end-to-end tests use too. Each call connects to the device server of the
// device root given at construction, as a program of that device would.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/protocol/messages.h"
#include "platform/removable_media.h"
#include "platform/win32_types.h"

namespace devicectl {

struct RegistryValue {
    DWORD type = 0;          // REG_DWORD or REG_SZ (others are shown as bytes)
    DWORD number = 0;
    std::string text;        // UTF-8
    std::vector<std::uint8_t> bytes;
};

class DeviceControl {
public:
    explicit DeviceControl(const std::filesystem::path& root);

    bool Connected() const;

    // Starts a program by device path; its process id, or nothing with the device's error.
    std::optional<std::uint32_t> Start(const std::string& path, const std::string& arguments, DWORD& error);
    std::vector<protocol::ProcessEntry> Processes();
    // Whether a process of the program (its file name, "EXTVIEW.EXE") runs.
    bool ProgramRunning(const std::string& file_name);
    // Ends every program the device runs, other than this process, at once (SIGKILL): what a
    // test leaves running goes with it.
    void KillPrograms();
    // Cuts the power: ends the device server and every program of the device at once (SIGKILL),
    // with no chance to save or flush anything. The server's process id, or nothing when no
    // server answers. The device boots again with a new server on the same root.
    std::optional<std::uint32_t> PowerCut();
    // "set", "reset" or "pulse" on a named event that exists.
    DWORD EventOperation(const std::string& operation, const std::string& name);
    std::optional<RegistryValue> RegistryGet(const std::string& key, const std::string& value_name, DWORD& error);
    // A value written as a number (decimal, or 0x hex, or "dword:" hex) is a DWORD; anything else a string.
    DWORD RegistrySet(const std::string& key, const std::string& value_name, const std::string& value);
    std::string Log(const std::string& program) const;
    DWORD Shutdown();

    // Windows, named by title, else by class, or by handle number ("0x10002").
    std::vector<protocol::WindowInfo> Windows();
    std::uint32_t FindWindowByName(const std::string& name);
    std::optional<std::int64_t> Send(const std::string& name, std::uint32_t message, std::uint64_t wparam,
                                     std::int64_t lparam, DWORD& error);
    DWORD Post(const std::string& name, std::uint32_t message, std::uint64_t wparam, std::int64_t lparam);
    DWORD Broadcast(std::uint32_t message, std::uint64_t wparam, std::int64_t lparam);
    // WM_COPYDATA with a data code and a 4-byte little-endian value.
    std::optional<std::int64_t> CopyData(const std::string& name, std::uint64_t code, std::int32_t value, DWORD& error);
    // WM_COPYDATA with any payload, even none: for trying a program with sizes it does not expect.
    std::optional<std::int64_t> CopyData(const std::string& name, std::uint64_t code,
                                         const std::vector<std::uint8_t>& bytes, DWORD& error);
    DWORD Foreground(const std::string& name);
    // Waits until a window of that name exists; its handle, or 0 after the time-out.
    std::uint32_t WaitWindow(const std::string& name, std::chrono::milliseconds timeout);
    DWORD Close(const std::string& name);

    // What the board's drivers hold now (backlight, FM transmitter, remote receiver, clock,
    // wave-out volume).
    std::optional<protocol::DriverStateReply> DriverState();
    // The board as `devicectl state` prints it: the drivers' state, then whether the storage
    // card and the USB drive are in. Nothing when the device does not answer.
    std::optional<std::string> StateText();
    // The same for a state already read.
    std::string StateText(const protocol::DriverStateReply& state) const;
    // A command to the T-DMB receiver ("signal 175280 80 0", "drop 0x1001", "state", ...); its
    // reply text, whose first line is "ok" or "error: ...". nullopt with the error when the
    // device does not answer.
    std::optional<std::string> Receiver(const std::string& command, DWORD& error);
    // Inserts or removes the storage card or the USB drive. A removed medium keeps its files
    // (under state/removed/) and comes back with them when inserted again. A running device
    // does it and tells its programs (WM_DEVICECHANGE); with none running, the medium's folder
    // is moved here. False with a reason ("no STORAGE CARD is inserted").
    using Medium = platform::RemovableMedium;
    bool SetMediumInserted(Medium medium, bool inserted, std::string& error);
    // Plugs a camera into the board's camera connector or pulls it out; false with the error
    // when the device does not take it.
    bool SetCameraConnected(bool connected, DWORD& error);

    // The pen on the touch panel, at screen coordinates.
    DWORD Press(std::int32_t x, std::int32_t y);
    DWORD Move(std::int32_t x, std::int32_t y);
    DWORD Release(std::int32_t x, std::int32_t y);
    DWORD Tap(std::int32_t x, std::int32_t y);
    // count taps at the point, each pressed `interval` after the one before was pressed (a
    // double tap is two taps 150 ms apart); count is 1 to kMaxTaps.
    static constexpr unsigned kMaxTaps = 100;
    DWORD Tap(std::int32_t x, std::int32_t y, unsigned count, std::chrono::milliseconds interval);
    // Press at the first point, move in steps of about 16 ms to the second, release there.
    DWORD Drag(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::chrono::milliseconds duration);
    // A remote key: "1".."9", "left", "right" or "enter".
    DWORD Key(const std::string& name);

    // The screen as it is presented now.
    struct Screen {
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        std::uint64_t frame = 0;  // the number of the presented frame it is
        std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows packed
        // A point off the screen, or of a screen that could not be taken, reads as kNoPixel.
        static constexpr std::uint32_t kNoPixel = 0xFFFFFFFF;
        std::uint32_t At(std::uint32_t x, std::uint32_t y) const {
            const std::size_t index = static_cast<std::size_t>(y) * width + x;
            return x < width && y < height && index < pixels.size() ? pixels[index] : kNoPixel;
        }
    };
    std::optional<Screen> Screenshot(DWORD& error);
    // Takes screenshots until a point shows a colour or the time is up; the last screen (an
    // empty one when none could be taken).
    Screen ScreenShowing(std::uint32_t x, std::uint32_t y, std::uint32_t colour,
                         std::chrono::milliseconds timeout = std::chrono::seconds(1));
    // Writes the screen as a PNG file; false with a reason.
    bool SaveScreenshot(const std::filesystem::path& file, std::string& error);
    // Waits until a frame numbered above `after` is presented, for at most `timeout` (up to a
    // minute); the number of the frame presented last, or nothing when the device does not
    // answer. Frames are numbered from 1 as they go out; nothing new comes while nothing on the
    // screen changes.
    std::optional<std::uint64_t> WaitScreenChange(std::uint64_t after, std::chrono::milliseconds timeout);

    // The backlight: level 0..100 (nothing to leave it) and power (nothing to leave it).
    std::optional<protocol::BacklightReply> Backlight(std::optional<std::uint32_t> level, std::optional<bool> power,
                                                      DWORD& error);

    // The wave-out volume word (left channel in the low 16 bits, right in the high): set
    // when a value is given, then read back.
    std::optional<DWORD> WaveOut(std::optional<DWORD> volume, DWORD& error);
    // The video overlay plane: its owner, rectangle and frames shown (open false: nobody holds it).
    std::optional<protocol::OverlayInfoReply> Overlay();

    // The programs' audio outputs as they last reported (nothing when the server did not answer).
    std::optional<std::vector<protocol::AudioOutputInfo>> AudioOutputs();
    // Saves what the device plays during the next `duration` (at most kMaxAudioRecordMs), all
    // programs mixed, as a 16-bit stereo WAV file at the recording rate. The file appears only
    // when complete. False with a reason.
    bool RecordAudio(const std::filesystem::path& file, std::chrono::milliseconds duration, std::string& error);

    // The programs' playback graphs that have a file, as they last reported (nothing when the
    // server did not answer).
    std::optional<std::vector<protocol::GraphInfo>> Graphs();

    // Controls of a window (named as above, usually a dialog's title), by control id: the
    // child GetDlgItem finds. Errors: ERROR_INVALID_WINDOW_HANDLE for no such window,
    // ERROR_CONTROL_ID_NOT_FOUND for no such control.
    std::uint32_t FindControl(const std::string& name, std::uint32_t id, DWORD& error);
    // The control's window text (a combo box's: its selected item).
    std::optional<std::string> ControlText(const std::string& name, std::uint32_t id, DWORD& error);
    // A list box's or combo box's items as it last published them (a few times a second at
    // most after a change): the first of them in order, how many it holds, and which is
    // selected (-1: none). ERROR_NOT_SUPPORTED for a control that publishes no items.
    struct ControlItems {
        std::vector<std::string> items;
        std::uint32_t count = 0;
        std::int32_t selection = -1;
    };
    std::optional<ControlItems> Items(const std::string& name, std::uint32_t id, DWORD& error);
    // A tap at the centre of the control, as a finger gives it: pressed and released through
    // the touch panel, so it reaches the control only when it is visible, enabled and not
    // covered. It returns once both are in the server; a button holds the pen from the press
    // until its program has handled the release, so a tap elsewhere that follows at once may
    // still reach the button: wait for the effect of one tap (a log line, a text, the capture
    // gone) before the next.
    DWORD Click(const std::string& name, std::uint32_t id);

private:
    // A stream driver's device control; its output, or nothing with the error.
    std::optional<std::vector<std::uint8_t>> DriverIoControl(const std::string& device, std::uint32_t code,
                                                             std::vector<std::uint8_t> input, std::uint32_t output_size,
                                                             DWORD& error);

    std::filesystem::path m_root;
};

// Formats a value as devicectl prints it.
std::string Describe(const RegistryValue& value);
// The drivers' state as `devicectl state` prints it, one line each.
std::string Describe(const protocol::DriverStateReply& state);
// The device's programs as `devicectl ps` prints them: a heading, then one line each.
std::string Describe(const std::vector<protocol::ProcessEntry>& processes);
// "MUSIC.EXE  running  12.345 s  -18.2 dBFS  (pid 812, output 1)"; -inf dBFS for silence.
std::string Describe(const protocol::AudioOutputInfo& output);
// "MOVIE.EXE (pid 812) graph 1: \STORAGE CARD\a.mp4 running 8.250/30.000 s volume -3350": the
// position and duration in seconds ("?" for a duration not known), the volume in hundredths
// of a dB as the program set it.
std::string Describe(const protocol::GraphInfo& graph);

// "0102ff" as the bytes 01 02 ff; nothing for an odd count or a character that is no
// hexadecimal digit. An empty text is an empty payload.
std::optional<std::vector<std::uint8_t>> HexBytes(std::string_view text);

}  // namespace devicectl
