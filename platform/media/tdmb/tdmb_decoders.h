// The chip vendor's T-DMB decoders, each "XForm In" (coded) to "XForm Out" (raw):
// - "TCC H264Dec Filter" (CLSID_H264Decoder): the TV picture;
// - "TCC BSACDec Filter" (CLSID_BsacDecoder) and "TCC EAACPLUSDec Filter"
//   (CLSID_EaacPlusDecoder): the TV sound. Each plays only audio of its own kind, going by the
//   coding the tuned service really has (DecoderPlays); given another kind it gives silence of
//   the same format, so the stream and the picture go on;
// - "TCC MP2Dec Filter" (CLSID_MP2Decoder): a radio service's MPEG audio layer II, taken from
//   the tuner's transport stream.
// Their settings keep what the player sets (tdmb_properties.h) for reading back.
#pragma once

#include <mutex>

#include "platform/media/tdmb/broadcast_rules.h"
#include "platform/media/tdmb/tdmb_transform.h"

namespace platform::media {

class H264Decoder final : public TdmbTransform<IH264DecoderSettings> {
public:
    H264Decoder();

protected:
    bool BuildElements(GstBin* bin, std::vector<GstPad*>& pads) override;

private:
    ~H264Decoder() override = default;
};

// The gate of a TV audio decoder: decides at each start whether it plays or gives silence.
class AudioGate {
public:
    explicit AudioGate(tdmb::AudioDecoderKind kind) : m_kind(kind) {}
    // The element that mutes; the gate applies its decision to it.
    void Attach(GstElement* volume);
    void Decide(IFilterGraph* graph);
    void Forget();
    bool Plays() const;

private:
    const tdmb::AudioDecoderKind m_kind;
    mutable std::mutex m_mutex;
    GstElement* m_volume = nullptr;  // the bin's
    bool m_decided = false;
    bool m_plays = false;
};

template <class Settings>
class TvAudioDecoder : public TdmbTransform<Settings> {
public:
    HRESULT Stop() override
    {
        m_gate.Forget();
        return this->SetFilterState(State_Stopped);
    }
    HRESULT Pause() override
    {
        m_gate.Decide(this->Graph());
        return this->SetFilterState(State_Paused);
    }
    HRESULT Run(REFERENCE_TIME) override
    {
        m_gate.Decide(this->Graph());
        return this->SetFilterState(State_Running);
    }
    // Whether this run plays the sound (false before the run has begun).
    bool Plays() const { return m_gate.Plays(); }

protected:
    TvAudioDecoder(const CLSID& clsid, std::span<const tdmb::SettingProperty> properties, tdmb::AudioDecoderKind kind)
        : TdmbTransform<Settings>(clsid,
                                  {{"XForm In", PINDIR_INPUT, MEDIATYPE_Stream}, {"XForm Out", PINDIR_OUTPUT, MEDIATYPE_Audio}},
                                  properties),
          m_gate(kind)
    {
    }
    ~TvAudioDecoder() override = default;
    bool BuildElements(GstBin* bin, std::vector<GstPad*>& pads) override;

private:
    AudioGate m_gate;
};

class BsacDecoder final : public TvAudioDecoder<IBsacDecoderSettings> {
public:
    BsacDecoder();

private:
    ~BsacDecoder() override = default;
};

class EaacPlusDecoder final : public TvAudioDecoder<IEaacPlusDecoderSettings> {
public:
    EaacPlusDecoder();

private:
    ~EaacPlusDecoder() override = default;
};

class MP2Decoder final : public TdmbTransform<IMP2DecoderSettings> {
public:
    MP2Decoder();

protected:
    bool BuildElements(GstBin* bin, std::vector<GstPad*>& pads) override;

private:
    ~MP2Decoder() override = default;
};

}  // namespace platform::media
