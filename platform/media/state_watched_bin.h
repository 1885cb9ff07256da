// A bin that tells a listener of each of its state changes, just before the bin and its
// elements make it and just after. The audio output is one, so that it starts reporting when
// its graph gets ready and has stopped reporting before its graph is taken down.
#pragma once

#include <gst/gst.h>

#include <memory>

namespace platform::media {

class BinStateListener {
public:
    virtual ~BinStateListener() = default;
    // Called on the thread that changes the bin's state, with the bin's state lock held.
    virtual void StateChanging(GstStateChange transition) = 0;
    virtual void StateChanged(GstStateChange transition, GstStateChangeReturn result) = 0;
};

// A new, floating bin.
GstElement* MakeStateWatchedBin(const char* name);
// Gives the bin its listener; the bin keeps it until the bin is finalised.
void SetBinStateListener(GstElement* bin, std::unique_ptr<BinStateListener> listener);

}  // namespace platform::media
