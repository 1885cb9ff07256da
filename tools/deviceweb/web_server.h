// The device's page server: one page that shows the device's screen and drives its pen, its
// remote control and its board, and the few addresses the page uses. Every request is checked
// (host, origin, parameters) before anything reaches the device; whatever else is asked for is
// 404, so nothing of the device's files can be fetched through it.
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "tools/deviceweb/screen_feed.h"
#include "tools/deviceweb/web_device.h"
#include "tools/deviceweb/web_rules.h"

namespace httplib {
class Server;
}

namespace deviceweb {

// The most pages that may watch the screen at once; each holds one of the server's threads.
constexpr std::size_t kMaxViewers = 8;
// The largest request body taken (the page's requests have none).
constexpr std::size_t kMaxBody = 4096;
// How much of a log's end is read for each line asked for: the page refreshes its log every
// second, so no more is read than the lines can fill.
constexpr std::size_t kLogBytesPerLine = 512;

class WebServer {
public:
    WebServer(Device& device, ListenAddress listen);
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Binds the address (port 0: any free port) and serves on a thread of its own. False with
    // the reason when the address cannot be had.
    bool Start(std::string& error);
    void Stop();

    int Port() const { return m_listen.port; }
    // "http://127.0.0.1:8480/"
    std::string PageAddress() const;
    ScreenFeed& Feed() { return m_feed; }

private:
    void Route();

    Device& m_device;
    ListenAddress m_listen;
    ScreenFeed m_feed;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
};

}  // namespace deviceweb
