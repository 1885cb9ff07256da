// TelecastPlayer: Telecast's filter graph of the chip vendor's T-DMB filters, in its three
// layouts (0 the tuner alone, for scans; 1 radio; 2 TV), with the per-service decoder set-up,
// the graph's control and volume, the tuner's properties and the radio's dynamic label.
//
// The window thread and the player thread share it; the caller serialises the graph calls
// (the player lock). The dynamic label has a lock of its own, since the PAD parser's streaming
// thread writes it.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/media/filter_interfaces.h"
#include "platform/win32_types.h"
#include "platform/window/window.h"
#include "telecast/channel_table.h"
#include "telecast/dshow_helper.h"

namespace telecast {

// Status codes of the last control step.
constexpr DWORD kStatusOk = 0;
constexpr DWORD kStatusFilterFailed = 13;
constexpr DWORD kStatusBadLayout = 6;
constexpr DWORD kStatusNoGraph = 0xC0000001;
constexpr DWORD kStatusNoInterface = 0xC0000003;
constexpr DWORD kStatusNotConnected = 0xC0000009;
constexpr DWORD kStatusToggleWhileStopped = 21;

// Graph states as State() reports them.
constexpr int kGraphStopped = 0;
constexpr int kGraphRunning = 1;
constexpr int kGraphPaused = 2;
constexpr int kGraphOther = 4;

// The command the main window gets when a new dynamic label arrived.
constexpr UINT kDynamicLabelCommand = 1035;
constexpr std::size_t kDynamicLabelChars = 256;
// The radio's picture before its first slide, a path from the file system's root.
inline constexpr char kDefaultPicture[] = "Nand\\initDAB.jpg";

// The tuner's property numbers.
enum TunerProperty : DWORD {
    kTunerRegion = 0,
    kTunerFrequency = 1,
    kTunerCurrentFrequency = 2,
    kTunerService = 3,
    kTunerCurrentService = 4,
    kTunerIndexes = 5,
    kTunerScan = 7,
    kTunerSignal = 8,
};

class TelecastPlayer {
public:
    TelecastPlayer();
    ~TelecastPlayer();
    TelecastPlayer(const TelecastPlayer&) = delete;
    TelecastPlayer& operator=(const TelecastPlayer&) = delete;

    // The window that gets the dynamic label's command.
    void SetMainWindow(HWND window) { m_main_window = window; }

    // Creates the filter graph; false ("[TelecastPlayer] Could not create Filter Graph") when
    // it cannot be made.
    bool CreateGraph();
    bool HasGraph() const { return m_graph.Get() != nullptr; }

    bool Build(int layout);
    bool Connect();
    bool Configure(const ChannelRecord& record);
    bool Run();
    bool Pause();
    bool Stop();
    int State();
    bool Play();
    bool StopPlayback();
    void Teardown();

    // The tuner's properties: a record of words whose first is ignored. False when there is no
    // tuner or it refuses.
    bool TunerGet(DWORD property, DWORD* record);
    bool TunerSet(DWORD property, DWORD* record);

    // Places the picture at the rectangle (left, top, right, bottom); 800 × 480 at the origin
    // when none is given.
    bool SetVideoRect(const RECT* rect);
    bool SetVolumeStep(int step);
    bool VolumeStep(int& step);

    // A copy of the dynamic label, and its clearing.
    std::u16string DynamicLabel() const;
    void ClearDynamicLabel();
    // What the PAD parser's text callback does with a label: stores it when it differs and then
    // posts the main window the label command.
    void TakeDynamicLabel(const std::u16string& text);

    DWORD Status() const { return m_status; }
    int Layout() const { return m_layout; }
    bool Connected() const { return m_connected; }
    bool Running() const { return m_running; }
    DShowHelper& Helper() { return m_helper; }

private:
    struct Slots {
        Held<IBaseFilter> tuner, audio_renderer, video_renderer, system_parser, h264, bsac, eaac, tee, mp2, pad;
    };
    void Disconnect();
    void RemoveAllFilters();
    bool ConnectLayout1();
    bool ConnectLayout2();
    bool SyncToAudioRenderer();
    bool ConfigureLayout2(const ChannelRecord& record);
    bool ConfigureLayout1();
    Held<IBaseFilter>& CurrentAudioDecoder() { return m_audio_decoder_is_bsac ? m_slots.bsac : m_slots.eaac; }
    bool Fail(DWORD status);

    HWND m_main_window = nullptr;
    bool m_com_initialised = false;
    DWORD m_status = kStatusOk;
    Held<IGraphBuilder> m_graph;
    DShowHelper m_helper;
    Slots m_slots;
    bool m_has_audio_decoder = false;  // the current audio decoder slot is in use
    bool m_audio_decoder_is_bsac = true;
    int m_layout = -1;
    bool m_connected = false;
    bool m_running = false;

    mutable std::mutex m_label_mutex;
    std::u16string m_label;
};

}  // namespace telecast
