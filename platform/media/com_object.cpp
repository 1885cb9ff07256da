#include "platform/media/com_object.h"

namespace platform {
namespace {
std::atomic<LONG> s_live_objects{0};
}

LONG ComLiveObjects() { return s_live_objects.load(std::memory_order_acquire); }

ComObjectRoot::ComObjectRoot() { s_live_objects.fetch_add(1, std::memory_order_relaxed); }

ComObjectRoot::~ComObjectRoot() { s_live_objects.fetch_sub(1, std::memory_order_release); }

ULONG ComObjectRoot::ReleaseReference()
{
    // The acquire half makes every other thread's writes to the object visible to the
    // destructor that the last Release runs.
    ULONG left = m_references.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) delete this;
    return left;
}

}  // namespace platform
