#include "tools/deviceweb/web_server.h"

#include <httplib.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <ctime>

#include "platform/gfx/png_file.h"
#include "tools/deviceweb/page.h"

namespace deviceweb {
namespace {

using httplib::Request;
using httplib::Response;

// How often a watching page hears from the server when nothing changes: often enough that a
// closed page is noticed and its thread freed, rarely enough to cost nothing.
constexpr auto kIdleBeat = std::chrono::seconds(15);

void Answer(Response& response, int status, const std::string& text) {
    response.status = status;
    response.set_content(text + "\n", "text/plain; charset=utf-8");
}

// A device's answer to a change: 204, 503 when it does not answer, 409 when it refused.
void AnswerDevice(Response& response, DWORD error) {
    if (error == 0) {
        response.status = 204;
        return;
    }
    if (error == ERROR_BROKEN_PIPE) return Answer(response, 503, "the device does not answer");
    Answer(response, 409, "the device refused it (error " + std::to_string(error) + ")");
}

std::string Param(const Request& request, const char* name) {
    return request.has_param(name) ? request.get_param_value(name) : std::string{};
}

// JSON for the page; text that is not UTF-8 (a program's command line may be anything) is
// replaced, never a failure.
std::string Json(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string ScreenshotFileName() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char name[64];
    std::strftime(name, sizeof(name), "screenshot-%Y%m%d-%H%M%S.png", &local);
    return name;
}

}  // namespace

WebServer::WebServer(Device& device, ListenAddress listen)
    : m_device(device), m_listen(std::move(listen)), m_feed(device), m_server(std::make_unique<httplib::Server>()) {
    Route();
}

WebServer::~WebServer() { Stop(); }

std::string WebServer::PageAddress() const {
    std::string host = IsWildcard(m_listen.host) ? std::string("127.0.0.1") : m_listen.host;
    if (host.find(':') != std::string::npos) host = "[" + host + "]";
    return "http://" + host + ":" + std::to_string(m_listen.port) + "/";
}

bool WebServer::Start(std::string& error) {
    if (m_listen.port == 0) {
        const int port = m_server->bind_to_any_port(m_listen.host);
        if (port <= 0) {
            error = "cannot listen on " + m_listen.host;
            return false;
        }
        m_listen.port = port;
    } else if (!m_server->bind_to_port(m_listen.host, m_listen.port)) {
        error = "cannot listen on " + m_listen.host + " port " + std::to_string(m_listen.port) +
                " (is another program using it?)";
        return false;
    }
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    return true;
}

void WebServer::Stop() {
    // The feed first: it wakes the watching pages' threads, which the server waits for.
    m_feed.Stop();
    m_server->stop();
    if (m_thread.joinable()) m_thread.join();
}

void WebServer::Route() {
    auto& server = *m_server;
    // Enough threads for every watching page and the requests of the pages besides.
    server.new_task_queue = [] { return new httplib::ThreadPool(kMaxViewers + 8); };
    server.set_payload_max_length(kMaxBody);
    // One request a connection: the HTTP library watches an idle kept-alive connection by
    // waking every 10 ms, which for the few connections a page keeps open cost a whole percent
    // of a core while nothing happened. A new connection on loopback costs far less.
    server.set_keep_alive_max_count(1);

    server.set_pre_routing_handler([this](const Request& request, Response& response) {
        const std::string host = request.get_header_value("Host");
        if (request.get_header_value_count("Host") != 1 || !HostAllowed(host, m_listen)) {
            Answer(response, 403, "this server answers only to the address it listens on");
            return httplib::Server::HandlerResponse::Handled;
        }
        // A body too large is refused from its stated length, before any of it is read.
        const std::string length = request.get_header_value("Content-Length");
        if (!length.empty() && (length.size() > 9 || std::strtoul(length.c_str(), nullptr, 10) > kMaxBody)) {
            response.set_header("Connection", "close");
            Answer(response, 413, "a request carries no more than " + std::to_string(kMaxBody) + " bytes");
            return httplib::Server::HandlerResponse::Handled;
        }
        const bool reads = request.method == "GET" || request.method == "HEAD";
        if (!reads && !OriginAllowed(request.get_header_value("Origin"), request.get_header_value("Sec-Fetch-Site"), host)) {
            Answer(response, 403, "only the device's own page may drive it");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server.set_post_routing_handler([](const Request&, Response& response) {
        response.set_header("Cache-Control", "no-store");
        response.set_header("X-Content-Type-Options", "nosniff");
        response.set_header("X-Frame-Options", "DENY");
        response.set_header("Referrer-Policy", "no-referrer");
    });
    server.set_error_handler([](const Request&, Response& response) {
        if (response.body.empty()) {
            const char* what = response.status == 404 ? "no such page" : "bad request";
            response.set_content(std::string(what) + "\n", "text/plain; charset=utf-8");
        }
    });
    server.set_exception_handler([](const Request&, Response& response, std::exception_ptr) {
        Answer(response, 500, "the request failed");
    });

    server.Get("/", [](const Request&, Response& response) {
        response.set_header("Content-Security-Policy",
                            "default-src 'none'; img-src 'self'; style-src 'unsafe-inline'; "
                            "script-src 'unsafe-inline'; connect-src 'self'; frame-ancestors 'none'");
        response.set_content(kPage, kPageSize, "text/html; charset=utf-8");
    });

    server.Get("/events", [this](const Request&, Response& response) {
        if (m_feed.Viewers() >= kMaxViewers) return Answer(response, 503, "too many pages watch the device");
        struct Watch {
            explicit Watch(ScreenFeed& feed) : viewer(feed) {}
            ScreenFeed::Viewer viewer;
            std::uint64_t sent = 0;
            bool greeted = false;
        };
        auto watch = std::make_shared<Watch>(m_feed);
        response.set_chunked_content_provider("text/event-stream", [this, watch](std::size_t, httplib::DataSink& sink) {
            if (!watch->greeted) {
                watch->greeted = true;
                const std::string hello = "retry: 1000\n\n";
                if (!sink.write(hello.data(), hello.size())) return false;
            }
            const std::uint64_t number = m_feed.WaitPicture(watch->sent, kIdleBeat);
            if (m_feed.Stopped()) return false;
            std::string event = ": idle\n\n";
            if (number > watch->sent) {
                event = "event: frame\ndata: " + std::to_string(number) + "\n\n";
                watch->sent = number;
            }
            return sink.write(event.data(), event.size());
        });
    });

    server.Get(R"(/screen\.png)", [this](const Request&, Response& response) {
        std::string error;
        const auto png = m_feed.LatestPng(error);
        if (!png) return Answer(response, 503, error);
        response.set_header("X-Picture", std::to_string(png->number));
        response.set_content(reinterpret_cast<const char*>(png->bytes->data()), png->bytes->size(), "image/png");
    });

    server.Get(R"(/screenshot\.png)", [this](const Request&, Response& response) {
        const auto screen = m_device.Screenshot();
        if (!screen) return Answer(response, 503, "the device does not answer");
        std::vector<std::uint8_t> png;
        std::string error;
        if (!platform::EncodePng(screen->width, screen->height, screen->pixels, png, error))
            return Answer(response, 500, error);
        response.set_header("Content-Disposition", "attachment; filename=\"" + ScreenshotFileName() + "\"");
        response.set_content(reinterpret_cast<const char*>(png.data()), png.size(), "image/png");
    });

    server.Get("/board", [this](const Request&, Response& response) {
        const auto board = m_device.Board();
        if (!board) return Answer(response, 503, "the device does not answer");
        nlohmann::json value;
        value["drivers"] = board->drivers;
        value["programs"] = board->programs;
        value["card"] = board->card_inserted;
        value["usb"] = board->usb_inserted;
        value["backlight"] = {{"level", board->backlight_level}, {"on", board->backlight_on}};
        value["logs"] = m_device.LogNames();
        response.set_content(Json(value), "application/json");
    });

    server.Get("/log", [this](const Request& request, Response& response) {
        const std::string name = Param(request, "name");
        const auto lines = LogLineCount(Param(request, "lines"));
        if (!LogNameValid(name) || !lines) return Answer(response, 400, "a log is named like MUSIC.EXE; lines 1 to 1000");
        const auto text = m_device.LogTail(name, *lines * kLogBytesPerLine);
        if (!text) return Answer(response, 404, "the device keeps no log of that name");
        response.set_content(LastLines(*text, *lines), "text/plain; charset=utf-8");
    });

    server.Post("/pen", [this](const Request& request, Response& response) {
        const auto action = PenActionNamed(Param(request, "action"));
        if (!action) return Answer(response, 400, "action is press, move or release");
        const auto size = m_feed.ScreenSize();
        if (!size) return Answer(response, 503, "the device does not answer");
        const auto x = ScreenCoordinate(Param(request, "x"), size->first);
        const auto y = ScreenCoordinate(Param(request, "y"), size->second);
        if (!x || !y) return Answer(response, 400, "x and y are a point of the screen");
        AnswerDevice(response, m_device.Pen(*action, *x, *y));
    });

    server.Post("/key", [this](const Request& request, Response& response) {
        const auto key = RemoteKeyNamed(Param(request, "name"));
        if (!key) return Answer(response, 400, "a key is 1 to 9, left, right or ok");
        AnswerDevice(response, m_device.Key(*key));
    });

    server.Post("/medium", [this](const Request& request, Response& response) {
        const std::string name = Param(request, "name");
        const std::string state = Param(request, "state");
        if ((name != "card" && name != "usb") || (state != "in" && state != "out"))
            return Answer(response, 400, "name is card or usb, state in or out");
        const auto medium = name == "card" ? platform::RemovableMedium::StorageCard : platform::RemovableMedium::UsbDrive;
        std::string error;
        if (!m_device.SetMedium(medium, state == "in", error)) return Answer(response, 409, error);
        response.status = 204;
    });

    server.Post("/backlight", [this](const Request& request, Response& response) {
        const auto level = BacklightLevel(Param(request, "level"));
        if (!level) return Answer(response, 400, "level is 0 to 100");
        AnswerDevice(response, m_device.SetBacklight(*level));
    });
}

}  // namespace deviceweb
