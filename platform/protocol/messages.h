// The catalogue of every request, reply and event between programs and the device server.
// Both sides compile this one header; every message lists its fields once, in Visit, and the
// encoder, the bounds-checked decoder, the tracer and the tests all walk that list.
//
// Add a request at the end of DEVICE_REQUESTS (ids are positions) and bump kProtocolVersion.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/protocol/wire.h"

namespace protocol {

// ---- Replies shared by several requests -------------------------------------------------

struct StatusReply {
    std::uint32_t error = 0;  // the device's error code; 0 is success
    template <class V> void Visit(V& v) { v(error); }
};

struct HandleReply {
    std::uint32_t error = 0;   // may be ERROR_ALREADY_EXISTS alongside a valid handle
    std::uint32_t handle = 0;  // 0 on failure
    template <class V> void Visit(V& v) { v(error); v(handle); }
};

// ---- Connection -------------------------------------------------------------------------

struct HelloReply {
    std::uint32_t error = 0;
    std::uint32_t connection_id = 0;
    template <class V> void Visit(V& v) { v(error); v(connection_id); }
};
// First frame of every connection. One connection per program thread; the process is known
// from the socket's peer credentials, never from what the client claims.
struct HelloRequest {
    using Reply = HelloReply;
    std::uint32_t version = kProtocolVersion;
    std::uint32_t thread_id = 0;
    std::string program_name;
    template <class V> void Visit(V& v) { v(version); v(thread_id); v(program_name); }
};

// ---- Events and mutexes -----------------------------------------------------------------

struct CreateEventRequest {
    using Reply = HandleReply;
    bool manual_reset = false;  // auto-reset when false
    bool initial_state = false;
    std::string name;           // empty: unnamed, never shared
    template <class V> void Visit(V& v) { v(manual_reset); v(initial_state); v(name); }
};

struct OpenEventRequest {
    using Reply = HandleReply;
    std::string name;
    template <class V> void Visit(V& v) { v(name); }
};

enum class EventOperation : std::uint8_t { Set = 0, Reset = 1, Pulse = 2 };
struct EventOpRequest {
    using Reply = StatusReply;
    std::uint32_t handle = 0;
    std::uint8_t operation = 0;  // EventOperation
    template <class V> void Visit(V& v) { v(handle); v(operation); }
};

struct CreateMutexRequest {
    using Reply = HandleReply;
    bool initial_owner = false;
    std::string name;
    template <class V> void Visit(V& v) { v(initial_owner); v(name); }
};

struct ReleaseMutexRequest {
    using Reply = StatusReply;
    std::uint32_t handle = 0;
    template <class V> void Visit(V& v) { v(handle); }
};

// ---- File mappings ----------------------------------------------------------------------

struct MappingReply {
    std::uint32_t error = 0;
    std::uint32_t handle = 0;
    std::uint64_t size = 0;  // the mapping's size (an existing named mapping keeps its own)
    template <class V> void Visit(V& v) { v(error); v(handle); v(size); }
};
// Memory backed by the page file; the reply carries the memory's file descriptor.
struct CreateMappingRequest {
    using Reply = MappingReply;
    std::uint64_t size = 0;
    std::string name;
    template <class V> void Visit(V& v) { v(size); v(name); }
};

// ---- Handles and waits ------------------------------------------------------------------

struct CloseHandleRequest {
    using Reply = StatusReply;
    std::uint32_t handle = 0;
    template <class V> void Visit(V& v) { v(handle); }
};

struct WaitReply {
    std::uint32_t result = 0;  // WAIT_OBJECT_0 + i, WAIT_ABANDONED_0 + i, WAIT_TIMEOUT, WAIT_FAILED
    std::uint32_t error = 0;
    template <class V> void Visit(V& v) { v(result); v(error); }
};
struct WaitRequest {
    using Reply = WaitReply;
    std::vector<std::uint32_t> handles;  // 1 to 64
    bool wait_all = false;
    std::uint32_t timeout_ms = 0;        // INFINITE = 0xFFFFFFFF
    template <class V> void Visit(V& v) { v(handles); v(wait_all); v(timeout_ms); }
};

// ---- Processes --------------------------------------------------------------------------

struct StartProcessReply {
    std::uint32_t error = 0;
    std::uint32_t handle = 0;  // process handle, signalled at exit
    std::uint32_t process_id = 0;
    template <class V> void Visit(V& v) { v(error); v(handle); v(process_id); }
};
struct StartProcessRequest {
    using Reply = StartProcessReply;
    std::string path;        // device path of the program file
    std::string verb;        // "Open"
    std::string parameters;  // the program's command line
    template <class V> void Visit(V& v) { v(path); v(verb); v(parameters); }
};

struct TerminateProcessRequest {
    using Reply = StatusReply;
    std::uint32_t handle = 0;
    std::uint32_t exit_code = 0;
    template <class V> void Visit(V& v) { v(handle); v(exit_code); }
};

struct ExitCodeReply {
    std::uint32_t error = 0;
    std::uint32_t exit_code = 0;  // STILL_ACTIVE (259) while running
    template <class V> void Visit(V& v) { v(error); v(exit_code); }
};
struct ProcessExitCodeRequest {
    using Reply = ExitCodeReply;
    std::uint32_t handle = 0;
    template <class V> void Visit(V& v) { v(handle); }
};

struct ProcessEntry {
    std::uint32_t process_id = 0;
    std::string name;          // program file name, e.g. "MUSIC.EXE"
    std::string path;          // device path it was started by; empty when it connected by itself
    std::string command_line;
    std::uint32_t connections = 0;
    template <class V> void Visit(V& v) { v(process_id); v(name); v(path); v(command_line); v(connections); }
};
struct ProcessListReply {
    std::vector<ProcessEntry> processes;
    template <class V> void Visit(V& v) { v(processes); }
};
struct ListProcessesRequest {
    using Reply = ProcessListReply;
    template <class V> void Visit(V&) {}
};

// ---- Registry ---------------------------------------------------------------------------
// Keys are named by their full path from a root key: "HKEY_LOCAL_MACHINE\SOFTWARE\KORVEX\APP".

struct RegKeyReply {
    std::uint32_t error = 0;
    bool created = false;  // RegCreateKey: the key did not exist before
    template <class V> void Visit(V& v) { v(error); v(created); }
};
struct RegCreateKeyRequest {
    using Reply = RegKeyReply;
    std::string path;
    template <class V> void Visit(V& v) { v(path); }
};
struct RegOpenKeyRequest {
    using Reply = RegKeyReply;
    std::string path;
    template <class V> void Visit(V& v) { v(path); }
};

struct RegValueReply {
    std::uint32_t error = 0;
    std::uint32_t type = 0;  // REG_SZ 1, REG_BINARY 3, REG_DWORD 4
    std::vector<std::uint8_t> data;
    template <class V> void Visit(V& v) { v(error); v(type); v(data); }
};
struct RegQueryValueRequest {
    using Reply = RegValueReply;
    std::string path;
    std::string name;
    template <class V> void Visit(V& v) { v(path); v(name); }
};
struct RegSetValueRequest {
    using Reply = StatusReply;
    std::string path;
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;  // REG_SZ: UTF-16LE with its terminator, as the device stores it
    template <class V> void Visit(V& v) { v(path); v(name); v(type); v(data); }
};
struct RegDeleteKeyRequest {
    using Reply = StatusReply;
    std::string path;  // deleted with all its subkeys
    template <class V> void Visit(V& v) { v(path); }
};
struct RegDeleteValueRequest {
    using Reply = StatusReply;
    std::string path;
    std::string name;
    template <class V> void Visit(V& v) { v(path); v(name); }
};
struct RegFlushRequest {
    using Reply = StatusReply;
    template <class V> void Visit(V&) {}
};
struct RegKeyInfoReply {
    std::uint32_t error = 0;
    std::uint32_t subkeys = 0;
    std::uint32_t values = 0;
    template <class V> void Visit(V& v) { v(error); v(subkeys); v(values); }
};
struct RegQueryInfoKeyRequest {
    using Reply = RegKeyInfoReply;
    std::string path;
    template <class V> void Visit(V& v) { v(path); }
};

// ---- File sharing -----------------------------------------------------------------------

struct FileShareReply {
    std::uint32_t error = 0;  // ERROR_SHARING_VIOLATION when refused
    std::uint64_t ticket = 0;
    template <class V> void Visit(V& v) { v(error); v(ticket); }
};
struct FileShareAcquireRequest {
    using Reply = FileShareReply;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint32_t access = 0;
    std::uint32_t share = 0;
    template <class V> void Visit(V& v) { v(device); v(inode); v(access); v(share); }
};
struct FileShareReleaseRequest {
    using Reply = StatusReply;
    std::uint64_t ticket = 0;
    template <class V> void Visit(V& v) { v(ticket); }
};

// ---- Windows ----------------------------------------------------------------------------
// Window handles are server-assigned numbers, valid in every program. Rectangles of top-level
// windows are in screen coordinates; those of child windows in their parent's client area.

struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    template <class V> void Visit(V& v) { v(left); v(top); v(right); v(bottom); }
};

struct WindowReply {
    std::uint32_t error = 0;
    std::uint32_t hwnd = 0;
    template <class V> void Visit(V& v) { v(error); v(hwnd); }
};
// A window with WS_CHILD lies in its parent; a window without it is top-level, and a parent
// handle given for it names its owner instead (the top-level window of that handle).
struct CreateWindowRequest {
    using Reply = WindowReply;
    std::string class_name;
    std::string title;
    std::uint32_t style = 0;     // WS_ bits
    std::uint32_t ex_style = 0;  // WS_EX_ bits (WS_EX_TOPMOST, WS_EX_TOOLWINDOW)
    Rect rect;
    std::uint32_t parent = 0;
    std::uint32_t control_id = 0;  // a child's control id (the menu argument of CreateWindowEx); 0 otherwise
    template <class V> void Visit(V& v) { v(class_name); v(title); v(style); v(ex_style); v(rect); v(parent); v(control_id); }
};
struct DestroyWindowRequest {
    using Reply = StatusReply;
    std::uint32_t hwnd = 0;
    template <class V> void Visit(V& v) { v(hwnd); }
};
struct FindWindowRequest {
    using Reply = WindowReply;
    bool by_class = false;
    std::string class_name;
    bool by_title = false;
    std::string title;
    template <class V> void Visit(V& v) { v(by_class); v(class_name); v(by_title); v(title); }
};

struct WindowInfo {
    std::uint32_t hwnd = 0;
    std::uint32_t parent = 0;
    std::string class_name;
    std::string title;
    std::uint32_t process_id = 0;
    std::uint32_t thread_id = 0;
    std::string program;
    Rect rect;                  // screen coordinates
    bool visible = false;       // the window and all its ancestors
    bool enabled = true;
    bool topmost = false;
    bool foreground = false;
    std::uint32_t style = 0;
    std::uint32_t owner = 0;     // a top-level window's owner; 0 for none
    std::uint32_t ex_style = 0;  // WS_EX_ bits; WS_EX_TOPMOST while in the topmost band
    std::uint32_t control_id = 0;  // a child window's control id; 0 for top-level windows
    template <class V> void Visit(V& v) {
        v(hwnd); v(parent); v(class_name); v(title); v(process_id); v(thread_id); v(program); v(rect);
        v(visible); v(enabled); v(topmost); v(foreground); v(style); v(owner); v(ex_style); v(control_id);
    }
};
struct WindowInfoReply {
    std::uint32_t error = 0;  // ERROR_INVALID_WINDOW_HANDLE for a window that is gone
    WindowInfo info;
    template <class V> void Visit(V& v) { v(error); v(info); }
};
struct GetWindowInfoRequest {
    using Reply = WindowInfoReply;
    std::uint32_t hwnd = 0;
    template <class V> void Visit(V& v) { v(hwnd); }
};
struct ListWindowsReply {
    std::vector<WindowInfo> windows;  // top-level windows front to back, each followed by its children (front to back)
    template <class V> void Visit(V& v) { v(windows); }
};
struct ListWindowsRequest {
    using Reply = ListWindowsReply;
    template <class V> void Visit(V&) {}
};

struct SetWindowTextRequest {
    using Reply = StatusReply;
    std::uint32_t hwnd = 0;
    std::string text;
    template <class V> void Visit(V& v) { v(hwnd); v(text); }
};

struct WindowStateReply {
    std::uint32_t error = 0;
    std::uint32_t previous = 0;  // what the call reports: was visible, was disabled, previous window
    template <class V> void Visit(V& v) { v(error); v(previous); }
};
struct SetWindowPosRequest {
    using Reply = WindowStateReply;
    std::uint32_t hwnd = 0;
    std::uint32_t insert_after = 0;  // a window, or HWND_TOP 0, HWND_BOTTOM 1, HWND_TOPMOST -1, HWND_NOTOPMOST -2
    Rect rect;                       // left, top, width, height
    std::uint32_t flags = 0;         // SWP_ bits
    template <class V> void Visit(V& v) { v(hwnd); v(insert_after); v(rect); v(flags); }
};
struct ShowWindowRequest {
    using Reply = WindowStateReply;
    std::uint32_t hwnd = 0;
    std::uint32_t command = 0;  // SW_
    template <class V> void Visit(V& v) { v(hwnd); v(command); }
};
struct EnableWindowRequest {
    using Reply = WindowStateReply;
    std::uint32_t hwnd = 0;
    bool enable = true;
    template <class V> void Visit(V& v) { v(hwnd); v(enable); }
};
enum class FocusOperation : std::uint8_t { SetForeground, GetForeground, SetCapture, ReleaseCapture, GetCapture };
struct FocusRequest {
    using Reply = WindowStateReply;
    std::uint8_t operation = 0;  // FocusOperation
    std::uint32_t hwnd = 0;
    template <class V> void Visit(V& v) { v(operation); v(hwnd); }
};
struct RegisterMessageReply {
    std::uint32_t message = 0;  // 0xC000 to 0xFFFF; 0 when the table is full
    template <class V> void Visit(V& v) { v(message); }
};
struct RegisterMessageRequest {
    using Reply = RegisterMessageReply;
    std::string name;
    template <class V> void Visit(V& v) { v(name); }
};
// The platform's taskbar: from now on the server posts WM_USER to this window, with the window
// concerned in lParam, whenever a top-level window without owner that is no tool window first
// becomes visible (wParam 6), is activated (8) or is destroyed (7). The window must be the
// caller's program's. A second registration replaces the first; a registration ends with its
// window.
struct RegisterTaskBarRequest {
    using Reply = StatusReply;
    std::uint32_t hwnd = 0;
    template <class V> void Visit(V& v) { v(hwnd); }
};

// ---- Dialog controls --------------------------------------------------------------------

// The first child of a window (the oldest, when several) that carries a control id.
struct GetDlgItemRequest {
    using Reply = WindowReply;  // ERROR_CONTROL_ID_NOT_FOUND (1421) when it has none
    std::uint32_t parent = 0;
    std::uint32_t control_id = 0;
    template <class V> void Visit(V& v) { v(parent); v(control_id); }
};

// The items a list box or combo box shows, as its program last published them, for devicectl
// and the tests. A control publishes its whole list after changes, at most a few times a
// second; what does not fit into kMaxPublishedItemBytes is left out (count still says how many
// there are).
constexpr std::size_t kMaxPublishedItemBytes = 128 * 1024;
constexpr std::size_t kMaxPublishedItemText = 1024;  // bytes of one item; longer ones are cut
// One-way. Only the window's own program publishes its items.
struct PublishControlItemsRequest {
    using Reply = void;
    std::uint32_t hwnd = 0;
    std::int32_t selection = -1;       // -1: none
    std::uint32_t count = 0;           // items the control holds
    std::vector<std::string> items;    // the first of them, in order
    template <class V> void Visit(V& v) { v(hwnd); v(selection); v(count); v(items); }
};
struct ControlItemsReply {
    std::uint32_t error = 0;  // ERROR_INVALID_WINDOW_HANDLE; ERROR_NOT_SUPPORTED when it never published
    std::int32_t selection = -1;
    std::uint32_t count = 0;
    std::vector<std::string> items;
    template <class V> void Visit(V& v) { v(error); v(selection); v(count); v(items); }
};
struct GetControlItemsRequest {
    using Reply = ControlItemsReply;
    std::uint32_t hwnd = 0;
    template <class V> void Visit(V& v) { v(hwnd); }
};

// ---- Messages ---------------------------------------------------------------------------

struct SendMessageReply {
    std::uint32_t error = 0;   // ERROR_INVALID_WINDOW_HANDLE when the window is gone
    std::int64_t result = 0;
    template <class V> void Visit(V& v) { v(error); v(result); }
};
// Synchronous: the reply comes when the window's thread has handled it (or at once with 0
// when the window or its program is gone).
struct SendMessageRequest {
    using Reply = SendMessageReply;
    std::uint32_t hwnd = 0;
    std::uint32_t message = 0;
    std::uint64_t wparam = 0;
    std::int64_t lparam = 0;
    bool has_copydata = false;        // WM_COPYDATA: lparam's COPYDATASTRUCT travels as data
    std::uint64_t copydata_code = 0;  // dwData
    std::vector<std::uint8_t> data;   // up to 64 KiB
    template <class V> void Visit(V& v) { v(hwnd); v(message); v(wparam); v(lparam); v(has_copydata); v(copydata_code); v(data); }
};
// A send that gives up: the reply comes with the handler's result, or with ERROR_TIMEOUT once
// timeout_ms have passed (the thread's late answer is then dropped), or at once with
// ERROR_TIMEOUT when flags has SMTO_ABORTIFHUNG and the window's thread is not responding.
struct SendMessageTimeoutRequest {
    using Reply = SendMessageReply;
    SendMessageRequest send;
    std::uint32_t flags = 0;       // SMTO_NORMAL 0, SMTO_ABORTIFHUNG 2
    std::uint32_t timeout_ms = 0;
    template <class V> void Visit(V& v) { v(send); v(flags); v(timeout_ms); }
};
// One-way (no reply): queued for the window's thread; to HWND_BROADCAST (0xFFFF), for every
// top-level window.
struct PostMessageRequest {
    using Reply = void;
    std::uint32_t hwnd = 0;
    std::uint32_t message = 0;
    std::uint64_t wparam = 0;
    std::int64_t lparam = 0;
    template <class V> void Visit(V& v) { v(hwnd); v(message); v(wparam); v(lparam); }
};
// One-way: a thread's answer to an IncomingSend.
struct ReplyMessageRequest {
    using Reply = void;
    std::uint64_t send_id = 0;
    std::int64_t result = 0;
    template <class V> void Visit(V& v) { v(send_id); v(result); }
};

// ---- Events (server to program) ---------------------------------------------------------

// A message sent to one of the thread's windows; answered with ReplyMessage (send_id 0: the
// server itself sent it and wants no answer).
struct IncomingSendEvent {
    std::uint64_t send_id = 0;
    std::uint32_t hwnd = 0;
    std::uint32_t message = 0;
    std::uint64_t wparam = 0;
    std::int64_t lparam = 0;
    bool has_copydata = false;
    std::uint64_t copydata_code = 0;
    std::vector<std::uint8_t> data;
    // The process of the sending program (0: the server). A pointer in wparam or lparam means
    // something only inside its own process.
    std::uint32_t sender_process = 0;
    template <class V> void Visit(V& v) {
        v(send_id); v(hwnd); v(message); v(wparam); v(lparam); v(has_copydata); v(copydata_code); v(data);
        v(sender_process);
    }
};
struct PostedEvent {
    std::uint32_t hwnd = 0;
    std::uint32_t message = 0;
    std::uint64_t wparam = 0;
    std::int64_t lparam = 0;
    template <class V> void Visit(V& v) { v(hwnd); v(message); v(wparam); v(lparam); }
};

#define DEVICE_EVENTS(X) \
    X(IncomingSend)      \
    X(Posted)

enum class EventId : std::uint16_t {
    None = 0,
#define PROTOCOL_EVENT_ID(name) name,
    DEVICE_EVENTS(PROTOCOL_EVENT_ID)
#undef PROTOCOL_EVENT_ID
};
template <class Event> struct EventIdOf;
#define PROTOCOL_EVENT_TRAIT(name) \
    template <> struct EventIdOf<name##Event> { static constexpr EventId value = EventId::name; };
DEVICE_EVENTS(PROTOCOL_EVENT_TRAIT)
#undef PROTOCOL_EVENT_TRAIT

template <class Event>
constexpr std::uint16_t EventKind() { return static_cast<std::uint16_t>(static_cast<std::uint16_t>(EventIdOf<Event>::value) | kEventBit); }

// ---- Drivers ----------------------------------------------------------------------------

// The wave-out volume: one device-wide value (low word left, high word right channel) that
// every program's audio output applies.
struct WaveOutVolumeReply {
    std::uint32_t error = 0;
    std::uint32_t volume = 0;  // after the call
    template <class V> void Visit(V& v) { v(error); v(volume); }
};
struct WaveOutVolumeRequest {
    using Reply = WaveOutVolumeReply;
    bool set = false;
    std::uint32_t volume = 0;
    template <class V> void Visit(V& v) { v(set); v(volume); }
};

// A wave-out driver message to device 0. Message kWaveOutAvInputLevel sets the AV input's sound
// level (param1, 0 silent to kMostAvInputLevel), which the device keeps; any other message is
// not supported (ERROR_NOT_SUPPORTED), a level out of range refused (ERROR_INVALID_PARAMETER).
constexpr std::uint32_t kWaveOutAvInputLevel = 122;
constexpr std::uint32_t kMostAvInputLevel = 10;
struct WaveOutMessageReply {
    std::uint32_t error = 0;
    template <class V> void Visit(V& v) { v(error); }
};
struct WaveOutMessageRequest {
    using Reply = WaveOutMessageReply;
    std::uint32_t message = 0;
    std::uint32_t param1 = 0;
    template <class V> void Visit(V& v) { v(message); v(param1); }
};

// ---- Audio outputs ---------------------------------------------------------------------
// Every graph of a program that plays audio has one audio output, and each output reports to
// the server on a connection of its own. Times are CLOCK_MONOTONIC nanoseconds, one clock for
// every program of the machine.

// What the audio outputs hand over while a recording is asked for: interleaved 16-bit
// little-endian stereo at this rate, whatever the program plays at.
constexpr std::uint32_t kAudioRecordRate = 48000;
constexpr std::uint32_t kAudioRecordChannels = 2;
// The longest recording the server makes (10 minutes).
constexpr std::uint32_t kMaxAudioRecordMs = 10 * 60 * 1000;
// The level of silence: nothing played, or below -120 dB of full scale.
constexpr std::int32_t kSilentAudioLevel = INT32_MIN;

enum class AudioGraphState : std::uint8_t { Stopped = 0, Paused = 1, Running = 2, Closed = 3 };

// A stretch of time whose audio the server wants: [from_ns, to_ns).
struct AudioRecordWindow {
    std::uint64_t from_ns = 0;
    std::uint64_t to_ns = 0;
    template <class V> void Visit(V& v) { v(from_ns); v(to_ns); }
};
struct AudioReportReply {
    std::vector<AudioRecordWindow> recordings;  // the windows not yet closed; empty when nobody records
    template <class V> void Visit(V& v) { v(recordings); }
};
// An output's state, sent about every 100 ms, at once when the graph changes state, and a last
// time with state Closed when the graph is torn down (the output's line then goes; it goes too
// when the connection ends). The reply says which stretches of time are being recorded.
struct AudioReportRequest {
    using Reply = AudioReportReply;
    std::uint32_t output = 0;      // the program's number for the output, from 1
    std::uint8_t state = 0;        // AudioGraphState
    std::int64_t position_us = 0;  // the graph's position
    std::int32_t level = 0;        // peak of the last 100 ms played, hundredths of a dB of full scale
    template <class V> void Visit(V& v) { v(output); v(state); v(position_us); v(level); }
};
// One-way: samples an output played (or will play) from play_ns on, for the recordings the
// last report's reply named. kAudioRecordChannels x 16-bit at kAudioRecordRate, whole frames.
struct AudioSamplesRequest {
    using Reply = void;
    std::uint32_t output = 0;
    std::uint64_t play_ns = 0;
    std::vector<std::uint8_t> samples;  // at most kMaxAudioSamplesBytes
    template <class V> void Visit(V& v) { v(output); v(play_ns); v(samples); }
};
constexpr std::size_t kMaxAudioSamplesBytes = 64 * 1024;

struct AudioOutputInfo {
    std::uint32_t process_id = 0;
    std::string program;            // the program file name
    std::uint32_t output = 0;
    std::uint8_t state = 0;         // AudioGraphState
    std::int64_t position_us = 0;
    std::int32_t level = 0;         // as reported; kSilentAudioLevel for silence
    template <class V> void Visit(V& v) { v(process_id); v(program); v(output); v(state); v(position_us); v(level); }
};
struct AudioListReply {
    std::vector<AudioOutputInfo> outputs;  // by program, then output number
    template <class V> void Visit(V& v) { v(outputs); }
};
struct AudioListRequest {
    using Reply = AudioListReply;
    template <class V> void Visit(V&) {}
};

struct AudioRecordReply {
    std::uint32_t error = 0;   // ERROR_INVALID_PARAMETER beyond kMaxAudioRecordMs, ERROR_BUSY when too many record
    std::uint32_t rate = 0;    // kAudioRecordRate
    std::uint32_t channels = 0;
    std::uint64_t frames = 0;  // the memory that comes with the reply holds frames x channels 16-bit samples
    template <class V> void Visit(V& v) { v(error); v(rate); v(channels); v(frames); }
};
// Everything the device's audio outputs play during the next duration_ms, from when the server
// reads the request, mixed with saturation. The reply comes once the time has passed (and the
// last samples had time to arrive), with the memory holding the mix.
struct AudioRecordRequest {
    using Reply = AudioRecordReply;
    std::uint32_t duration_ms = 0;
    template <class V> void Visit(V& v) { v(duration_ms); }
};

// ---- Playback graphs ----------------------------------------------------------------------
// Every filter graph that has rendered a file, or connected filters by hand, reports what it
// plays: at once after each change (rendering, a state change, a seek, a volume), about every
// 250 ms while it runs, and a last time as Closed when it is released; its line then goes,
// and it goes too with its program. States are those of AudioGraphState.

// The longest device path a graph report carries, in bytes.
constexpr std::size_t kMaxGraphFileBytes = 1024;
// A duration the graph does not know (yet).
constexpr std::int64_t kUnknownGraphDuration = -1;
// The volume range of IBasicAudio, hundredths of a dB.
constexpr std::int32_t kGraphVolumeSilence = -10000;
constexpr std::int32_t kGraphVolumeFull = 0;

struct GraphReportRequest {
    using Reply = StatusReply;
    std::uint32_t graph = 0;        // the program's number for the graph, from 1
    std::string file;               // the device path it rendered (for a graph connected by hand,
                                    // its first source filter's name), at most kMaxGraphFileBytes
    std::uint8_t state = 0;         // AudioGraphState
    std::int64_t position_ms = 0;
    std::int64_t duration_ms = 0;   // kUnknownGraphDuration when not known
    std::int32_t volume = 0;        // as put_Volume set it: kGraphVolumeSilence to kGraphVolumeFull
    template <class V> void Visit(V& v) { v(graph); v(file); v(state); v(position_ms); v(duration_ms); v(volume); }
};

struct GraphInfo {
    std::uint32_t process_id = 0;
    std::string program;            // the program file name
    std::uint32_t graph = 0;
    std::string file;
    std::uint8_t state = 0;         // AudioGraphState
    std::int64_t position_ms = 0;
    std::int64_t duration_ms = 0;
    std::int32_t volume = 0;
    template <class V> void Visit(V& v) {
        v(process_id); v(program); v(graph); v(file); v(state); v(position_ms); v(duration_ms); v(volume);
    }
};
struct GraphListReply {
    std::vector<GraphInfo> graphs;  // by program, process, then graph number
    template <class V> void Visit(V& v) { v(graphs); }
};
struct GraphListRequest {
    using Reply = GraphListReply;
    template <class V> void Visit(V&) {}
};

// ---- Removable media --------------------------------------------------------------------
// The storage card and the USB drive. A medium is inserted while its folder is in the device's
// file system (fs/STORAGE CARD, fs/USB DRIVE); a removed one keeps its files under
// state/removed/ and comes back with them when inserted again (platform/removable_media.h).

struct MediumReply {
    std::uint32_t error = 0;  // ERROR_NOT_READY: the medium to remove is not inserted
    std::string reason;       // what went wrong, in words: "no STORAGE CARD is inserted"
    template <class V> void Visit(V& v) { v(error); v(reason); }
};
// Inserts or removes a medium, then posts WM_DEVICECHANGE to every top-level window with
// DBT_DEVICEARRIVAL after an insertion or DBT_DEVICEREMOVECOMPLETE after a removal, lParam 0.
// Inserting a medium that is in already changes nothing and posts nothing.
struct SetMediumInsertedRequest {
    using Reply = MediumReply;
    std::uint8_t medium = 0;  // platform::RemovableMedium: 0 the storage card, 1 the USB drive
    bool inserted = false;
    template <class V> void Visit(V& v) { v(medium); v(inserted); }
};

// ---- Screen, surfaces and input ---------------------------------------------------------
// Pixels are 32-bit 0x00RRGGBB, rows top to bottom, pitch bytes apart.

struct SurfaceReply {
    std::uint32_t error = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t pitch = 0;       // bytes per row
    std::uint32_t generation = 0;  // changes whenever the surface is made anew (a resize)
    template <class V> void Visit(V& v) { v(error); v(width); v(height); v(pitch); v(generation); }
};
// A window's pixel surface, sized to the window; the reply carries its memory's descriptor.
// Only the window's own program may ask.
struct GetSurfaceRequest {
    using Reply = SurfaceReply;
    std::uint32_t hwnd = 0;
    template <class V> void Visit(V& v) { v(hwnd); }
};
// The program has finished drawing this rectangle (window coordinates) of its window's surface.
// The server takes that part for the screen before it answers, and the screen shows nothing
// of a surface but what was taken so: a program may draw again once answered, and no screen
// ever shows a paint half done.
struct SurfaceDamageRequest {
    using Reply = StatusReply;
    std::uint32_t hwnd = 0;
    Rect rect;
    template <class V> void Visit(V& v) { v(hwnd); v(rect); }
};

// The video overlay plane: one buffer of width x height pixels, shown scaled into destination
// wherever the composed screen has the colour key RGB(16, 0, 16). One per device; the last
// program to open it owns it (any of its threads may move or close it) until it closes it or
// ends.
struct OverlayReply {
    std::uint32_t error = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t pitch = 0;
    template <class V> void Visit(V& v) { v(error); v(width); v(height); v(pitch); }
};
enum class OverlayOperation : std::uint8_t { Open = 0, Move = 1, Close = 2 };
struct OverlayRequest {
    using Reply = OverlayReply;        // Open: the buffer's descriptor comes with the reply
    std::uint8_t operation = 0;        // OverlayOperation
    std::uint32_t width = 0;           // Open: the buffer's size
    std::uint32_t height = 0;
    Rect destination;                  // Open, Move: screen rectangle
    template <class V> void Visit(V& v) { v(operation); v(width); v(height); v(destination); }
};
// One-way: a new frame is in the overlay buffer.
struct OverlayFrameRequest {
    using Reply = void;
    template <class V> void Visit(V&) {}
};
// Who holds the overlay plane and how many frames it has shown since it was opened.
struct OverlayInfoReply {
    std::uint32_t error = 0;
    bool open = false;
    std::uint32_t owner = 0;  // process id
    std::string program;      // the owner's program file name
    Rect destination;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint64_t frames = 0;
    template <class V> void Visit(V& v) { v(error); v(open); v(owner); v(program); v(destination); v(width); v(height); v(frames); }
};
struct OverlayInfoRequest {
    using Reply = OverlayInfoReply;
    template <class V> void Visit(V&) {}
};

// The display backlight: a level 0..100 that scales the presented brightness, and power.
struct BacklightReply {
    std::uint32_t error = 0;
    std::uint32_t level = 0;  // after the call
    bool power = true;
    template <class V> void Visit(V& v) { v(error); v(level); v(power); }
};
struct BacklightRequest {
    using Reply = BacklightReply;
    bool set_level = false;
    std::uint32_t level = 0;
    bool set_power = false;
    bool power = true;
    template <class V> void Visit(V& v) { v(set_level); v(level); v(set_power); v(power); }
};

// The presented screen as it is now; the pixels come in the memory whose descriptor the
// reply carries.
struct ScreenshotReply {
    std::uint32_t error = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t pitch = 0;
    std::uint64_t frame = 0;  // the number of the presented frame the pixels are (see ScreenChange)
    template <class V> void Visit(V& v) { v(error); v(width); v(height); v(pitch); v(frame); }
};
struct ScreenshotRequest {
    using Reply = ScreenshotReply;
    template <class V> void Visit(V&) {}
};

// Waits until the server presents a frame numbered above `after`, or the time is up; the
// number of the frame presented last either way. Frames are numbered from 1 as they go out, so
// a watcher of the screen sleeps in the server until there is something new to see.
constexpr std::uint32_t kMaxScreenChangeWaitMs = 60000;
struct ScreenChangeReply {
    std::uint32_t error = 0;
    std::uint64_t frame = 0;
    template <class V> void Visit(V& v) { v(error); v(frame); }
};
struct ScreenChangeRequest {
    using Reply = ScreenChangeReply;
    std::uint64_t after = 0;
    std::uint32_t timeout_ms = 0;  // at most kMaxScreenChangeWaitMs
    template <class V> void Visit(V& v) { v(after); v(timeout_ms); }
};

// Pen and key input, as the touch panel and the remote control give it.
enum class InputKind : std::uint8_t { PenDown = 0, PenMove = 1, PenUp = 2, Key = 3 };
// Keys of the remote control: 1..9 are the digit keys.
enum class DeviceKey : std::uint32_t { Left = 10, Right = 11, Enter = 12 };
struct InputRequest {
    using Reply = StatusReply;
    std::uint8_t kind = 0;  // InputKind
    std::int32_t x = 0;     // screen coordinates
    std::int32_t y = 0;
    std::uint32_t key = 0;  // 1..9 or DeviceKey
    template <class V> void Visit(V& v) { v(kind); v(x); v(y); v(key); }
};

// ---- Stream drivers and the platform control call ---------------------------------------

struct DriverOpenRequest {
    using Reply = StatusReply;  // ERROR_FILE_NOT_FOUND when the board has no such device
    std::string device;         // "BKL1:"
    template <class V> void Visit(V& v) { v(device); }
};
struct IoControlReply {
    std::uint32_t error = 0;
    std::vector<std::uint8_t> output;
    template <class V> void Visit(V& v) { v(error); v(output); }
};
struct DriverIoControlRequest {
    using Reply = IoControlReply;
    std::string device;
    std::uint32_t code = 0;
    std::vector<std::uint8_t> input;
    std::uint32_t output_size = 0;  // at most 64 KiB
    template <class V> void Visit(V& v) { v(device); v(code); v(input); v(output_size); }
};
// A close of a stream device's handle; devices that keep per-open state (the flash disk
// flushes its image at the last close) learn of it, the others ignore it.
struct DriverCloseRequest {
    using Reply = StatusReply;
    std::string device;
    template <class V> void Visit(V& v) { v(device); }
};
// The flash disk's requests in a DriverIoControl's input. Sector reads and writes: four
// little-endian words {first sector, sector count, first sector of the caller's whole request,
// its sector count}, then for a write the sectors' bytes. A caller's request larger than
// kFlashChunkSectors goes as several such chunks; the driver checks the whole request's range
// with each, so a range that runs off the disk is refused before anything moves. Boot loader
// install: a word, the length, then the host path of the open file (the driver takes only files
// of the device's file system).
constexpr std::uint32_t kFlashChunkHeaderSize = 16;
constexpr std::uint32_t kFlashChunkSectors = 64;
struct KernelIoControlRequest {
    using Reply = IoControlReply;
    std::uint32_t code = 0;
    std::vector<std::uint8_t> input;
    std::uint32_t output_size = 0;  // at most 64 KiB
    template <class V> void Visit(V& v) { v(code); v(input); v(output_size); }
};
// What the drivers hold now, for devicectl state and the tests.
struct DriverStateReply {
    std::uint32_t backlight_percent = 0;
    bool backlight_on = false;
    std::uint32_t fm_word = 0;
    bool fm_transmitter_on = false;
    bool fm_speaker_on = false;
    bool remote_receiver_on = false;
    std::uint32_t cpu_mhz = 0;
    std::uint32_t bus_mhz = 0;
    std::uint32_t clock_priority = 0;
    std::uint32_t wave_out_volume = 0;
    std::uint32_t av_input_level = 0;  // as wave-out message 122 last set it
    bool camera_connected = false;
    std::uint64_t flash_sectors = 0;        // the flash disk's size in sectors of 512 bytes
    std::uint64_t flash_bytes_in_use = 0;   // what its sparse image takes on the host's disk
    bool boot_loader_installed = false;
    std::uint64_t boot_loader_bytes = 0;
    template <class V> void Visit(V& v) {
        v(backlight_percent); v(backlight_on); v(fm_word); v(fm_transmitter_on); v(fm_speaker_on);
        v(remote_receiver_on); v(cpu_mhz); v(bus_mhz); v(clock_priority); v(wave_out_volume); v(av_input_level);
        v(camera_connected); v(flash_sectors); v(flash_bytes_in_use); v(boot_loader_installed);
        v(boot_loader_bytes);
    }
};
struct DriverStateRequest {
    using Reply = DriverStateReply;
    template <class V> void Visit(V&) {}
};

// ---- Device control ---------------------------------------------------------------------

struct ShutdownRequest {
    using Reply = StatusReply;
    template <class V> void Visit(V&) {}
};

// ---- The request list -------------------------------------------------------------------

#define DEVICE_REQUESTS(X) \
    X(Hello)               \
    X(CreateEvent)         \
    X(OpenEvent)           \
    X(EventOp)             \
    X(CreateMutex)         \
    X(ReleaseMutex)        \
    X(CreateMapping)       \
    X(CloseHandle)         \
    X(Wait)                \
    X(StartProcess)        \
    X(TerminateProcess)    \
    X(ProcessExitCode)     \
    X(ListProcesses)       \
    X(RegCreateKey)        \
    X(RegOpenKey)          \
    X(RegQueryValue)       \
    X(RegSetValue)         \
    X(RegDeleteKey)        \
    X(RegDeleteValue)      \
    X(RegFlush)            \
    X(FileShareAcquire)    \
    X(FileShareRelease)    \
    X(Shutdown)            \
    X(CreateWindow)        \
    X(DestroyWindow)       \
    X(FindWindow)          \
    X(GetWindowInfo)       \
    X(ListWindows)         \
    X(SetWindowText)       \
    X(SetWindowPos)        \
    X(ShowWindow)          \
    X(EnableWindow)        \
    X(Focus)               \
    X(RegisterMessage)     \
    X(SendMessage)         \
    X(PostMessage)         \
    X(ReplyMessage)        \
    X(WaveOutVolume)       \
    X(GetSurface)          \
    X(SurfaceDamage)       \
    X(Overlay)             \
    X(OverlayFrame)        \
    X(Backlight)           \
    X(Screenshot)          \
    X(Input)               \
    X(DriverOpen)          \
    X(DriverIoControl)     \
    X(KernelIoControl)     \
    X(DriverState)         \
    X(SendMessageTimeout)  \
    X(RegisterTaskBar)     \
    X(OverlayInfo)         \
    X(AudioReport)         \
    X(AudioSamples)        \
    X(AudioList)           \
    X(AudioRecord)         \
    X(SetMediumInserted)   \
    X(GraphReport)         \
    X(GraphList)           \
    X(GetDlgItem)          \
    X(PublishControlItems) \
    X(GetControlItems)     \
    X(RegQueryInfoKey)     \
    X(WaveOutMessage)      \
    X(DriverClose)         \
    X(ScreenChange)

enum class RequestId : std::uint16_t {
    None = 0,
#define PROTOCOL_REQUEST_ID(name) name,
    DEVICE_REQUESTS(PROTOCOL_REQUEST_ID)
#undef PROTOCOL_REQUEST_ID
    Count
};

// The id of each request type, for the client's typed Call.
template <class Request> struct RequestIdOf;
#define PROTOCOL_REQUEST_TRAIT(name) \
    template <> struct RequestIdOf<name##Request> { static constexpr RequestId value = RequestId::name; };
DEVICE_REQUESTS(PROTOCOL_REQUEST_TRAIT)
#undef PROTOCOL_REQUEST_TRAIT

const char* Name(RequestId id);

// The server's side: one Handle per request. The reply is sent by the handler (at once, or
// later for waits), addressed by the request's sequence number.
template <class Context>
class RequestHandler {
public:
    virtual ~RequestHandler() = default;
#define PROTOCOL_HANDLER(name) virtual void Handle(Context& context, std::uint32_t sequence, const name##Request& request) = 0;
    DEVICE_REQUESTS(PROTOCOL_HANDLER)
#undef PROTOCOL_HANDLER
};

enum class DispatchResult { Handled, UnknownRequest, BadPayload };

// Decodes one request frame's payload by its kind and calls the matching Handle.
template <class Context>
DispatchResult Dispatch(RequestHandler<Context>& handler, Context& context, std::uint16_t kind,
                        std::uint32_t sequence, const std::uint8_t* payload, std::size_t size) {
    switch (static_cast<RequestId>(kind)) {
#define PROTOCOL_DISPATCH(name)                                                          \
    case RequestId::name: {                                                              \
        name##Request request;                                                           \
        if (!DecodePayload(payload, size, request)) return DispatchResult::BadPayload;  \
        handler.Handle(context, sequence, request);                                      \
        return DispatchResult::Handled;                                                  \
    }
        DEVICE_REQUESTS(PROTOCOL_DISPATCH)
#undef PROTOCOL_DISPATCH
        default:
            return DispatchResult::UnknownRequest;
    }
}

}  // namespace protocol
