#include "tools/deviceweb/screen_feed.h"

#include <cstring>

#include "platform/gfx/png_file.h"

namespace deviceweb {
namespace {

// How long one wait in the device server lasts: the longest the thread takes to notice that
// the page was closed or the tool stops.
constexpr auto kDeviceWait = std::chrono::milliseconds(1000);
// How long the thread rests after the device did not answer before it asks again.
constexpr auto kRetryAfter = std::chrono::milliseconds(500);

}  // namespace

ScreenFeed::ScreenFeed(Device& device) : m_device(device), m_thread([this] { Run(); }) {}

ScreenFeed::~ScreenFeed() { Stop(); }

ScreenFeed::Viewer::Viewer(ScreenFeed& feed) : m_feed(feed) {
    {
        std::lock_guard lock(m_feed.m_mutex);
        ++m_feed.m_viewers;
    }
    m_feed.m_changed.notify_all();
}

ScreenFeed::Viewer::~Viewer() {
    std::lock_guard lock(m_feed.m_mutex);
    --m_feed.m_viewers;
}

std::size_t ScreenFeed::Viewers() const {
    std::lock_guard lock(m_mutex);
    return m_viewers;
}

void ScreenFeed::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

bool ScreenFeed::Stopped() const {
    std::lock_guard lock(m_mutex);
    return m_stopping;
}

std::uint64_t ScreenFeed::WaitPicture(std::uint64_t after, std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, timeout, [&] { return m_stopping || m_latest.number > after; });
    return m_latest.number;
}

std::optional<std::pair<std::uint32_t, std::uint32_t>> ScreenFeed::ScreenSize() {
    {
        std::lock_guard lock(m_mutex);
        if (m_latest.number) return std::make_pair(m_latest.width, m_latest.height);
    }
    if (!TakeScreen()) return std::nullopt;
    std::lock_guard lock(m_mutex);
    return std::make_pair(m_latest.width, m_latest.height);
}

bool ScreenFeed::TakeScreen() {
    auto screen = m_device.Screenshot();
    if (!screen || screen->width == 0 || screen->height == 0 ||
        screen->pixels.size() != static_cast<std::size_t>(screen->width) * screen->height)
        return false;
    std::unique_lock lock(m_mutex);
    m_last_frame = screen->frame;
    const bool same = m_latest.number && m_latest.width == screen->width && m_latest.height == screen->height &&
                      std::memcmp(m_latest.pixels->data(), screen->pixels.data(), screen->pixels.size() * 4) == 0;
    if (same) return true;
    Picture picture;
    picture.number = m_latest.number + 1;
    picture.width = screen->width;
    picture.height = screen->height;
    picture.pixels = std::make_shared<const std::vector<std::uint32_t>>(std::move(screen->pixels));
    m_latest = std::move(picture);
    lock.unlock();
    m_changed.notify_all();
    return true;
}

void ScreenFeed::Run() {
    for (;;) {
        bool have_picture = false;
        std::uint64_t after = 0;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return m_stopping || m_viewers > 0; });
            if (m_stopping) return;
            have_picture = m_latest.number > 0;
            after = m_last_frame;
        }
        // The first picture is taken at once; after it, only another frame is worth a look: a
        // newer one, or a lower number from a device that started again.
        bool answered = true;
        if (!have_picture) {
            answered = TakeScreen();
        } else if (const auto frame = m_device.WaitScreenChange(after, kDeviceWait); !frame) {
            answered = false;
        } else if (*frame != after) {
            answered = TakeScreen();
        }
        if (!answered) {
            std::unique_lock lock(m_mutex);
            m_changed.wait_for(lock, kRetryAfter, [&] { return m_stopping; });
        }
    }
}

std::optional<ScreenFeed::Png> ScreenFeed::LatestPng(std::string& error) {
    bool watched = false;
    {
        std::lock_guard lock(m_mutex);
        watched = m_viewers > 0 && m_latest.number;
    }
    if (!watched && !TakeScreen()) {
        error = "the device does not answer";
        return std::nullopt;
    }
    std::lock_guard encoding(m_encoding);
    Picture picture;
    {
        std::lock_guard lock(m_mutex);
        picture = m_latest;
    }
    if (!picture.number) {
        error = "the device does not answer";
        return std::nullopt;
    }
    if (!picture.png) {
        auto png = std::make_shared<std::vector<std::uint8_t>>();
        if (!platform::EncodePng(picture.width, picture.height, *picture.pixels, *png, error)) return std::nullopt;
        picture.png = png;
        std::lock_guard lock(m_mutex);
        if (m_latest.number == picture.number) m_latest.png = picture.png;
    }
    return Png{picture.number, picture.png};
}

}  // namespace deviceweb
