// Interfaces of the user-facing services the engine talks through: the message area and log
// window, one-line prompts, message boxes, timers and sounds. The Qt window implements them;
// headless.h has the implementations for batch runs without a display and for tests. The
// thread rules are in window_interface.h: unless a member says otherwise, the engine calls it
// on the GUI thread only.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/certificate_info.h"

namespace varnix {

// The two-line message area and the "Message Log" window.
class MessageView {
public:
    virtual ~MessageView() = default;
    // GUI thread. Shows two history lines (the upper may be empty when there is only one line).
    virtual void show_message_lines(std::string_view upper, std::string_view lower) = 0;
    // GUI thread. Appends a whole line to the log window when it is open.
    virtual void log_window_append(std::string_view text) = 0;
};

enum class PromptKind { Text, Password, WithHistory };

struct PromptRequest {
    PromptKind kind = PromptKind::Text;
    std::string prompt;                // the formatted question
    std::string initial;               // the entry's starting text, shown selected
    int help_context = 0;              // help topic for the prompt's Help button
    std::vector<std::string> choices;  // the drop-down list of a WithHistory prompt
    // A server name is asked for: the starting text and the choices are shown, and typed text
    // is sent, in this character set (the profile's CHARSET); empty: automatic / UTF-8.
    std::string name_charset;
};

class Prompter {
public:
    virtual ~Prompter() = default;
    // GUI thread. The text the user confirmed, or nullopt for Cancel.
    virtual std::optional<std::string> ask(const PromptRequest& request) = 0;
};

// Message box styles and answers, with the Windows numbers the program's logic uses.
namespace mb {
inline constexpr int ok = 0x0;
inline constexpr int ok_cancel = 0x1;
inline constexpr int yes_no_cancel = 0x3;
inline constexpr int yes_no = 0x4;
inline constexpr int icon_stop = 0x10;
inline constexpr int icon_question = 0x20;
inline constexpr int icon_exclamation = 0x30;
inline constexpr int icon_information = 0x40;
inline constexpr int id_ok = 1;
inline constexpr int id_cancel = 2;
inline constexpr int id_yes = 6;
inline constexpr int id_no = 7;
}  // namespace mb

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // GUI thread. Shows a message box; returns the id of the button chosen (mb::id_*).
    virtual int show(std::string_view text, std::string_view caption, int style) = 0;
};

// Periodic timers identified by a number, delivered on the thread that runs the program's
// events (the GUI thread; headless: the thread that runs the blocking hook).
class TimerService {
public:
    virtual ~TimerService() = default;
    // Any thread (the time-out is armed by whichever thread reads a reply).
    virtual void start_timer(int id, int period_ms, std::function<void()> on_tick) = 0;
    // Any thread.
    virtual void stop_timer(int id) = 0;
    // Any thread, as every thread's blocking hook: processes pending events once where the
    // caller's thread has events to process (the GUI thread); true when something ran.
    virtual bool process_events() = 0;
};

// The alert sounds the program tells apart (connect, error and the plain completion beep).
enum class BeepKind { Simple, Asterisk, Exclamation };

class SoundService {
public:
    virtual ~SoundService() = default;
    // GUI thread. Plays a wave file; false when it cannot be played.
    virtual bool play_wave(const std::string& path) = 0;
    // GUI thread.
    virtual void beep() = 0;
    // GUI thread. A beep of that kind; where the desktop has one alert sound, the plain beep.
    virtual void message_beep(BeepKind kind) {
        (void)kind;
        beep();
    }
};

// The question when a server's certificate cannot be verified: the window shows subject,
// issuer, validity, fingerprint and reason, and the user trusts it once, always, or not.
class CertificateAsker {
public:
    virtual ~CertificateAsker() = default;
    // GUI thread.
    virtual CertificateAnswer ask(const CertificateQuestion& question) = 0;
};

class UiInvoker;

// The set handed to the engine (PlatformContext::set_services, on the GUI thread before any
// worker starts). Any member may be null: that service is then silent.
struct Services {
    MessageView* view = nullptr;
    Prompter* prompter = nullptr;
    MessageBoxes* boxes = nullptr;
    TimerService* timers = nullptr;
    SoundService* sound = nullptr;
    // Carries the worker's calls onto the GUI thread; null when there is only one thread.
    UiInvoker* invoker = nullptr;
    // Null (batch runs): an unverified certificate is refused without a question.
    CertificateAsker* certificates = nullptr;
};

}  // namespace varnix
