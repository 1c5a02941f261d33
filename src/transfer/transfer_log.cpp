// The transfer log (VARNIX.LOG by default): one line appended for each completed transfer,
// when the dolog setting in the configuration file is exactly 1.
#include "transfer/transfer_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "config/config_file.h"
#include "platform/directory_scan.h"

namespace varnix {

namespace {

std::string printable(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) c = '?';
    }
    return out;
}


std::string local_path(std::string_view local_dir, std::string_view name) {
    if (!name.empty() && name.front() == '/') return std::string(name);
    std::string path(local_dir);
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    return path;
}

// One write of the whole line to a file opened for appending, so lines of two programs
// sharing a log never interleave.
void append_to_file(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return;
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

}  // namespace

std::string format_transfer_log_line(const std::tm& when, std::string_view local_dir,
                                     const TransferLogLine& line) {
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "%02d.%02d.%02d %02d:%02d %c ", when.tm_year,
                  when.tm_mon + 1, when.tm_mday, when.tm_hour, when.tm_min,
                  line.type == TransferMode::Ascii ? 'A' : 'B');
    std::string text = stamp;
    text += printable(local_path(local_dir, line.local_name));
    text += line.direction == TransferDirection::Upload ? " --> " : " <-- ";
    text += printable(line.peer);
    text += ' ';
    text += printable(line.remote_dir);
    text += ' ';
    text += printable(line.remote_name);
    text += '\n';
    return text;
}

void append_transfer_log(const TransferContext& ctx, const TransferLogLine& line) {
    const std::time_t now = std::time(nullptr);
    std::tm when {};
    ::localtime_r(&now, &when);
    const std::string& local_dir = ctx.local_dir;
    const LogSettings settings = read_log_settings(ctx);
    if (!settings.enabled) return;
    std::string file = settings.file;
    // A recursive walk changes the local directory for every folder it copies; the log stays
    // in the folder the walk started from instead of landing in (and travelling with) each.
    if (!ctx.log_base_dir.empty() && !file.empty() && file.front() != '/') {
        file = ctx.log_base_dir + "/" + file;
    }
    append_to_file(file, format_transfer_log_line(when, local_dir, line));
}

}  // namespace varnix
