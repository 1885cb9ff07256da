// The chip vendor's DMB system parser, "Tcc DMB System Parser" (CLSID_DmbSystemParser): takes
// the tuner's transport stream on "DMB In" and gives its H.264 video on "Video Out" and its
// audio on "Audio Out", still coded. Property 1 of its settings holds the audio the player
// expects (coding, B, A); when a run begins with a TV service whose audio is otherwise, it
// tells the player once (audio_change_notice.h).
#pragma once

#include "platform/media/tdmb/tdmb_transform.h"

namespace platform::media {

class SystemParser final : public TdmbTransform<ISystemParserSettings> {
public:
    SystemParser();

    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;

    // Whether this run has told the player of other audio.
    bool AudioChangeSent() const;

protected:
    bool BuildElements(GstBin* bin, std::vector<GstPad*>& pads) override;

private:
    ~SystemParser() override = default;
    void CheckAudio();

    mutable std::mutex m_mutex;
    bool m_checked = false;  // this run's audio was compared
    bool m_sent = false;
};

}  // namespace platform::media
