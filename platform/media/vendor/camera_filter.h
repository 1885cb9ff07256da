// The chip vendor's camera capture filter, "TCCCAMFilter" (CLSID_CAM): the AV input or the
// reversing camera as live video on its output pin "POut". device.conf's `camera` says where
// the picture comes from: `test` (the default) a moving test pattern, any other value the
// path of a V4L2 capture device. The input interface picks the channel and the picture's
// size; on the test pattern each channel has a pattern of its own, so that the reversing
// camera (channel 2) is told from the AV input at a glance. The test pattern hangs on the
// board's camera connector ("CAM1:"): without a camera the filter cannot be made, and one
// pulled out while it runs stops the pattern with an error on the bus, as v4l2src reports a
// device that went away.
#pragma once

#include <mutex>
#include <vector>

#include "platform/media/class_registry.h"
#include "platform/media/filter_base.h"
#include "platform/media/vendor/vendor_interfaces.h"

namespace platform::media {

class CameraFilter final : public FilterBase<ICamInput> {
public:
    CameraFilter();
    // Makes the filter, as CoCreateInstance does; a V4L2 device that cannot be opened fails it
    // (HRESULT of ERROR_DEVICE_NOT_CONNECTED, with a debug line): there is no camera to show.
    static ComClassFactory Factory();

    struct InputSize {
        DWORD channel = 0;
        DWORD width = 720;
        DWORD height = 480;
        DWORD value = 0;
        DWORD window_width = 0;
        DWORD window_height = 0;
    };
    InputSize Input() const;

    // ICamInput
    HRESULT Reserved4() override;
    // E_INVALIDARG for a channel above 3 or a size of 0 or above 4096 either way.
    HRESULT SetVideoInputSize(DWORD channel, DWORD width, DWORD height, DWORD value) override;
    HRESULT SetInputWindow(DWORD width, DWORD height) override;

protected:
    bool BuildElements(GstBin* bin, std::vector<GstPad*>& pads) override;

private:
    ~CameraFilter() override = default;
    // Gives the elements the channel's pattern and the size; the caller holds the lock.
    void ApplyInput();

    mutable std::mutex m_mutex;
    InputSize m_input;
    GstElement* m_pattern = nullptr;  // the bin's test source; null on a V4L2 device
    GstElement* m_size = nullptr;     // the bin's caps filter
};

}  // namespace platform::media
