// The listing-parser library: turns one line of an FTP directory listing into an entry,
// names the host types (listing dialects) and recognises them from server texts.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnix::dirlex {

// The program's convention: 4 directory, 2 symbolic link, anything else a file.
enum class EntryKind : std::uint8_t { File = 0, Link = 2, Directory = 4 };

// One listing entry. The name keeps the exact bytes the server sent. A date the line does
// not give (or gives impossibly, like 31 Feb) is all zeros; an unknown size is 0.
struct ListEntry {
    std::string name;
    std::uint16_t year = 0;
    std::uint8_t month = 0;
    std::uint8_t day = 0;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint64_t size = 0;
    EntryKind kind = EntryKind::File;
    std::uint16_t host_type = 0;  // the dialect that read the line
};

struct CivilDate {
    int year = 1970;
    int month = 1;
    int day = 1;
};

// Today's date in local time.
[[nodiscard]] CivilDate current_date();

// What one listing carries from line to line: an entry that a VMS server wrapped onto two
// lines, and the dialect the listing has shown so far (tried first on the next line).
// Use one per listing; reset() between listings.
struct ListingState {
    std::string pending_name;  // a VMS name whose details are on the next line
    std::string joined;        // scratch for the two lines put together
    std::uint16_t dialect = 0;  // tried first on the next line
    bool mvs_members = false;  // a PDS member header was seen: bare names are members
    // The dialect is decided by the first lines an automatic listing reads: the one that
    // read most of them. Once settled it stays, so one ambiguous line cannot flip the rest;
    // a line it cannot read still goes to the others.
    static constexpr std::size_t deciding_lines = 4;
    std::array<std::uint16_t, deciding_lines> vote_code{};
    std::array<std::uint8_t, deciding_lines> votes{};
    std::uint8_t voted_lines = 0;
    bool settled = false;
    void reset()
    {
        pending_name.clear();
        joined.clear();
        dialect = 0;
        mvs_members = false;
        vote_code.fill(0);
        votes.fill(0);
        voted_lines = 0;
        settled = false;
    }
};

struct ParseContext {
    CivilDate today = current_date();  // a date without a year is the latest one not after this (+1 day)
    ListingState* state = nullptr;      // optional; without it every line stands alone
    std::string_view* why = nullptr;    // optional; a dialect that declines a line says why here
};

// Host type codes. The codes up to 6045 are the ones the program acts on; the codes from
// 6100 are dialects of our own.
namespace host {
inline constexpr std::uint16_t automatic = 6000;
inline constexpr std::uint16_t ka9q = 6005;
inline constexpr std::uint16_t ncsa = 6006;
inline constexpr std::uint16_t unix_generic = 6010;
inline constexpr std::uint16_t vms = 6012;
inline constexpr std::uint16_t qvt = 6013;
inline constexpr std::uint16_t macintosh = 6014;
inline constexpr std::uint16_t vm_minidisk = 6019;
inline constexpr std::uint16_t windows_nt = 6020;
inline constexpr std::uint16_t mvs = 6024;
inline constexpr std::uint16_t mvs_jes = 6026;
inline constexpr std::uint16_t delete_only = 6027;
inline constexpr std::uint16_t delete_only_no_cwd = 6028;
inline constexpr std::uint16_t zvm = 6029;
inline constexpr std::uint16_t tandem = 6030;
inline constexpr std::uint16_t os400 = 6044;
inline constexpr std::uint16_t netware = 6045;
inline constexpr std::uint16_t mlsd = 6100;
inline constexpr std::uint16_t eplf = 6101;
inline constexpr std::uint16_t os2 = 6102;
inline constexpr std::uint16_t vxworks = 6103;
inline constexpr std::uint16_t os9 = 6104;
inline constexpr std::uint16_t router = 6105;
}  // namespace host

struct HostTypeInfo {
    std::uint16_t code;
    std::string_view name;
};

// Every host type the library knows, automatic first, in the order a list shows them.
[[nodiscard]] std::span<const HostTypeInfo> host_types();

// Reads one listing line (its LF or CR LF may still be attached). Returns true when the
// line describes an entry and `out` was filled; false for headers, totals, skipped
// entries (MLSD cdir/pdir) and lines it cannot read. `out.name` keeps its capacity, so a
// reused entry costs no allocation per line. With host type 6000 every dialect is tried;
// with another code that dialect is tried first and the others after it. In automatic mode
// with a `ListingState`, the first lines decide the listing's dialect (see ListingState).
// A VMS entry wrapped over two lines may come as one string with the line break inside.
// `remote_dir` (the last PWD answer) only hints the dialect in automatic mode; `user_id` is
// accepted for the program's calling convention and not needed by any dialect.
[[nodiscard]] bool parse_list_line(ListEntry& out, std::string_view line, int host_type,
                                   std::string_view remote_dir, std::string_view user_id,
                                   const ParseContext& ctx);

// What one dialect made of a line: read it, or declined it and why.
struct DialectTrial {
    std::uint16_t code;
    bool read;
    std::string_view reason;  // static text; empty when the dialect read the line
};

// Tries the line with every dialect in the order parse_list_line would and reports each
// verdict, for bug reports. Does not change `ctx.state`.
[[nodiscard]] std::vector<DialectTrial> explain_list_line(std::string_view line, int host_type,
                                                          std::string_view remote_dir, const ParseContext& ctx);

// Display name of a host type; unknown codes get "Unknown host type". The text is static.
[[nodiscard]] std::string_view host_type_name(int host_type);

// Where fill_host_type_list puts its items (a combo box in the program).
struct HostTypeListSink {
    virtual ~HostTypeListSink() = default;
    virtual void add_item(std::string_view text, std::uint16_t code) = 0;
};

// Adds one item per host type: its display name and its code.
void fill_host_type_list(HostTypeListSink& sink);

// The host type a SYST answer names, or `current` when it names none we know.
[[nodiscard]] int host_type_from_syst(std::string_view syst_text, int current);

// The host type a greeting or logon reply line reveals, or `current`.
[[nodiscard]] int host_type_from_line(std::string_view reply_line, int current);

}  // namespace varnix::dirlex
