// devicectl: drives and inspects a running device.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/device_root.h"
#include "tools/devicectl/device_control.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: devicectl [--root DIR] COMMAND\n"
                 "  start PATH [ARGS...]          start a program by device path\n"
                 "  ps                            list the device's programs\n"
                 "  event set|reset|pulse NAME    signal a named event\n"
                 "  reg get KEY VALUE             print a registry value\n"
                 "  reg set KEY VALUE DATA        write a registry value (number: DWORD, else string)\n"
                 "  log PROGRAM                   print a program's debug log (e.g. MUSIC.EXE, server)\n"
                 "  shutdown                      shut the device down\n"
                 "  powercut                      cut the power: end the device server and every program\n"
                 "                                at once (SIGKILL), nothing saved; start the server again\n"
                 "                                to boot the device\n"
                 "  windows                       list the windows, front to back; a child's state ends\n"
                 "                                with its control id (id=1001)\n"
                 "  text NAME ID                  print the text of control ID of window NAME\n"
                 "  items NAME ID                 print a list box's or combo box's items, one a line:\n"
                 "                                \"* \" before the selected one, two spaces before the\n"
                 "                                others; a last line \"(N items, M shown)\" when not all\n"
                 "                                of them were published\n"
                 "  click NAME ID                 tap the centre of control ID of window NAME, as a finger\n"
                 "  send NAME MSG WPARAM LPARAM   send a message and print the result\n"
                 "  post NAME MSG WPARAM LPARAM   post a message\n"
                 "  broadcast MSG WPARAM LPARAM   post a message to every top-level window\n"
                 "  copydata NAME CODE INT32      send WM_COPYDATA with a 4-byte value, print the result\n"
                 "  copydata NAME CODE --bytes HEX  the same with any payload (\"\" for none), e.g. 0102ff\n"
                 "  foreground NAME               bring a window to the foreground\n"
                 "  wait-window NAME [SECONDS]    wait until a window exists (default 10 s)\n"
                 "  close NAME                    post WM_CLOSE to a window\n"
                 "  tap X Y [COUNT MS]            press and release the pen at a screen point; COUNT\n"
                 "                                taps (1..100) MS milliseconds apart, press to press\n"
                 "  press X Y | move X Y | release X Y   one pen event\n"
                 "  drag X1 Y1 X2 Y2 MS           press, move over MS milliseconds, release\n"
                 "  key 1..9|left|right|enter     a remote-control key\n"
                 "  screenshot FILE.png           save the screen as it is shown\n"
                 "  backlight [LEVEL|on|off]      print or set the backlight (level 0..100)\n"
                 "  state                         print the drivers' state; the flash disk's size in\n"
                 "                                sectors and the bytes its sparse image takes, and the\n"
                 "                                installed boot loader's size (or none); whether the\n"
                 "                                storage card and the USB drive are in\n"
                 "  tdmb                          print the T-DMB receiver's state: band, region, tuned\n"
                 "                                frequency and service, tune and scan counts, ensembles\n"
                 "  tdmb signal FREQ|all LEVEL ERROR   set an ensemble's signal level (0..100) and error\n"
                 "                                measure (above 10000: no picture)\n"
                 "  tdmb drop SID | restore SID|all    take a service off air or bring it back\n"
                 "  tdmb audio SID CODING A B     change the audio a service really has (22 BSAC, 0 HE-AAC)\n"
                 "  tdmb reload                   read the ensemble file again (undoes the changes above)\n"
                 "  overlay                       print who holds the video overlay, where, and its frames\n"
                 "  wave-out [VOLUME]             print or set the wave-out volume word (left channel in\n"
                 "                                the low 16 bits, right in the high; hex or decimal)\n"
                 "  audio                         one line per program audio output: program, graph state\n"
                 "                                (stopped, paused, running), position, and the peak level\n"
                 "                                of the last 100 ms played in dBFS (-inf: silence)\n"
                 "  audio record FILE.wav MS      save the next MS milliseconds (0..600000) of what the\n"
                 "                                device plays, all programs mixed, as 16-bit stereo\n"
                 "                                48 kHz WAV\n"
                 "  media                         one line per playback graph that has a file:\n"
                 "                                PROGRAM (pid N) graph N: FILE STATE POS/DURATION s volume V\n"
                 "                                (state stopped, paused or running; seconds; duration ?\n"
                 "                                when not known; volume in 1/100 dB); \"no graphs\" if none\n"
                 "  card in|out, usb in|out       insert or remove the storage card or USB drive; a running\n"
                 "                                device posts WM_DEVICECHANGE to every top-level window\n"
                 "  camera in|out                 plug a camera into the board's camera connector or pull\n"
                 "                                it out (the test pattern stops, as a lost camera's would)\n"
                 "A window NAME is its title, else its class, or its handle as 0x...; numbers may be\n"
                 "decimal or 0x hexadecimal (WM_USER+103 is 1127).\n"
                 "The device root is --root, else $DEVICE_ROOT, else ./device.\n");
    return 2;
}

bool Number(const std::string& text, long long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 0);
    return *end == '\0';
}

int Fail(const char* what, DWORD error) {
    std::fprintf(stderr, "devicectl: %s failed with error %u\n", what, error);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "--root") {
        platform::SetDeviceRootDir(args[1]);
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty()) return Usage();
    devicectl::DeviceControl device(platform::DeviceRootDir());
    const std::string& command = args[0];

    if ((command == "card" || command == "usb") && args.size() == 2 && (args[1] == "in" || args[1] == "out")) {
        std::string reason;
        const auto medium = command == "card" ? devicectl::DeviceControl::Medium::StorageCard
                                              : devicectl::DeviceControl::Medium::UsbDrive;
        if (device.SetMediumInserted(medium, args[1] == "in", reason)) return 0;
        std::fprintf(stderr, "devicectl: %s %s: %s\n", command.c_str(), args[1].c_str(), reason.c_str());
        return 1;
    }
    if (command == "log" && args.size() == 2) {
        std::fputs(device.Log(args[1]).c_str(), stdout);
        return 0;
    }
    if (!device.Connected()) {
        std::fprintf(stderr, "devicectl: no device server runs on %s\n", platform::DeviceRootDir().c_str());
        return 1;
    }
    DWORD error = 0;
    if (command == "start" && args.size() >= 2) {
        std::string arguments;
        for (std::size_t i = 2; i < args.size(); ++i) arguments += (i > 2 ? " " : "") + args[i];
        auto pid = device.Start(args[1], arguments, error);
        if (!pid) return Fail("start", error);
        std::printf("%u\n", *pid);
        return 0;
    }
    if (command == "ps" && args.size() == 1) {
        std::fputs(devicectl::Describe(device.Processes()).c_str(), stdout);
        return 0;
    }
    if (command == "event" && args.size() == 3) {
        error = device.EventOperation(args[1], args[2]);
        return error ? Fail("event", error) : 0;
    }
    if (command == "reg" && args.size() == 4 && args[1] == "get") {
        auto value = device.RegistryGet(args[2], args[3], error);
        if (!value) return Fail("reg get", error);
        std::printf("%s\n", devicectl::Describe(*value).c_str());
        return 0;
    }
    if (command == "reg" && args.size() == 5 && args[1] == "set") {
        error = device.RegistrySet(args[2], args[3], args[4]);
        return error ? Fail("reg set", error) : 0;
    }
    if (command == "windows" && args.size() == 1) {
        std::printf("%-10s %-20s %-20s %-14s %-22s %s\n", "HWND", "TITLE", "CLASS", "PROGRAM", "RECT", "STATE");
        for (const auto& window : device.Windows()) {
            char rect[64];
            std::snprintf(rect, sizeof(rect), "%d,%d %dx%d", window.rect.left, window.rect.top,
                          window.rect.right - window.rect.left, window.rect.bottom - window.rect.top);
            std::string state = window.visible ? "visible" : "hidden";
            if (window.topmost) state += " topmost";
            if (window.foreground) state += " foreground";
            if (!window.enabled) state += " disabled";
            if (window.parent) state += " child-of-0x" + [&] { char b[16]; std::snprintf(b, sizeof(b), "%x", window.parent); return std::string(b); }();
            if (window.owner) state += " owned-by-0x" + [&] { char b[16]; std::snprintf(b, sizeof(b), "%x", window.owner); return std::string(b); }();
            if (window.parent) state += " id=" + std::to_string(window.control_id);
            std::printf("0x%-8x %-20s %-20s %-14s %-22s %s\n", window.hwnd, window.title.c_str(), window.class_name.c_str(),
                        window.program.c_str(), rect, state.c_str());
        }
        return 0;
    }
    long long control_id = 0;
    if ((command == "text" || command == "items" || command == "click") && args.size() == 3 &&
        Number(args[2], control_id) && control_id >= 0 && control_id <= 0xFFFFFFFFll) {
        const auto id = static_cast<std::uint32_t>(control_id);
        if (command == "click") {
            error = device.Click(args[1], id);
            return error ? Fail("click", error) : 0;
        }
        if (command == "text") {
            const auto text = device.ControlText(args[1], id, error);
            if (!text) return Fail("text", error);
            std::printf("%s\n", text->c_str());
            return 0;
        }
        const auto items = device.Items(args[1], id, error);
        if (!items) return Fail("items", error);
        for (std::size_t i = 0; i < items->items.size(); ++i)
            std::printf("%s%s\n", static_cast<std::int32_t>(i) == items->selection ? "* " : "  ", items->items[i].c_str());
        if (items->count > items->items.size())
            std::printf("(%u items, %zu shown)\n", items->count, items->items.size());
        return 0;
    }
    long long message = 0, wparam = 0, lparam = 0;
    if ((command == "send" || command == "post") && args.size() == 5 && Number(args[2], message) &&
        Number(args[3], wparam) && Number(args[4], lparam)) {
        if (command == "post") {
            error = device.Post(args[1], static_cast<std::uint32_t>(message), static_cast<std::uint64_t>(wparam), lparam);
            return error ? Fail("post", error) : 0;
        }
        auto result = device.Send(args[1], static_cast<std::uint32_t>(message), static_cast<std::uint64_t>(wparam), lparam, error);
        if (!result) return Fail("send", error);
        std::printf("%lld\n", static_cast<long long>(*result));
        return 0;
    }
    if (command == "broadcast" && args.size() == 4 && Number(args[1], message) && Number(args[2], wparam) &&
        Number(args[3], lparam)) {
        error = device.Broadcast(static_cast<std::uint32_t>(message), static_cast<std::uint64_t>(wparam), lparam);
        return error ? Fail("broadcast", error) : 0;
    }
    long long code = 0, value = 0;
    if (command == "copydata" && args.size() == 5 && args[3] == "--bytes" && Number(args[2], code)) {
        const auto bytes = devicectl::HexBytes(args[4]);
        if (!bytes) {
            std::fprintf(stderr, "devicectl: copydata --bytes takes pairs of hexadecimal digits, not \"%s\"\n",
                         args[4].c_str());
            return 2;
        }
        auto result = device.CopyData(args[1], static_cast<std::uint64_t>(code), *bytes, error);
        if (!result) return Fail("copydata", error);
        std::printf("%lld\n", static_cast<long long>(*result));
        return 0;
    }
    if (command == "copydata" && args.size() == 4 && Number(args[2], code) && Number(args[3], value)) {
        auto result = device.CopyData(args[1], static_cast<std::uint64_t>(code), static_cast<std::int32_t>(value), error);
        if (!result) return Fail("copydata", error);
        std::printf("%lld\n", static_cast<long long>(*result));
        return 0;
    }
    if (command == "foreground" && args.size() == 2) {
        error = device.Foreground(args[1]);
        return error ? Fail("foreground", error) : 0;
    }
    if (command == "wait-window" && (args.size() == 2 || args.size() == 3)) {
        long long seconds = 10;
        if (args.size() == 3 && !Number(args[2], seconds)) return Usage();
        auto hwnd = device.WaitWindow(args[1], std::chrono::seconds(seconds));
        if (!hwnd) {
            std::fprintf(stderr, "devicectl: no window \"%s\" after %lld s\n", args[1].c_str(), seconds);
            return 1;
        }
        std::printf("0x%x\n", hwnd);
        return 0;
    }
    if (command == "close" && args.size() == 2) {
        error = device.Close(args[1]);
        return error ? Fail("close", error) : 0;
    }
    long long x = 0, y = 0;
    if ((command == "tap" || command == "press" || command == "move" || command == "release") && args.size() == 3 &&
        Number(args[1], x) && Number(args[2], y)) {
        const auto px = static_cast<std::int32_t>(x), py = static_cast<std::int32_t>(y);
        error = command == "tap"     ? device.Tap(px, py)
                : command == "press" ? device.Press(px, py)
                : command == "move"  ? device.Move(px, py)
                                     : device.Release(px, py);
        return error ? Fail(command.c_str(), error) : 0;
    }
    long long x2 = 0, y2 = 0, milliseconds = 0, count = 0;
    constexpr auto kMaxTaps = static_cast<long long>(devicectl::DeviceControl::kMaxTaps);
    if (command == "tap" && args.size() == 5 && Number(args[1], x) && Number(args[2], y) && Number(args[3], count) &&
        count >= 1 && count <= kMaxTaps && Number(args[4], milliseconds) && milliseconds >= 0 && milliseconds <= 60000) {
        error = device.Tap(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), static_cast<unsigned>(count),
                           std::chrono::milliseconds(milliseconds));
        return error ? Fail("tap", error) : 0;
    }
    if (command == "drag" && args.size() == 6 && Number(args[1], x) && Number(args[2], y) && Number(args[3], x2) &&
        Number(args[4], y2) && Number(args[5], milliseconds) && milliseconds >= 0 && milliseconds <= 60000) {
        error = device.Drag(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), static_cast<std::int32_t>(x2),
                            static_cast<std::int32_t>(y2), std::chrono::milliseconds(milliseconds));
        return error ? Fail("drag", error) : 0;
    }
    if (command == "key" && args.size() == 2) {
        error = device.Key(args[1]);
        return error ? Fail("key", error) : 0;
    }
    if (command == "screenshot" && args.size() == 2) {
        std::string reason;
        if (!device.SaveScreenshot(args[1], reason)) {
            std::fprintf(stderr, "devicectl: screenshot failed: %s\n", reason.c_str());
            return 1;
        }
        return 0;
    }
    if (command == "backlight" && args.size() <= 2) {
        std::optional<std::uint32_t> level;
        std::optional<bool> power;
        long long number = 0;
        if (args.size() == 2) {
            if (args[1] == "on" || args[1] == "off") power = args[1] == "on";
            else if (Number(args[1], number) && number >= 0 && number <= 100) level = static_cast<std::uint32_t>(number);
            else return Usage();
        }
        auto state = device.Backlight(level, power, error);
        if (!state) return Fail("backlight", error);
        std::printf("level %u %s\n", state->level, state->power ? "on" : "off");
        return 0;
    }
    if (command == "state" && args.size() == 1) {
        const auto state = device.StateText();
        if (!state) return Fail("state", ERROR_BROKEN_PIPE);
        std::fputs(state->c_str(), stdout);
        return 0;
    }
    if (command == "camera" && args.size() == 2 && (args[1] == "in" || args[1] == "out")) {
        if (!device.SetCameraConnected(args[1] == "in", error)) return Fail("camera", error);
        return 0;
    }
    if (command == "tdmb") {
        std::string line;
        for (std::size_t i = 1; i < args.size(); ++i) line += (i > 1 ? " " : "") + args[i];
        const auto reply = device.Receiver(line, error);
        if (!reply) return Fail("tdmb", error);
        // "ok" alone says nothing more; a state or an error is printed as it came.
        if (reply->rfind("error: ", 0) == 0) {
            std::fprintf(stderr, "devicectl: tdmb: %s\n", reply->c_str() + 7);
            return 1;
        }
        if (*reply != "ok") std::printf("%s", reply->substr(reply->find('\n') + 1).c_str());
        return 0;
    }
    if (command == "overlay" && args.size() == 1) {
        const auto overlay = device.Overlay();
        if (!overlay) return Fail("overlay", ERROR_BROKEN_PIPE);
        if (!overlay->open) {
            std::printf("overlay closed\n");
            return 0;
        }
        const auto& r = overlay->destination;
        std::printf("overlay %s (pid %u) %ux%u at %d,%d-%d,%d, %llu frames\n",
                    overlay->program.empty() ? "?" : overlay->program.c_str(), overlay->owner, overlay->width,
                    overlay->height, r.left, r.top, r.right, r.bottom, static_cast<unsigned long long>(overlay->frames));
        return 0;
    }
    if (command == "wave-out" && args.size() <= 2) {
        std::optional<DWORD> volume;
        long long number = 0;
        if (args.size() == 2) {
            if (!Number(args[1], number) || number < 0 || number > 0xFFFFFFFFll) return Usage();
            volume = static_cast<DWORD>(number);
        }
        const auto word = device.WaveOut(volume, error);
        if (!word) return Fail("wave-out", error);
        std::printf("wave-out 0x%08X (left %u, right %u)\n", *word, *word & 0xFFFF, *word >> 16);
        return 0;
    }
    if (command == "audio" && args.size() == 1) {
        const auto outputs = device.AudioOutputs();
        if (!outputs) return Fail("audio", ERROR_BROKEN_PIPE);
        for (const auto& output : *outputs) std::printf("%s\n", devicectl::Describe(output).c_str());
        return 0;
    }
    if (command == "audio" && args.size() == 4 && args[1] == "record") {
        long long duration = 0;
        if (!Number(args[3], duration)) return Usage();
        if (duration < 0 || duration > protocol::kMaxAudioRecordMs) {
            std::fprintf(stderr, "devicectl: audio record: MS must be 0 to %u (10 minutes), not %s\n",
                         protocol::kMaxAudioRecordMs, args[3].c_str());
            return 2;
        }
        std::string reason;
        if (!device.RecordAudio(args[2], std::chrono::milliseconds(duration), reason)) {
            std::fprintf(stderr, "devicectl: audio record: %s\n", reason.c_str());
            return 1;
        }
        return 0;
    }
    if (command == "media" && args.size() == 1) {
        const auto graphs = device.Graphs();
        if (!graphs) return Fail("media", ERROR_BROKEN_PIPE);
        if (graphs->empty()) std::printf("no graphs\n");
        for (const auto& graph : *graphs) std::printf("%s\n", devicectl::Describe(graph).c_str());
        return 0;
    }
    if (command == "powercut" && args.size() == 1) {
        if (!device.PowerCut()) return Fail("powercut", ERROR_BROKEN_PIPE);
        return 0;
    }
    if (command == "shutdown" && args.size() == 1) {
        error = device.Shutdown();
        return error ? Fail("shutdown", error) : 0;
    }
    return Usage();
}
