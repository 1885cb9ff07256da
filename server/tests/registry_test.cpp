#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

#include "platform/registry/registry.h"
#include "platform/testing/temporary_device.h"
#include "server/registry/registry_store.h"

namespace {

using server::RegistryStore;
using server::RegValue;

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// A stored registry with two lines the store cannot read among good ones. CR LF line ends, a
// byte that is no UTF-8 and no final line end: the kept copy must be the bytes, not a re-reading.
const std::string kDamagedRegistry =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP]\r\n"
    "\"MapMode\"=dword:00000001\r\n"
    "\"PipMode\"=dword:zz\xff\r\n"
    "\"Model\"=\"헤드유닛\"\r\n"
    "half a line\r\n"
    "\"Volume\"=dword:0000001e";

RegValue Dword(std::uint32_t value) {
    return {server::kRegDword, {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)}};
}

TEST(RegistryStore, KeysAndValuesIgnoreCaseAndKeepTheirSpelling) {
    RegistryStore store;
    bool created = false;
    ASSERT_EQ(store.CreateKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP", created), 0u);
    EXPECT_TRUE(created);
    ASSERT_EQ(store.CreateKey("hkey_local_machine\\software\\korvex\\app", created), 0u);
    EXPECT_FALSE(created);
    ASSERT_EQ(store.SetValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP", "MapMode", Dword(1)), 0u);
    RegValue value;
    ASSERT_EQ(store.QueryValue("HKEY_LOCAL_MACHINE\\Software\\Korvex\\App", "MAPMODE", value), 0u);
    EXPECT_EQ(value, Dword(1));
    EXPECT_NE(store.Serialize().find("\"MapMode\"=dword:00000001"), std::string::npos);
}

TEST(RegistryStore, BadPathsAndMissingKeysGiveTheDevicesErrors) {
    RegistryStore store;
    bool created = false;
    RegValue value;
    EXPECT_EQ(store.CreateKey("HKEY_NOWHERE\\X", created), 87u);
    EXPECT_EQ(store.CreateKey("HKEY_LOCAL_MACHINE\\\\X", created), 87u);
    EXPECT_EQ(store.OpenKey("HKEY_LOCAL_MACHINE\\MISSING"), 2u);
    EXPECT_EQ(store.QueryValue("HKEY_LOCAL_MACHINE", "none", value), 2u);
    EXPECT_EQ(store.DeleteKey("HKEY_LOCAL_MACHINE"), 5u);
    EXPECT_EQ(store.SetValue("HKEY_LOCAL_MACHINE", "short", {server::kRegDword, {1, 2}}), 87u);
    EXPECT_EQ(store.SetValue("HKEY_LOCAL_MACHINE", "huge", {server::kRegBinary, std::vector<std::uint8_t>(70000)}), 87u);
}

TEST(RegistryStore, DeletingAKeyTakesItsSubkeys) {
    RegistryStore store;
    bool created = false;
    store.CreateKey("HKEY_CURRENT_USER\\A\\B\\C", created);
    store.SetValue("HKEY_CURRENT_USER\\A\\B\\C", "v", Dword(3));
    EXPECT_EQ(store.DeleteKey("HKEY_CURRENT_USER\\a"), 0u);
    EXPECT_EQ(store.OpenKey("HKEY_CURRENT_USER\\A\\B"), 2u);
    EXPECT_EQ(store.OpenKey("HKEY_CURRENT_USER"), 0u);
}

TEST(RegistryStore, KeyInfoCountsSubkeysAndValues) {
    RegistryStore store;
    bool created = false;
    store.CreateKey("HKEY_CURRENT_USER\\A\\B", created);
    store.CreateKey("HKEY_CURRENT_USER\\A\\C", created);
    store.SetValue("HKEY_CURRENT_USER\\A", "v", Dword(3));
    std::uint32_t subkeys = 9, values = 9;
    EXPECT_EQ(store.KeyInfo("HKEY_CURRENT_USER\\a", subkeys, values), 0u);
    EXPECT_EQ(subkeys, 2u);
    EXPECT_EQ(values, 1u);
    EXPECT_EQ(store.KeyInfo("HKEY_CURRENT_USER\\A\\B", subkeys, values), 0u);
    EXPECT_EQ(subkeys + values, 0u);
    EXPECT_EQ(store.KeyInfo("HKEY_CURRENT_USER\\Z", subkeys, values), 2u);
}

TEST(RegistryStore, TextFormRoundTripsEveryTypeAndSkipsWhatItCannotRead) {
    RegistryStore store;
    bool created = false;
    store.CreateKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP", created);
    store.SetValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP", "PipMode", Dword(0xFFFFFFFF));
    store.SetValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP", "Name \"quoted\"",
                   {server::kRegSz, server::Utf8ToUtf16Le("한글 \\ text\nline")});
    store.SetValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP", "", {server::kRegBinary, {0, 1, 0xFE}});
    const std::string text = store.Serialize();
    std::size_t skipped = 99;
    auto back = RegistryStore::Parse(text, &skipped);
    EXPECT_EQ(skipped, 0u);
    EXPECT_EQ(back.Serialize(), text);
    RegValue value;
    ASSERT_EQ(back.QueryValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP", "name \"QUOTED\"", value), 0u);
    EXPECT_EQ(server::Utf16LeToUtf8(value.data), "한글 \\ text\nline");

    auto damaged = RegistryStore::Parse("[HKEY_LOCAL_MACHINE\\K]\n\"a\"=dword:1\n\"b\"=dword:zz\n\"c\"=hex:0\n"
                                        "junk\n[BROKEN\n\"d\"=\"unterminated\n[HKEY_NOWHERE]\n\"e\"=dword:2\n",
                                        &skipped);
    EXPECT_EQ(skipped, 7u);
    EXPECT_EQ(damaged.QueryValue("HKEY_LOCAL_MACHINE\\K", "a", value), 0u);
    EXPECT_EQ(value, Dword(1));
}

TEST(Registry, ValuesSurviveAServerRestart) {
    platform::testing::TemporaryDevice device;
    ASSERT_TRUE(device.StartServer());
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\KORVEX\\APP", 0, "", 0, KEY_ALL_ACCESS, nullptr, &key,
                             &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    DWORD map_mode = 1;
    ASSERT_EQ(RegSetValueEx(key, "MapMode", 0, REG_DWORD, reinterpret_cast<BYTE*>(&map_mode), 4), ERROR_SUCCESS);
    ASSERT_EQ(platform::RegWriteString("HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP", "Model", "헤드유닛"), ERROR_SUCCESS);
    EXPECT_EQ(RegFlushKey(key), ERROR_SUCCESS);
    RegCloseKey(key);
    // A value set after the flush is kept by the shutdown.
    EXPECT_EQ(platform::RegWriteDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP", "PipMode", 2), ERROR_SUCCESS);
    ASSERT_TRUE(device.StopServer());
    ASSERT_TRUE(device.StartServer());

    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "software\\korvex\\app", 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD type = 0, value = 0, size = 4;
    ASSERT_EQ(RegQueryValueEx(key, "MapMode", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(value, 1u);
    BYTE small[2];
    size = sizeof(small);
    EXPECT_EQ(RegQueryValueEx(key, "Model", nullptr, &type, small, &size), static_cast<LONG>(ERROR_MORE_DATA));
    EXPECT_EQ(size, 10u) << "four UTF-16 characters and the terminator";
    EXPECT_EQ(platform::RegReadString("HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP", "Model"), "헤드유닛");
    EXPECT_EQ(platform::RegReadDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP", "PipMode"), 2u);
    EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\KORVEX"), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueEx(key, "MapMode", nullptr, &type, nullptr, &size), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    RegCloseKey(key);
}

TEST(Registry, AStartThatSkipsLinesKeepsTheFileAsReadAndLoadsTheRest) {
    platform::testing::TemporaryDevice device;
    const auto state = device.Root() / "state";
    WriteBytes(state / "registry", kDamagedRegistry);
    ASSERT_TRUE(device.StartServer());

    const std::string app = "HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP";
    EXPECT_EQ(platform::RegReadDword(app, "MapMode"), 1u);
    EXPECT_EQ(platform::RegReadString(app, "Model"), "헤드유닛");
    EXPECT_EQ(platform::RegReadDword(app, "Volume"), 30u);
    EXPECT_EQ(platform::RegReadDword(app, "PipMode"), std::nullopt);
    EXPECT_NE(device.Log("server").find(
                  "server: registry: 2 unreadable lines skipped; the file as read is kept in state/registry.unreadable"),
              std::string::npos)
        << device.Log("server");
    EXPECT_EQ(ReadBytes(state / "registry.unreadable"), kDamagedRegistry);
    EXPECT_FALSE(std::filesystem::exists(state / "registry.unreadable.tmp"));

    // The shutdown saves what was read; the next start skips nothing and leaves the copy alone.
    ASSERT_TRUE(device.StopServer());
    ASSERT_TRUE(device.StartServer());
    EXPECT_EQ(platform::RegReadDword(app, "Volume"), 30u);
    EXPECT_EQ(Count(device.Log("server"), "unreadable lines skipped"), 1u) << device.Log("server");
    EXPECT_EQ(ReadBytes(state / "registry.unreadable"), kDamagedRegistry);

    // A later start that skips something again replaces the copy with what it read.
    ASSERT_TRUE(device.StopServer());
    const std::string damaged_again = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP]\n\"Volume\"=dword:7\njunk\n";
    WriteBytes(state / "registry", damaged_again);
    ASSERT_TRUE(device.StartServer());
    EXPECT_EQ(platform::RegReadDword(app, "Volume"), 7u);
    EXPECT_NE(device.Log("server").find("server: registry: 1 unreadable lines skipped"), std::string::npos);
    EXPECT_EQ(ReadBytes(state / "registry.unreadable"), damaged_again);
}

TEST(Registry, AStartThatCannotKeepTheFileAsReadSaysSoAndGoesOn) {
    platform::testing::TemporaryDevice device;
    const auto state = device.Root() / "state";
    WriteBytes(state / "registry", kDamagedRegistry);
    // A folder where the copy's temporary file would go makes the copy fail.
    std::filesystem::create_directories(state / "registry.unreadable.tmp");
    ASSERT_TRUE(device.StartServer());
    EXPECT_EQ(platform::RegReadDword("HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP", "Volume"), 30u);
    EXPECT_NE(device.Log("server").find("server: registry: 2 unreadable lines skipped; cannot keep the file as read in"),
              std::string::npos)
        << device.Log("server");
    EXPECT_FALSE(std::filesystem::exists(state / "registry.unreadable"));
}

TEST(Registry, ARegistryFileThatCannotBeReadIsNotWrittenOver) {
    platform::testing::TemporaryDevice device;
    const auto state = device.Root() / "state";
    // A folder in the registry file's place opens but cannot be read.
    std::filesystem::create_directories(state / "registry");
    WriteBytes(state / "registry" / "kept", "what the user stored");
    ASSERT_TRUE(device.StartServer());
    EXPECT_NE(device.Log("server").find("server: registry: cannot read state/registry: "), std::string::npos)
        << device.Log("server");
    // The device runs on an empty registry: values are set and read, and the shutdown saves
    // nothing over the file.
    const std::string app = "HKEY_LOCAL_MACHINE\\SOFTWARE\\KORVEX\\APP";
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, "SOFTWARE\\KORVEX\\APP", 0, "", 0, KEY_ALL_ACCESS, nullptr, &key, &disposition), ERROR_SUCCESS);
    const DWORD one = 1;
    EXPECT_EQ(RegSetValueEx(key, "MapMode", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one), 0);
    RegCloseKey(key);
    EXPECT_EQ(platform::RegReadDword(app, "MapMode"), 1u);
    ASSERT_TRUE(device.StopServer());
    EXPECT_EQ(device.Log("server").find("server: registry: cannot write"), std::string::npos) << device.Log("server");
    EXPECT_EQ(ReadBytes(state / "registry" / "kept"), "what the user stored");
}

}  // namespace
