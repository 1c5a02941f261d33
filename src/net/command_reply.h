// CommandReply: what one command or one whole reply came to (code, class and last line), the
// value every caller decides by. The class as a number, for the few contracts that count by
// it, is made here and nowhere else.
#pragma once

#include <string>
#include <utility>

namespace varnix {

enum class ReplyClass : int {
    None = 0,          // no reply: nothing was sent, or there is no connection
    Preliminary = 1,   // 1xx: the server goes on (a transfer starts)
    Completed = 2,     // 2xx
    Intermediate = 3,  // 3xx: the server wants more (a password, an account)
    Transient = 4,     // 4xx, and a lost connection or a cancelled exchange (421)
    Permanent = 5,     // 5xx
};

// The class of a reply code: None outside 100-599.
[[nodiscard]] constexpr ReplyClass class_of_code(int code) {
    return code >= 100 && code <= 599 ? static_cast<ReplyClass>(code / 100) : ReplyClass::None;
}

// The reply class as the number 0..5 (a typed-in command's result, a transfer's last class).
[[nodiscard]] constexpr int class_number(ReplyClass cls) { return static_cast<int>(cls); }

struct [[nodiscard]] CommandReply {
    int code = 0;  // 100-599; 0 when none was read; 421 for a lost or cancelled exchange
    ReplyClass cls = ReplyClass::None;
    std::string text;  // the reply's last line, without trailing white space

    // A reply read from the server: its class follows from its code.
    [[nodiscard]] static CommandReply read(int code, std::string text) {
        return {code, class_of_code(code), std::move(text)};
    }

    [[nodiscard]] constexpr bool preliminary() const { return cls == ReplyClass::Preliminary; }
    [[nodiscard]] constexpr bool completed() const { return cls == ReplyClass::Completed; }
    [[nodiscard]] constexpr bool intermediate() const { return cls == ReplyClass::Intermediate; }
    [[nodiscard]] constexpr bool transient() const { return cls == ReplyClass::Transient; }
    [[nodiscard]] constexpr bool permanent() const { return cls == ReplyClass::Permanent; }
    // "500 command not understood": the X-form of a command is worth a try.
    [[nodiscard]] constexpr bool not_understood() const { return permanent() && code == 500; }
    [[nodiscard]] constexpr int class_number() const { return varnix::class_number(cls); }
};

}  // namespace varnix
