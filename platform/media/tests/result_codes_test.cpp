#include "platform/media/result_codes.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(ResultCodes, DeviceValuesAndNames)
{
    struct Expected {
        HRESULT code;
        DWORD value;
        const char* name;
    };
    const Expected table[] = {
        {S_OK, 0x0, "S_OK"},
        {S_FALSE, 0x1, "S_FALSE"},
        {E_FAIL, 0x80004005, "E_FAIL"},
        {E_OUTOFMEMORY, 0x8007000E, "E_OUTOFMEMORY"},
        {REGDB_E_CLASSNOTREG, 0x80040154, "REGDB_E_CLASSNOTREG"},
        {CO_E_NOTINITIALIZED, 0x800401F0, "CO_E_NOTINITIALIZED"},
        {CLASS_E_NOAGGREGATION, 0x80040110, "CLASS_E_NOAGGREGATION"},
        {VFW_E_UNSUPPORTED_STREAM, 0x80040265, "VFW_E_UNSUPPORTED_STREAM"},
        {VFW_S_STATE_INTERMEDIATE, 0x00040237, "VFW_S_STATE_INTERMEDIATE"},
        {HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), 0x80070002, "HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)"},
    };
    for (const Expected& expected : table) {
        EXPECT_EQ(static_cast<DWORD>(expected.code), expected.value) << expected.name;
        EXPECT_EQ(ResultName(expected.code), expected.name);
    }
}

TEST(ResultCodes, UnknownCodeIsNamedInHex)
{
    EXPECT_EQ(ResultName(static_cast<HRESULT>(0x8004FFFFu)), "0x8004FFFF");
    EXPECT_EQ(ResultName(2), "0x00000002");
}

TEST(ResultCodes, SuccessAndFailure)
{
    EXPECT_TRUE(SUCCEEDED(S_FALSE));
    EXPECT_TRUE(SUCCEEDED(VFW_S_STATE_INTERMEDIATE));
    EXPECT_TRUE(FAILED(VFW_E_NOT_CONNECTED));
    // A Win32 error becomes a failure; success and codes that already fail pass through.
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_SUCCESS), S_OK);
    EXPECT_EQ(HRESULT_FROM_WIN32(static_cast<DWORD>(E_FAIL)), E_FAIL);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER), E_INVALIDARG);
}

}  // namespace
}  // namespace platform
