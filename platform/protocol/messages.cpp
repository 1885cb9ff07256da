#include "platform/protocol/messages.h"

namespace protocol {

const char* Name(RequestId id) {
    switch (id) {
#define PROTOCOL_NAME(name) \
    case RequestId::name:   \
        return #name;
        DEVICE_REQUESTS(PROTOCOL_NAME)
#undef PROTOCOL_NAME
        default:
            return "Unknown";
    }
}

}  // namespace protocol
