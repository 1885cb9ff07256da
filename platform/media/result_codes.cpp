#include "platform/media/result_codes.h"

#include <cstdio>

namespace platform {
namespace {

struct NamedResult {
    HRESULT code;
    const char* name;
};

#define NAMED_RESULT(code) {code, #code}
// One line per code; HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) is how a missing media file comes
// back from the graph, so it has its own name.
constexpr NamedResult kNamedResults[] = {
    NAMED_RESULT(S_OK),
    NAMED_RESULT(S_FALSE),
    NAMED_RESULT(E_NOTIMPL),
    NAMED_RESULT(E_NOINTERFACE),
    NAMED_RESULT(E_POINTER),
    NAMED_RESULT(E_ABORT),
    NAMED_RESULT(E_FAIL),
    NAMED_RESULT(E_UNEXPECTED),
    NAMED_RESULT(E_ACCESSDENIED),
    NAMED_RESULT(E_HANDLE),
    NAMED_RESULT(E_OUTOFMEMORY),
    NAMED_RESULT(E_INVALIDARG),
    {HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), "HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)"},
    {HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), "HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)"},
    NAMED_RESULT(REGDB_E_CLASSNOTREG),
    NAMED_RESULT(CLASS_E_NOAGGREGATION),
    NAMED_RESULT(CLASS_E_CLASSNOTAVAILABLE),
    NAMED_RESULT(CO_E_NOTINITIALIZED),
    NAMED_RESULT(CO_E_OBJNOTREG),
    NAMED_RESULT(CO_E_OBJISREG),
    NAMED_RESULT(VFW_S_NO_MORE_ITEMS),
    NAMED_RESULT(VFW_S_DUPLICATE_NAME),
    NAMED_RESULT(VFW_S_STATE_INTERMEDIATE),
    NAMED_RESULT(VFW_S_PARTIAL_RENDER),
    NAMED_RESULT(VFW_E_ALREADY_CONNECTED),
    NAMED_RESULT(VFW_E_NO_ACCEPTABLE_TYPES),
    NAMED_RESULT(VFW_E_INVALID_DIRECTION),
    NAMED_RESULT(VFW_E_NOT_CONNECTED),
    NAMED_RESULT(VFW_E_NO_INTERFACE),
    NAMED_RESULT(VFW_E_NOT_FOUND),
    NAMED_RESULT(VFW_E_CANNOT_CONNECT),
    NAMED_RESULT(VFW_E_CANNOT_RENDER),
    NAMED_RESULT(VFW_E_WRONG_STATE),
    NAMED_RESULT(VFW_E_UNKNOWN_FILE_TYPE),
    NAMED_RESULT(VFW_E_UNSUPPORTED_STREAM),
};
#undef NAMED_RESULT

}  // namespace

std::string ResultName(HRESULT result)
{
    for (const NamedResult& named : kNamedResults) {
        if (named.code == result) return named.name;
    }
    char text[11];
    std::snprintf(text, sizeof(text), "0x%08X", static_cast<unsigned>(result));
    return text;
}

}  // namespace platform
