// The restart record and the resumption of an interrupted download.
#include "transfer/restart.h"

#include <cerrno>
#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "config/config_file.h"
#include "platform/directory_scan.h"
#include "dirlex/dirlex.h"
#include "listing/local_listing.h"
#include "net/logon.h"
#include "platform/ini_file.h"
#include "transfer/get_put.h"
#include "transfer/remote_time.h"
#include "transfer/transfer_log.h"

namespace varnix {

namespace {

// Paths and names as long as Linux allows.
constexpr std::size_t record_chars = 4095;
constexpr std::size_t local_dir_chars = 4095;
// The record is written and cleared around every binary download: waiting for the folder as
// well as the file made a folder of small files crawl. The file's data still reaches the disk
// before the rename, so the file is always whole; only a power cut may lose the newest record.
constexpr IniSync restart_record_sync = IniSync::AtomicOnly;

// The local directory as the question shows it and as it is changed to: one trailing "/"
// dropped, except that the root stays "/".
std::string stripped_local_dir(const std::string& dir) {
    if (dir.size() > 1 && dir.back() == '/') return dir.substr(0, dir.size() - 1);
    return dir;
}

std::string local_path_of(const std::string& dir, const std::string& file) {
    if (!file.empty() && file.front() == '/') return file;
    return dir == "/" ? "/" + file : dir + "/" + file;
}

void refresh_local_pane(TransferContext& ctx) {
    post_window_event(ctx.services.invoker, ctx.events.on_local_changed);
}

}  // namespace

void save_restart_record(TransferContext& ctx, const std::string& profile,
                         const std::string& remote_dir, const std::string& remote_name,
                         const std::string& local_name) {
    const std::string local_dir = cut_to(ctx.local_dir, local_dir_chars);
    const std::string now = std::to_string(static_cast<unsigned long>(std::time(nullptr)));
    (void)update_config_file(ctx, [&](IniFile& ini) {
        IniStatus status = ini.put(profile, "REGETRDIR", remote_dir);
        if (status.ok()) status = ini.put(profile, "REGETRFILE", remote_name);
        if (status.ok()) status = ini.put(profile, "REGETLDIR", local_dir);
        if (status.ok()) status = ini.put(profile, "REGETLFILE", local_name);
        if (status.ok()) status = ini.put(profile, "REGETTIME", now);
        return status;
    }, restart_record_sync);
    if (ctx.settings.auto_reget) {
        ctx.messages.print_message("Saved restart info for %s - %s", profile.c_str(), remote_name.c_str());
    }
}

void clear_restart_record(TransferContext& ctx, const std::string& profile) {
    if (ini_get_string(ctx.config_path, profile, "REGETRFILE", "", record_chars).empty()) return;
    (void)update_config_file(ctx, [&](IniFile& ini) {
        for (const char* key : {"REGETRDIR", "REGETRFILE", "REGETLDIR", "REGETLFILE", "REGETTIME"}) {
            const IniStatus status = ini.put(profile, key, std::nullopt);
            if (!status.ok()) return status;
        }
        return IniStatus{};
    }, restart_record_sync);
}

RestartRecord read_restart_record(const TransferContext& ctx, const std::string& profile) {
    const IniFile ini = IniFile::load(ctx.config_path).file;
    return {ini.get_string(profile, "REGETRDIR", "", record_chars),
            ini.get_string(profile, "REGETRFILE", "", record_chars),
            ini.get_string(profile, "REGETLDIR", "", record_chars),
            ini.get_string(profile, "REGETLFILE", "", record_chars)};
}

std::string join_remote_path(const TransferContext& ctx, const std::string& dir,
                             const std::string& name) {
    std::string path = dir;
    if (ctx.session.host_type == dirlex::host::tandem) {
        path += '.';
    } else if (path.empty() || (path.back() != '/' && path.back() != '\\')) {
        path += dir.find('\\') != std::string::npos ? '\\' : '/';
    }
    return path + name;
}

void offer_resume(TransferContext& ctx, const std::string& profile) {
    if (!ctx.settings.auto_reget) return;
    if (!ctx.control.is_open()) {
        ctx.messages.print_message("No control socket, ignored.");
        return;
    }
    if (ctx.busy_count != 0) {
        ctx.messages.print_message("Command in progress, ignored.");
        return;
    }
    const RestartRecord record = read_restart_record(ctx, profile);
    if (!record.present() || !ctx.services.boxes) return;
    MessageBoxes& boxes = *ctx.services.boxes;
    const std::string local_dir = stripped_local_dir(record.local_dir);
    const std::string local_path = local_path_of(local_dir, record.local_file);
    const std::string question = "Do you want to attempt to resume the transfer\nof:\n  " +
                                 join_remote_path(ctx, record.remote_dir, record.remote_file) +
                                 "\nto:\n  " + local_path;
    if (boxes.show(question, program_title, mb::yes_no | mb::icon_question) != mb::id_yes) {
        clear_restart_record(ctx, profile);
        return;
    }
    // The local pane follows the file; the process's own directory is not the pane's.
    if (set_local_dir(ctx, local_dir)) refresh_local_pane(ctx);
    const int file = ::open(local_path.c_str(), O_WRONLY | O_CLOEXEC);
    if (file < 0) {
        if (boxes.show("Failed to open the local file. Did you delete it?", program_title,
                       mb::yes_no | mb::icon_question) == mb::id_yes) {
            clear_restart_record(ctx, profile);
            (void)boxes.show("In that case, you need to attempt to retrieve the file again.",
                             program_title, mb::ok | mb::icon_information);
        } else {
            (void)boxes.show("The file could not be opened and may be locked by another process.\n"
                             "You should reboot your system and try again.",
                             program_title, mb::ok | mb::icon_exclamation);
        }
        return;
    }
    struct stat st {};
    const std::int64_t size = ::fstat(file, &st) == 0 ? st.st_size : 0;
    const std::int64_t offset = size > 1024 ? size / 1024 * 1024 : 0;
    if (::lseek(file, offset, SEEK_SET) < 0) {
        (void)boxes.show("Failed to set file pointer.\nExit, reboot system and try again.",
                         program_title, mb::ok | mb::icon_stop);
        ::close(file);
        return;
    }
    const TransferOutcome outcome = restart_get(ctx, file, record.remote_dir,
                                                record.remote_file, offset);
    if (outcome.status == TransferStatus::ServerRefused) ctx.messages.print_message("Reget failed");
    // Stopped after data arrived: the file can be resumed again from where it got to.
    const bool interrupted = !outcome.data_whole && outcome.status != TransferStatus::ServerRefused &&
                             (outcome.bytes > 0 || outcome.status == TransferStatus::LocalError ||
                              outcome.status == TransferStatus::Cancelled);
    if (interrupted) {
        save_restart_record(ctx, profile, record.remote_dir, record.remote_file, record.local_file);
    } else {
        if (outcome.complete() && ctx.settings.log_transfers) {
            append_transfer_log(ctx, {TransferDirection::Download, TransferMode::Binary,
                                      record.local_file, profile, record.remote_dir,
                                      record.remote_file});
        }
        clear_restart_record(ctx, profile);
    }
    // A file resumed to a shorter end than before must not keep the old tail.
    if (outcome.data_whole) {
        const off_t end = ::lseek(file, 0, SEEK_CUR);
        if (end >= 0) (void)::ftruncate(file, end);
    }
    ::close(file);
    // After the truncation, which would stamp the file with the present time again.
    if (outcome.complete()) {
        (void)apply_remote_time(ctx, join_remote_path(ctx, record.remote_dir, record.remote_file), local_path);
    }
    refresh_local_pane(ctx);
}

}  // namespace varnix
