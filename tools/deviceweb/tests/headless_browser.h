// A headless Chromium for the browser end-to-end tests of the device's web page: the browser is
// started with its DevTools protocol on a pair of pipes (it reads commands on its fd 3 and writes
// replies and events on its fd 4, each message one JSON text ended by a NUL byte), and one page
// of it is driven through a flat session: navigate, evaluate script, send mouse and key input,
// take screenshots.
//
// Every wait is bounded; a browser that dies or stops answering makes the calls fail with a
// reason in Error(), never hang. Not thread-safe: one test thread drives one browser.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace deviceweb::testing {

class HeadlessBrowser {
public:
    // Why Chromium cannot run here, "" when it can: the binary is missing or does not start.
    // Tests skip with it. The first call starts a browser once to find out; later calls reuse
    // the answer.
    static std::string Unavailable();

    // Starts the browser with a page of width x height CSS pixels (scale factor 1) showing
    // about:blank. Started() says whether it worked, Error() why not.
    HeadlessBrowser(int width, int height);
    // Closes the browser, kills it if it lingers, reaps it and removes its profile.
    ~HeadlessBrowser();
    HeadlessBrowser(const HeadlessBrowser&) = delete;
    HeadlessBrowser& operator=(const HeadlessBrowser&) = delete;

    bool Started() const { return m_started; }
    // The last failure, with the tail of the browser's log when the browser is gone.
    const std::string& Error() const { return m_error; }

    // Loads the url and waits for its load event. False when the page cannot be loaded (the
    // network error is in Error()) or the load does not finish in time.
    bool Navigate(const std::string& url, std::chrono::milliseconds timeout);
    // The value of a script expression, awaited when it is a promise; JSON null for undefined.
    // Nothing when it throws (the exception's text is in Error()) or the page does not answer.
    std::optional<nlohmann::json> Evaluate(const std::string& expression,
                                           std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Polls the expression about every 20 ms until its value is truthy.
    bool WaitFor(const std::string& expression, std::chrono::milliseconds timeout);

    // One mouse event at viewport coordinates: "mousePressed", "mouseMoved" or "mouseReleased",
    // with the left button. A move between a press and its release is a drag (the button is held).
    bool Mouse(const std::string& type, double x, double y);
    // A move to the point, then a left press and release there.
    bool Click(double x, double y);
    // A key press and release by its DOM key name: a digit, a lowercase letter, " ", "Enter",
    // "Escape", "Backspace", "Delete", "Tab", "Home", "End", "PageUp", "PageDown" or an arrow
    // ("ArrowLeft", ...). Keys that type a character (and Enter) produce keypress and input too.
    bool Key(const std::string& key);
    // A PNG of the viewport.
    std::optional<std::vector<std::uint8_t>> Screenshot();

    // One protocol command, on the page's session or (on_page false) on the browser itself; its
    // "result", or nothing with the reason in Error().
    std::optional<nlohmann::json> Command(const std::string& method, nlohmann::json params,
                                          std::chrono::milliseconds timeout = std::chrono::seconds(5),
                                          bool on_page = true);

    // Standard base64 (padding optional, whitespace ignored); nothing when the text is not base64.
    static std::optional<std::vector<std::uint8_t>> DecodeBase64(std::string_view text);

private:
    using Clock = std::chrono::steady_clock;

    bool Start(int width, int height);
    // Opens the page, attaches a session to it and sets its viewport.
    bool Attach(int width, int height, Clock::time_point deadline);
    void Stop();
    std::optional<nlohmann::json> CommandUntil(const std::string& method, nlohmann::json params,
                                               Clock::time_point deadline, bool on_page);
    // The RemoteObject the expression gave, or nothing with the reason in Error().
    std::optional<nlohmann::json> EvaluateRemote(const std::string& expression, Clock::time_point deadline);
    // Writes one message; a message cut short breaks the connection, so a stalled pipe counts as gone.
    bool Send(const nlohmann::json& message, Clock::time_point deadline);
    // The next message from the browser, or nothing when the deadline passes or the browser is gone.
    std::optional<nlohmann::json> Receive(Clock::time_point deadline);
    // Keeps an event of the page's session for a later wait; the browser's own events are of no use here.
    void KeepEvent(nlohmann::json event);
    // Waits for an event of the page's session, taking it from those already kept first.
    bool WaitEvent(const std::string& method, Clock::time_point deadline);
    void DropEvents(const std::string& method);
    // Records that the connection is lost (a pipe closed or broke), with why and the browser's log.
    void BrowserGone(const std::string& what);
    // Whether the browser has exited (it is reaped only by Stop()); false when it still runs at the deadline.
    bool WaitExit(Clock::time_point deadline);
    std::string LogTail() const;
    bool Fail(std::string error);

    pid_t m_pid = -1;
    bool m_exited = false;
    bool m_lost = false;  // reaped by someone else
    std::string m_exit;   // how it ended: "exited with status 1"
    int m_to_browser = -1;
    int m_from_browser = -1;
    bool m_started = false;
    bool m_gone = false;
    std::string m_gone_reason;
    std::string m_error;
    std::filesystem::path m_temp_dir;  // the profile and the browser's log
    std::string m_input;               // bytes read that do not yet make a whole message
    std::size_t m_scanned = 0;         // how much of m_input is known to hold no message end
    std::deque<nlohmann::json> m_events;
    std::int64_t m_next_id = 1;
    std::string m_session;
    bool m_button_down = false;
};

}  // namespace deviceweb::testing
