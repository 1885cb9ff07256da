// The chip vendor's PAD parser, "TCC PAD Praser" (CLSID_PadParser; the name is spelled as the
// players ask for it): a radio service's programme-associated data as a picture and a text.
// It takes the tuner's stream on "XForm In" and gives on "XForm Out" a steady 320x240 video
// of the current slide: first the default picture, then the tuned service's slides in turn,
// each for the service's slide time, each scaled whole into the frame. Each new dynamic label
// goes, in UTF-16, to the text callback, the labels taking turns at the service's label time.
// While the tuner sends nothing (no signal) the picture and the labels stand still.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/devices/tdmb_receiver.h"
#include "platform/media/filter_base.h"
#include "platform/media/tdmb/tdmb_interfaces.h"

namespace platform::media {

class TelecastTuner;

class PadParser final : public FilterBase<IPadParserSettings> {
public:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 240;

    PadParser();

    // The host path the default picture's device path names; empty before one is given.
    std::string DefaultPicture() const;
    // The slides shown this run, by file name, in order (the default picture first).
    std::vector<std::string> PicturesShown() const;

    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;

    // IPadParserSettings
    HRESULT SetTextCallback(PadTextCallback callback) override;
    HRESULT SetPictureCallback(PadPictureCallback callback) override;
    HRESULT Reserved6() override;
    // E_INVALIDARG for a path that names nothing on the device (empty, "..", a bad name).
    HRESULT SetDefaultPicture(const WCHAR* device_path) override;

protected:
    bool BuildElements(GstBin* bin, std::vector<GstPad*>& pads) override;
    void GraphChanged(bool in_graph) override;

private:
    ~PadParser() override;

    void Start();
    void Finish();
    // The showing thread; `tuner` (null: none) sends the service's stream.
    void Show(TelecastTuner* tuner, const tdmb::TunedService& service);

    std::atomic<PadTextCallback> m_text_callback{nullptr};
    std::atomic<PadPictureCallback> m_picture_callback{nullptr};

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::string m_default_picture;
    std::vector<std::string> m_shown;
    GstElement* m_output = nullptr;  // the bin's source
    bool m_stopping = false;
    std::thread m_thread;
};

}  // namespace platform::media
