// What a server says it offers in its FEAT reply (RFC 2389), with the facts an MLST line
// names, and the UTC times of MDTM replies (RFC 3659). Plain parsers, no connection state.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnix {

struct Feature {
    std::string name;       // upper case ("UTF8", "MLST", "REST")
    std::string arguments;  // the rest of the line as sent ("type*;size*;", "STREAM")
};

struct ServerFeatures {
    bool asked = false;     // FEAT was sent on this connection
    bool answered = false;  // and answered with 211
    std::vector<Feature> features;
    // The facts the MLST line names, lower case and without the '*' that marks those on.
    std::vector<std::string> mlst_facts;

    // Whether a feature of that name (any letter case) was listed.
    [[nodiscard]] bool offers(std::string_view name) const;
    // Whether a feature was listed with that first argument word ("REST", "STREAM").
    [[nodiscard]] bool offers(std::string_view name, std::string_view argument) const;
};

// Reads the lines of a FEAT reply: "211-Features:", one feature a line (indented by a blank
// as RFC 2389 asks, or not, as some servers send them), and "211 End". Any other code
// gives no features and answered false.
[[nodiscard]] ServerFeatures parse_feat_reply(std::span<const std::string> lines);

// "213 20240105143012" (an optional ".sss" fraction): seconds since 1970 in UTC; nullopt for
// any other reply or an impossible date.
[[nodiscard]] std::optional<std::int64_t> parse_mdtm_reply(std::string_view text);

// Seconds since 1970 of a UTC date and time; nullopt when a field is out of range.
[[nodiscard]] std::optional<std::int64_t> utc_seconds(int year, int month, int day, int hour,
                                                      int minute, int second);

}  // namespace varnix
