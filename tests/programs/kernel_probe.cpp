// PROBE.EXE: a small device program for the platform tests. Its command line is a script of
// steps separated by ';' that it runs in order, writing what happened to its debug log:
//   event NAME                 create an auto-reset event and keep it
//   manual NAME                create a manual-reset event and keep it
//   set NAME | pulse NAME      set or pulse a kept event
//   wait NAME MS               wait on a kept object
//   mutex NAME                 create a mutex and wait for it (take it)
//   map-write NAME TEXT        create a 4 KiB named mapping and write TEXT into it
//   map-read NAME              create/open the mapping and log its text
//   signal NAME                open an existing event and set it
//   relay PING PONG            on each PING set PONG, until PING stays quiet for 10 s
//   hold-file PATH             open PATH for writing, sharing nothing, and keep it open
//   write-file PATH TEXT       create PATH (sharing reads) and write TEXT
//   reg-read KEY NAME          log a registry string or DWORD value
//   echo                       log the whole command line's length and text
//   sleep MS                   sleep
//   play PATH                  render a media file (device path) in a filter graph and run it;
//                              the graph plays until the program ends
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/files/files.h"
#include "platform/kernel/debug_output.h"
#include "platform/kernel/kernel.h"
#include "platform/media/com_runtime.h"
#include "platform/media/filter_interfaces.h"
#include "platform/media/graph_control_interfaces.h"
#include "platform/media/media_classes.h"
#include "platform/registry/registry.h"

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator)) parts.push_back(part);
    return parts;
}

}  // namespace

int main() {
    const std::string& command_line = GetCommandLine();
    if (command_line.rfind("echo", 0) == 0) {
        DebugPrintf("cmdline %zu %s", command_line.size(), command_line.c_str());
        return 0;
    }
    std::map<std::string, HANDLE> objects;
    for (const auto& step : Split(command_line, ';')) {
        auto words = Split(step, ' ');
        if (words.empty()) continue;
        const std::string& verb = words[0];
        const std::string name = words.size() > 1 ? words[1] : std::string();
        if (verb == "event" || verb == "manual") {
            SetLastError(0xDEADBEEF);
            HANDLE event = CreateEvent(verb == "manual", FALSE, name);
            DebugPrintf("event %s handle=%s error=%u", name.c_str(), event ? "ok" : "null", GetLastError());
            objects[name] = event;
        } else if (verb == "signal") {
            HANDLE event = OpenEvent(EVENT_ALL_ACCESS, FALSE, name);
            SetEvent(event);
            CloseHandle(event);
        } else if (verb == "relay" && words.size() > 2) {
            // Waits on the first event and sets the second, over and over: one half of a
            // cross-program round trip.
            HANDLE ping = OpenEvent(EVENT_ALL_ACCESS, FALSE, name);
            HANDLE pong = OpenEvent(EVENT_ALL_ACCESS, FALSE, words[2]);
            while (WaitForSingleObject(ping, 10000) == WAIT_OBJECT_0) SetEvent(pong);
        } else if (verb == "hold-file" || verb == "write-file") {
            const bool hold = verb == "hold-file";
            HANDLE file = CreateFile(name, GENERIC_WRITE, hold ? 0 : FILE_SHARE_READ, OPEN_ALWAYS);
            DWORD error = GetLastError();
            if (file != INVALID_HANDLE_VALUE && !hold && words.size() > 2) {
                DWORD written = 0;
                WriteFile(file, words[2].data(), static_cast<DWORD>(words[2].size()), &written);
                CloseHandle(file);
            }
            DebugPrintf("%s %s %s error=%u", verb.c_str(), name.c_str(), file == INVALID_HANDLE_VALUE ? "failed" : "ok",
                        error);
        } else if (verb == "reg-read" && words.size() > 2) {
            if (auto number = platform::RegReadDword(name, words[2]))
                DebugPrintf("reg %s=%u", words[2].c_str(), *number);
            else if (auto text = platform::RegReadString(name, words[2]))
                DebugPrintf("reg %s=\"%s\"", words[2].c_str(), text->c_str());
            else
                DebugPrintf("reg %s missing", words[2].c_str());
        } else if (verb == "set") {
            DebugPrintf("set %s %d", name.c_str(), SetEvent(objects[name]));
        } else if (verb == "pulse") {
            DebugPrintf("pulse %s %d", name.c_str(), PulseEvent(objects[name]));
        } else if (verb == "wait" && words.size() > 2) {
            DWORD result = WaitForSingleObject(objects[name], static_cast<DWORD>(std::stoul(words[2])));
            DebugPrintf("wait %s result=%u", name.c_str(), result);
        } else if (verb == "mutex") {
            HANDLE mutex = CreateMutex(FALSE, name);
            objects[name] = mutex;
            DWORD result = WaitForSingleObject(mutex, INFINITE);
            DebugPrintf("mutex %s result=%u", name.c_str(), result);
        } else if (verb == "map-write" || verb == "map-read") {
            HANDLE mapping = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, name);
            DWORD error = GetLastError();
            objects[name] = mapping;
            auto* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
            if (!view) {
                DebugPrintf("%s %s failed error=%u", verb.c_str(), name.c_str(), GetLastError());
                continue;
            }
            if (verb == "map-write") {
                std::string text = words.size() > 2 ? words[2] : std::string();
                std::memcpy(view, text.c_str(), std::min<std::size_t>(text.size() + 1, 4095));
                DebugPrintf("map-write %s error=%u", name.c_str(), error);
            } else {
                DebugPrintf("map-read %s error=%u text=%s", name.c_str(), error, std::string(view, strnlen(view, 4095)).c_str());
            }
            UnmapViewOfFile(view);
        } else if (verb == "play" && words.size() > 1) {
            // The graph is kept to the end: the program is meant to end or be ended playing.
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            IGraphBuilder* graph = nullptr;
            IMediaControl* control = nullptr;
            HRESULT result = platform::RegisterMediaClasses();
            if (SUCCEEDED(result))
                result = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                          reinterpret_cast<void**>(&graph));
            if (SUCCEEDED(result)) result = graph->RenderFile(name, nullptr);
            if (SUCCEEDED(result)) result = graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
            if (SUCCEEDED(result)) result = control->Run();
            DebugPrintf("play %s result=0x%08x", name.c_str(), static_cast<unsigned>(result));
        } else if (verb == "sleep" && words.size() > 1) {
            Sleep(static_cast<DWORD>(std::stoul(words[1])));
        }
    }
    DebugPrintf("done");
    return 0;
}
