// The chip vendor's T-DMB tuner, "TCC TELECASTTune" (CLSID_TelecastTuner): the board's
// receiver as a graph's source. Its control interface passes every property call to the
// receiver "DMB1:" unchanged. While the graph runs, it plays the tuned service's media out as
// a live broadcast: an MPEG transport stream on every connected output ("TSOut" for TV,
// "AOut" for radio), starting where the service stands on the wall clock and paced by the
// stream's own clock references, looping at its end.
//
// While the service cannot be received (see TunedService::Receivable, or its media cannot be
// read) nothing is sent; a thread of the tuner's own asks the receiver again every 300 ms and
// the broadcast resumes, at the service's live position, once it can. The service, and so the
// media, is the one tuned when the run began: the player stops the graph to tune.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/devices/tdmb_receiver.h"
#include "platform/media/filter_base.h"
#include "platform/media/tdmb/tdmb_interfaces.h"

namespace platform::media {

class TelecastTuner final : public FilterBase<ITunerControl> {
public:
    using ServiceSource = std::function<std::optional<tdmb::TunedService>()>;

    TelecastTuner();

    // The graph's tuner, with a reference; null when the graph has none.
    static TelecastTuner* FindIn(IFilterGraph* graph);

    // Tests only: the tuned service comes from `source` instead of the receiver.
    void UseServiceSource(ServiceSource source);

    // The service this run plays, asked of the receiver by the first caller after a stop.
    tdmb::TunedService ServiceForRun();
    // The service as last asked while running (the run's until the first poll).
    tdmb::TunedService CurrentService() const;
    // Whether the broadcast is being sent right now.
    bool Sending() const;

    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;

    // ITunerControl. E_INVALIDARG for a property the tuner does not have in that direction,
    // E_FAIL when the receiver refuses or cannot be reached.
    HRESULT Get(DWORD property, DWORD* record) override;
    HRESULT Set(DWORD property, DWORD* record, DWORD reserved) override;

protected:
    bool BuildElements(GstBin* bin, std::vector<GstPad*>& pads) override;
    void GraphChanged(bool in_graph) override;

private:
    ~TelecastTuner() override;

    std::optional<tdmb::TunedService> Fetch(tdmb::ReceiverClient& client);
    void StartBroadcast();
    void StopBroadcast();
    void Broadcast();  // the sending thread
    // Waits until `deadline` or a stop; false on a stop.
    bool WaitUntil(std::chrono::steady_clock::time_point deadline);
    void Send(const std::vector<std::uint8_t>& bytes);

    std::mutex m_run_mutex;  // one receiver question for the run's service at a time
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    ServiceSource m_source;
    std::optional<tdmb::TunedService> m_run_service;
    tdmb::TunedService m_current;
    bool m_sending = false;
    bool m_stopping = false;
    std::thread m_thread;
    std::vector<GstElement*> m_outputs;  // the bin's sources, one a pin
};

}  // namespace platform::media
