// The device's page server over real HTTP, in front of a device that records what reaches it:
// every address with good and bad input, the host and origin rules, and paths that try to
// leave the page. A refused request must never reach the device.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <climits>
#include <condition_variable>
#include <cstdint>
#include <string_view>
#include <mutex>

#include "platform/gfx/png_file.h"
#include "tools/deviceweb/web_server.h"

namespace deviceweb {
namespace {

using namespace std::chrono_literals;

constexpr std::uint32_t kWidth = 800;
constexpr std::uint32_t kHeight = 480;

// A device whose screen the test sets, and which writes down every change asked of it.
class RecordingDevice final : public Device {
public:
    RecordingDevice() : m_pixels(kWidth * kHeight, 0x00203040u) {}

    // The screen shows a new frame: other pixels, or the same ones again.
    void Present(std::uint32_t colour) {
        {
            std::lock_guard lock(m_mutex);
            std::fill(m_pixels.begin(), m_pixels.end(), colour);
            ++m_frame;
        }
        m_presented.notify_all();
    }
    std::vector<std::string> Changes() {
        std::lock_guard lock(m_mutex);
        return m_changes;
    }
    int Screenshots() {
        std::lock_guard lock(m_mutex);
        return m_screenshots;
    }
    int LogReads() {
        std::lock_guard lock(m_mutex);
        return m_log_reads;
    }
    std::vector<std::uint32_t> Pixels() {
        std::lock_guard lock(m_mutex);
        return m_pixels;
    }

    std::optional<ScreenPicture> Screenshot() override {
        std::lock_guard lock(m_mutex);
        ++m_screenshots;
        return ScreenPicture{kWidth, kHeight, m_frame, m_pixels};
    }
    std::optional<std::uint64_t> WaitScreenChange(std::uint64_t after, std::chrono::milliseconds timeout) override {
        std::unique_lock lock(m_mutex);
        m_presented.wait_for(lock, timeout, [&] { return m_frame > after; });
        return m_frame;
    }
    DWORD Pen(PenAction action, std::int32_t x, std::int32_t y) override {
        const char* name = action == PenAction::Press ? "press" : action == PenAction::Move ? "move" : "release";
        return Record(std::string(name) + " " + std::to_string(x) + "," + std::to_string(y));
    }
    DWORD Key(const std::string& name) override { return Record("key " + name); }
    DWORD SetBacklight(std::uint32_t level) override { return Record("backlight " + std::to_string(level)); }
    bool SetMedium(platform::RemovableMedium medium, bool inserted, std::string& error) override {
        const bool card = medium == platform::RemovableMedium::StorageCard;
        Record(std::string(card ? "card " : "usb ") + (inserted ? "in" : "out"));
        if (!card && !inserted) {
            error = "no USB DRIVE is inserted";
            return false;
        }
        return true;
    }
    std::optional<BoardState> Board() override {
        BoardState board;
        board.drivers = "backlight      80% on\n";
        board.programs = "PID      PROGRAM\n12       MUSIC\xff\xfe.EXE\n";  // not UTF-8
        board.card_inserted = true;
        board.backlight_level = 80;
        return board;
    }
    std::vector<std::string> LogNames() override { return {"MUSIC.EXE", "server"}; }
    std::optional<std::string> LogTail(const std::string& name, std::size_t) override {
        std::lock_guard lock(m_mutex);
        ++m_log_reads;
        if (name == "server") return std::string("one\ntwo\nthree\n");
        return std::nullopt;
    }

private:
    DWORD Record(std::string change) {
        std::lock_guard lock(m_mutex);
        m_changes.push_back(std::move(change));
        return 0;
    }

    std::mutex m_mutex;
    std::condition_variable m_presented;
    std::vector<std::uint32_t> m_pixels;
    std::uint64_t m_frame = 1;
    std::vector<std::string> m_changes;
    int m_screenshots = 0;
    int m_log_reads = 0;
};

// Sends bytes as they are on a new connection and gives back what comes before the server
// closes it or `wait` passes: for requests an HTTP client would not send.
std::string Raw(int port, const std::string& request, std::chrono::milliseconds wait = 3s) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return {};
    }
    for (std::size_t sent = 0; sent < request.size();) {
        const ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;  // the server may close before it has read everything
        sent += static_cast<std::size_t>(n);
    }
    std::string reply;
    const auto end = std::chrono::steady_clock::now() + wait;
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        pollfd poll_fd{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&poll_fd, 1, static_cast<int>(left.count())) <= 0) break;
        const ssize_t n = ::recv(fd, buffer, sizeof(buffer), 0);
        if (n <= 0) break;
        reply.append(buffer, static_cast<std::size_t>(n));
        // One whole response is enough: its head and the body its length gives.
        const auto head_end = reply.find("\r\n\r\n");
        const auto length_at = reply.find("Content-Length: ");
        if (head_end != std::string::npos && length_at != std::string::npos && length_at < head_end &&
            reply.size() >= head_end + 4 + std::stoul(reply.substr(length_at + 16)))
            break;
    }
    ::close(fd);
    return reply;
}

int StatusOf(const std::string& reply) {
    if (reply.rfind("HTTP/1.1 ", 0) != 0 || reply.size() < 12) return 0;
    return std::stoi(reply.substr(9, 3));
}

class PageServer : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(server.Start(error)) << error;
        host = "127.0.0.1:" + std::to_string(server.Port());
        origin = "http://" + host;
    }

    httplib::Result Post(const std::string& path, httplib::Headers headers = {}) {
        httplib::Client client("127.0.0.1", server.Port());
        return client.Post(path.c_str(), headers, "", "text/plain");
    }
    httplib::Result Get(const std::string& path, httplib::Headers headers = {}) {
        httplib::Client client("127.0.0.1", server.Port());
        return client.Get(path.c_str(), headers);
    }
    int PostStatus(const std::string& path, httplib::Headers headers = {}) {
        const auto result = Post(path, std::move(headers));
        return result ? result->status : 0;
    }
    int GetStatus(const std::string& path) {
        const auto result = Get(path);
        return result ? result->status : 0;
    }

    RecordingDevice device;
    WebServer server{device, ListenAddress{"127.0.0.1", 0}};
    std::string host;
    std::string origin;
};

TEST_F(PageServer, ServesThePageAndTheScreenAsTheDeviceShowsIt) {
    const auto page = Get("/");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find("<canvas id=\"screen\""), std::string::npos);
    EXPECT_EQ(page->get_header_value("X-Frame-Options"), "DENY");
    EXPECT_NE(page->get_header_value("Content-Security-Policy").find("default-src 'none'"), std::string::npos);

    device.Present(0x00FF8000u);
    const auto screen = Get("/screen.png");
    ASSERT_TRUE(screen);
    ASSERT_EQ(screen->status, 200);
    EXPECT_EQ(screen->get_header_value("Content-Type"), "image/png");
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::string error;
    ASSERT_TRUE(platform::DecodePng({screen->body.begin(), screen->body.end()}, width, height, pixels, error)) << error;
    EXPECT_EQ(width, kWidth);
    EXPECT_EQ(height, kHeight);
    EXPECT_EQ(pixels, device.Pixels()) << "with no page watching, the screen is taken when asked for";

    // The screenshot is the PNG devicectl writes for the same screen, as a file to save.
    const auto shot = Get("/screenshot.png");
    ASSERT_TRUE(shot);
    ASSERT_EQ(shot->status, 200);
    EXPECT_EQ(shot->get_header_value("Content-Disposition").rfind("attachment; filename=\"screenshot-", 0), 0u);
    std::vector<std::uint8_t> expected;
    ASSERT_TRUE(platform::EncodePng(kWidth, kHeight, device.Pixels(), expected, error));
    EXPECT_EQ(std::vector<std::uint8_t>(shot->body.begin(), shot->body.end()), expected);
}

TEST_F(PageServer, NoPathLeadsOutOfThePage) {
    const std::vector<std::string> paths = {
        "/../state/registry", "/%2e%2e/state/logs/server.log", "/..%2fstate%2fregistry", "/fs/NAND/HOMEDECK.EXE",
        "/state/logs/server.log", "//state/logs/server.log", "/log/../../fs", "/screen.png/../../state",
        "/%2F%2Fstate", "/screenXpng", "/index.html", "/page.html", "/./", "/%00", "/" + std::string(4000, 'a'),
        "/log/server", "/fs%2FNAND%2FHOMEDECK.EXE"};
    for (const auto& path : paths) {
        const std::string reply = Raw(server.Port(), "GET " + path + " HTTP/1.1\r\nHost: " + host +
                                                        "\r\nConnection: close\r\n\r\n");
        EXPECT_EQ(StatusOf(reply), 404) << path << "\n" << reply.substr(0, 200);
    }
    // Past the longest request line the server reads, the answer is still a refusal.
    const int status = StatusOf(Raw(server.Port(), "GET /" + std::string(20000, 'a') + " HTTP/1.1\r\nHost: " + host +
                                                       "\r\nConnection: close\r\n\r\n"));
    EXPECT_TRUE(status >= 400 && status < 500) << status;
    // A log is read only by a name the device keeps.
    for (const char* name : {"../../state/registry", "..%2F..%2Fstate%2Fregistry", "%2e%2e", "a/b", ""})
        EXPECT_EQ(GetStatus(std::string("/log?name=") + name), 400) << name;
    EXPECT_EQ(GetStatus("/log?name=NOTHERE.EXE"), 404);
    EXPECT_EQ(device.LogReads(), 1) << "only the one valid name was looked up";
}

TEST_F(PageServer, AnswersOnlyToItsOwnAddress) {
    // DNS rebinding: a site's name pointed at this machine.
    const auto page = Get("/", {{"Host", "evil.example:" + std::to_string(server.Port())}});
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 403);
    EXPECT_EQ(PostStatus("/key?name=5", {{"Host", "evil.example:" + std::to_string(server.Port())}}), 403);
    EXPECT_EQ(StatusOf(Raw(server.Port(), "GET / HTTP/1.1\r\nConnection: close\r\n\r\n")), 403) << "no Host at all";
    EXPECT_EQ(StatusOf(Raw(server.Port(), "POST /key?name=5 HTTP/1.1\r\nHost: " + host + "\r\nHost: evil.example\r\n"
                                          "Content-Length: 0\r\nConnection: close\r\n\r\n")),
              403)
        << "two Host headers";
    EXPECT_EQ(GetStatus("/"), 200);
    const auto localhost = Get("/board", {{"Host", "localhost:" + std::to_string(server.Port())}});
    ASSERT_TRUE(localhost);
    EXPECT_EQ(localhost->status, 200);
    EXPECT_TRUE(device.Changes().empty());
}

TEST_F(PageServer, OnlyItsOwnPageOrNoPageDrivesTheDevice) {
    EXPECT_EQ(PostStatus("/key?name=5", {{"Origin", "http://evil.example"}}), 403);
    EXPECT_EQ(PostStatus("/pen?action=press&x=1&y=1", {{"Origin", "null"}}), 403);
    EXPECT_EQ(PostStatus("/medium?name=card&state=out", {{"Origin", origin}, {"Sec-Fetch-Site", "cross-site"}}), 403);
    EXPECT_EQ(PostStatus("/backlight?level=0", {{"Origin", "http://127.0.0.1:1"}}), 403);
    EXPECT_TRUE(device.Changes().empty()) << "no refused request reached the device";

    EXPECT_EQ(PostStatus("/key?name=5", {{"Origin", origin}, {"Sec-Fetch-Site", "same-origin"}}), 204);
    EXPECT_EQ(PostStatus("/key?name=ok"), 204) << "a script sends no Origin";
    // Reading needs no origin rule: a page of another site cannot read the answers anyway.
    EXPECT_EQ(device.Changes(), (std::vector<std::string>{"key 5", "key enter"}));
}

TEST_F(PageServer, GoodChangesReachTheDeviceInOrder) {
    EXPECT_EQ(PostStatus("/pen?action=press&x=10&y=20"), 204);
    EXPECT_EQ(PostStatus("/pen?action=move&x=799&y=479"), 204);
    EXPECT_EQ(PostStatus("/pen?action=release&x=0&y=0"), 204);
    EXPECT_EQ(PostStatus("/key?name=9"), 204);
    EXPECT_EQ(PostStatus("/key?name=left"), 204);
    EXPECT_EQ(PostStatus("/medium?name=card&state=out"), 204);
    EXPECT_EQ(PostStatus("/backlight?level=40"), 204);
    const auto refused = Post("/medium?name=usb&state=out");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 409);
    EXPECT_NE(refused->body.find("no USB DRIVE is inserted"), std::string::npos);
    EXPECT_EQ(device.Changes(), (std::vector<std::string>{"press 10,20", "move 799,479", "release 0,0", "key 9",
                                                          "key left", "card out", "backlight 40", "usb out"}));
}

TEST_F(PageServer, BadInputIsRefusedAndNeverReachesTheDevice) {
    for (const char* path :
         {"/pen?action=press&x=abc&y=1", "/pen?action=press&x=800&y=1", "/pen?action=press&x=1&y=480",
          "/pen?action=press&x=-1&y=1", "/pen?action=press&x=1", "/pen?action=tap&x=1&y=1", "/pen?x=1&y=1",
          "/pen?action=press&x=1e2&y=1", "/pen?action=press&x=%31%00&y=1", "/key?name=0", "/key?name=up",
          "/key?name=", "/key", "/medium?name=floppy&state=in", "/medium?name=card&state=half",
          "/backlight?level=101", "/backlight?level=-5", "/backlight?level=50%25"})
        EXPECT_EQ(PostStatus(path), 400) << path;
    // Changes are POSTs only: a link or an image cannot make one.
    EXPECT_EQ(GetStatus("/key?name=5"), 404);
    EXPECT_EQ(GetStatus("/pen?action=press&x=1&y=1"), 404);
    // A body of 100 MB is refused from its length, before it is sent.
    const auto start = std::chrono::steady_clock::now();
    const std::string big = Raw(server.Port(), "POST /key?name=5 HTTP/1.1\r\nHost: " + host +
                                                   "\r\nContent-Length: 104857600\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(StatusOf(big), 413) << big.substr(0, 200);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    // A header of 100 KB.
    const int huge = StatusOf(Raw(server.Port(), "POST /key?name=5 HTTP/1.1\r\nHost: " + host + "\r\nX-Big: " +
                                                     std::string(100000, 'x') + "\r\nConnection: close\r\n\r\n",
                                      1s));
    EXPECT_TRUE(huge == 0 || (huge >= 400 && huge < 500)) << huge;
    // Nonsense instead of a request.
    const int nonsense = StatusOf(Raw(server.Port(), std::string("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11), 1s));
    EXPECT_TRUE(nonsense == 0 || (nonsense >= 400 && nonsense < 500)) << nonsense;
    EXPECT_TRUE(device.Changes().empty());
    EXPECT_EQ(GetStatus("/"), 200) << "the server still serves";
}

TEST_F(PageServer, TheBoardAndTheLogsAreShownAsTheDeviceKeepsThem) {
    const auto board = Get("/board");
    ASSERT_TRUE(board);
    ASSERT_EQ(board->status, 200);
    const auto value = nlohmann::json::parse(board->body);  // valid JSON though a command line is not UTF-8
    EXPECT_EQ(value["drivers"], "backlight      80% on\n");
    EXPECT_NE(value["programs"].get<std::string>().find("MUSIC"), std::string::npos);
    EXPECT_EQ(value["card"], true);
    EXPECT_EQ(value["usb"], false);
    EXPECT_EQ(value["backlight"]["level"], 80);
    EXPECT_EQ(value["logs"], (nlohmann::json{"MUSIC.EXE", "server"}));

    const auto log = Get("/log?name=server&lines=2");
    ASSERT_TRUE(log);
    EXPECT_EQ(log->status, 200);
    EXPECT_EQ(log->body, "two\nthree\n");
    EXPECT_EQ(GetStatus("/log?name=server&lines=0"), 400);
    EXPECT_EQ(GetStatus("/log?name=server&lines=x"), 400);
}

// Reads server-sent events from a watching connection.
class EventReader {
public:
    explicit EventReader(int port, const std::string& host) {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
            const std::string request = "GET /events HTTP/1.1\r\nHost: " + host + "\r\n\r\n";
            (void)::send(m_fd, request.data(), request.size(), MSG_NOSIGNAL);
        }
    }
    ~EventReader() { Close(); }
    void Close() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }
    // The picture numbers announced within `wait`, or as soon as `enough` were.
    std::vector<std::uint64_t> Frames(std::chrono::milliseconds wait, std::size_t enough = SIZE_MAX) {
        const auto end = std::chrono::steady_clock::now() + wait;
        char buffer[4096];
        while (Count() < enough) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            pollfd poll_fd{m_fd, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&poll_fd, 1, static_cast<int>(left.count())) <= 0) break;
            const ssize_t n = ::recv(m_fd, buffer, sizeof(buffer), 0);
            if (n <= 0) break;
            m_text.append(buffer, static_cast<std::size_t>(n));
        }
        std::vector<std::uint64_t> frames;
        for (std::size_t at = m_text.find(kEvent); at != std::string::npos; at = m_text.find(kEvent, at + 1))
            frames.push_back(std::stoull(m_text.substr(at + kEvent.size())));
        m_text.erase(0, m_text.rfind('\n') == std::string::npos ? 0 : m_text.rfind('\n') + 1);
        return frames;
    }
    std::size_t Count() const {
        std::size_t count = 0;
        for (std::size_t at = m_text.find(kEvent); at != std::string::npos; at = m_text.find(kEvent, at + 1)) ++count;
        return count;
    }
    const std::string& Text() const { return m_text; }

private:
    static constexpr std::string_view kEvent = "event: frame\ndata: ";
    int m_fd = -1;
    std::string m_text;
};

TEST_F(PageServer, AWatchingPageIsToldOfEachNewPictureAndOfNothingElse) {
    EventReader events(server.Port(), host);
    EXPECT_EQ(events.Frames(5s, 1), (std::vector<std::uint64_t>{1})) << "the screen as it is, at once";
    // A frame whose pixels did not change is no new picture.
    device.Present(0x00203040u);
    EXPECT_TRUE(events.Frames(700ms).empty());
    const int screenshots = device.Screenshots();
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(device.Screenshots(), screenshots) << "nothing changes: the screen is not taken again";
    device.Present(0x00FF0000u);
    EXPECT_EQ(events.Frames(5s, 1), (std::vector<std::uint64_t>{2}));
    // Many changes at once: the page hears of the newest, numbers only rising, and the newest
    // picture is the one served.
    for (std::uint32_t colour = 1; colour <= 50; ++colour) device.Present(colour);
    std::this_thread::sleep_for(300ms);
    const auto frames = events.Frames(700ms);
    ASSERT_FALSE(frames.empty());
    EXPECT_TRUE(std::is_sorted(frames.begin(), frames.end()));
    const auto png = Get("/screen.png");
    ASSERT_TRUE(png);
    EXPECT_EQ(png->get_header_value("X-Picture"), std::to_string(frames.back()));
    std::uint32_t width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::string error;
    ASSERT_TRUE(platform::DecodePng({png->body.begin(), png->body.end()}, width, height, pixels, error));
    EXPECT_EQ(pixels, device.Pixels());
}

TEST_F(PageServer, WatchingPagesAreLimitedAndLetGoWhenClosed) {
    std::vector<std::unique_ptr<EventReader>> pages;
    for (std::size_t i = 0; i < kMaxViewers; ++i) {
        pages.push_back(std::make_unique<EventReader>(server.Port(), host));
        EXPECT_FALSE(pages.back()->Frames(5s, 1).empty()) << "page " << i;
    }
    EXPECT_EQ(server.Feed().Viewers(), kMaxViewers);
    EXPECT_EQ(GetStatus("/events"), 503);
    EXPECT_EQ(GetStatus("/"), 200) << "other requests are still served";
    for (auto& page : pages) page->Close();
    // A closed page is noticed when the server next writes to it: the first write after the
    // close is still taken by the system, the one after fails.
    const auto end = std::chrono::steady_clock::now() + 5s;
    for (std::uint32_t colour = 1; server.Feed().Viewers() > 0 && std::chrono::steady_clock::now() < end; ++colour) {
        device.Present(colour);
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_EQ(server.Feed().Viewers(), 0u);
}

}  // namespace
}  // namespace deviceweb
