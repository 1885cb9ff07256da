// The screen as the page sees it: while a page watches, a thread sleeps in the device server
// until a frame is presented, takes the screen, and keeps it as a new picture when its pixels
// differ from the last one. Pictures are numbered from 1; a watcher is told the newest number
// only, so a slow page skips pictures and nothing queues. A picture is made into a PNG once,
// when a page first asks for it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tools/deviceweb/web_device.h"

namespace deviceweb {

class ScreenFeed {
public:
    explicit ScreenFeed(Device& device);
    ~ScreenFeed();
    ScreenFeed(const ScreenFeed&) = delete;
    ScreenFeed& operator=(const ScreenFeed&) = delete;

    // While a viewer is held, the feed follows the screen; with none, it does nothing.
    class Viewer {
    public:
        explicit Viewer(ScreenFeed& feed);
        ~Viewer();
        Viewer(const Viewer&) = delete;
        Viewer& operator=(const Viewer&) = delete;

    private:
        ScreenFeed& m_feed;
    };
    std::size_t Viewers() const;

    // Waits until there is a picture numbered above `after`, the time is up or the feed stops;
    // the newest picture's number (0: none yet).
    std::uint64_t WaitPicture(std::uint64_t after, std::chrono::milliseconds timeout);

    struct Png {
        std::uint64_t number = 0;
        std::shared_ptr<const std::vector<std::uint8_t>> bytes;
    };
    // The newest picture as a PNG. With no viewer the screen is taken now, so the picture is
    // never stale. Nothing with the reason when the device does not answer.
    std::optional<Png> LatestPng(std::string& error);

    // The screen's size, from the first picture taken; nothing before the device answered once.
    std::optional<std::pair<std::uint32_t, std::uint32_t>> ScreenSize();

    // Ends the watching thread and wakes every waiter.
    void Stop();
    bool Stopped() const;

private:
    struct Picture {
        std::uint64_t number = 0;
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        std::shared_ptr<const std::vector<std::uint32_t>> pixels;
        std::shared_ptr<const std::vector<std::uint8_t>> png;  // made on first demand
    };
    void Run();
    // Takes the screen; keeps it as a new picture when it differs. False when the device did not answer.
    bool TakeScreen();

    Device& m_device;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;  // a new picture, a viewer came, or stop
    Picture m_latest;
    std::uint64_t m_last_frame = 0;      // the device's frame the latest screen was taken at
    std::size_t m_viewers = 0;
    bool m_stopping = false;
    std::mutex m_encoding;               // one PNG made at a time
    std::thread m_thread;
};

}  // namespace deviceweb
