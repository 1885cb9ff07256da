#include "framework/single_instance.h"

#include <cstring>

#include "platform/app/application.h"
#include "platform/files/codepage.h"
#include "platform/kernel/kernel.h"
#include "platform/window/window.h"

CCommandLineMailbox::CCommandLineMailbox(const std::string& guid) {
    m_mutex = CreateMutex(FALSE, guid + "-Data-Mapping-Mutex");
    m_mapping = CreateFileMapping(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSize, guid + "-Data-Mapping-File");
    if (m_mapping) m_view = MapViewOfFile(m_mapping, FILE_MAP_WRITE, 0, 0, kSize);
    // Every copy clears the mailbox first, so a second start never reads an older text.
    if (m_mutex && WaitForSingleObject(m_mutex, INFINITE) <= WAIT_ABANDONED_0) {
        if (m_view) std::memset(m_view, 0, kSize);
        ReleaseMutex(m_mutex);
    }
}

CCommandLineMailbox::~CCommandLineMailbox() {
    if (m_view) UnmapViewOfFile(m_view);
    if (m_mapping) CloseHandle(m_mapping);
    if (m_mutex) CloseHandle(m_mutex);
}

void CCommandLineMailbox::Write(const std::string& text) {
    if (!m_mutex || WaitForSingleObject(m_mutex, INFINITE) > WAIT_ABANDONED_0) return;
    const std::u16string wide = platform::Utf8ToWide(text);
    const std::size_t bytes = wide.size() * sizeof(char16_t);
    if (m_view && bytes < kSize) std::memcpy(m_view, wide.c_str(), bytes + sizeof(char16_t));
    ReleaseMutex(m_mutex);
}

std::string CCommandLineMailbox::Read() {
    if (!m_mutex || WaitForSingleObject(m_mutex, INFINITE) > WAIT_ABANDONED_0) return {};
    std::u16string wide;
    if (m_view) {
        const auto* units = static_cast<const char16_t*>(m_view);
        // At most 255 characters and the terminator; a mailbox someone filled to the brim is
        // still read only up to its end.
        for (std::size_t i = 0; i < kSize / sizeof(char16_t) - 1 && units[i]; ++i) wide.push_back(units[i]);
    }
    ReleaseMutex(m_mutex);
    return platform::WideToUtf8(wide);
}

struct CSingleInstance::Implementation {
    HANDLE named_event = nullptr;
    HANDLE stop_event = nullptr;
    HANDLE watcher = nullptr;
    std::unique_ptr<CCommandLineMailbox> mailbox;
    CSingleInstance* owner = nullptr;

    static DWORD Watch(void* parameter) {
        auto* self = static_cast<Implementation*>(parameter);
        HANDLE objects[2] = {self->named_event, self->stop_event};
        for (;;) {
            DWORD result = WaitForMultipleObjects(2, objects, FALSE, INFINITE);
            if (result == WAIT_OBJECT_0) {
                if (self->owner) self->owner->WakeUp(self->mailbox->Read());
            } else if (result == WAIT_OBJECT_0 + 1) {
                break;
            } else if (result == WAIT_FAILED) {
                break;  // the device has gone; nothing more will wake this copy
            }
        }
        SetEvent(self->named_event);  // tells the destructor the watcher has finished
        return 0;
    }

    ~Implementation() {
        if (named_event && stop_event) {
            SetEvent(stop_event);
            WaitForSingleObject(watcher ? watcher : named_event, INFINITE);
        }
        if (watcher) CloseHandle(watcher);
        if (stop_event) CloseHandle(stop_event);
        if (named_event) CloseHandle(named_event);
    }
};

CSingleInstance::CSingleInstance() = default;

CSingleInstance::~CSingleInstance() { Destroy(); }

void CSingleInstance::Destroy() { m_implementation.reset(); }

bool CSingleInstance::Create(const std::string& guid) {
    auto implementation = std::make_unique<Implementation>();
    implementation->owner = this;
    implementation->mailbox = std::make_unique<CCommandLineMailbox>(guid);
    implementation->named_event = CreateEvent(FALSE, FALSE, guid + "-Event");
    const DWORD error = GetLastError();
    if (!implementation->named_event) return false;
    if (error == ERROR_ALREADY_EXISTS) {
        implementation->mailbox->Write(GetCommandLine());
        if (PulseEvent(implementation->named_event)) {
            CloseHandle(implementation->named_event);
            implementation->named_event = nullptr;
        }
        return false;  // the mailbox's handles go with the implementation
    }
    implementation->stop_event = CreateEvent(FALSE, FALSE);
    if (!implementation->stop_event) return false;
    implementation->watcher = CreateThread(nullptr, 0, &Implementation::Watch, implementation.get(), 0, nullptr);
    if (!implementation->watcher) return false;
    SetThreadPriority(implementation->watcher, THREAD_PRIORITY_NORMAL);
    m_implementation = std::move(implementation);
    return true;
}

void CSingleInstance::WakeUp(const std::string&) {
    if (auto* application = CWinApp::Current(); application && application->m_hMainWnd)
        SetForegroundWindow(application->m_hMainWnd);
}
