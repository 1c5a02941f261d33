// Copying dropped files into the local folder, off the window's thread.
#include "transfer/local_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "listing/local_listing.h"
#include "net/control_connection.h"
#include "platform/file_handle.h"

namespace varnix {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t copy_piece = 1 << 20;


enum class CopyResult { Done, Failed, Stopped };

// `from` into `to`, a piece at a time, looking at the stop flag between pieces.
CopyResult copy_bytes(const TransferContext& ctx, const std::string& from, const std::string& to) {
    FileHandle in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.valid()) return CopyResult::Failed;
    struct stat st {};
    if (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return CopyResult::Failed;
    FileHandle out(::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 0777));
    if (!out.valid()) return CopyResult::Failed;
    std::vector<char> buffer(copy_piece);
    for (;;) {
        if (ctx.stop_requested.load()) return CopyResult::Stopped;
        const ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return CopyResult::Failed;
        if (n == 0) break;
        if (!write_all(out.get(), buffer.data(), static_cast<std::size_t>(n))) return CopyResult::Failed;
    }
    return out.close() ? CopyResult::Done : CopyResult::Failed;
}

}  // namespace

int copy_into_local_dir(TransferContext& ctx, const PaneHooks& hooks, const std::vector<std::string>& paths) {
    ctx.stop_requested = false;
    unsigned copied = 0;
    for (const std::string& path : paths) {
        if (ctx.stop_requested.load()) break;
        const std::string name = fs::path(path).filename().string();
        if (name.empty()) continue;
        std::error_code ec;
        if (fs::is_directory(path, ec)) {
            ctx.messages.print_message("%s is a folder: not copied.", path.c_str());
            continue;
        }
        const fs::path to(local_file_path(ctx, name));
        if (fs::exists(to, ec) && fs::equivalent(path, to, ec)) {
            // Copying a file over itself would empty it.
            ctx.messages.print_message("%s is already in this folder.", name.c_str());
            continue;
        }
        const fs::path part = to.parent_path() / ("." + name + ".part");
        const CopyResult result = copy_bytes(ctx, path, part.string());
        if (result == CopyResult::Done) fs::rename(part, to, ec);
        if (result != CopyResult::Done || ec) {
            std::error_code ignored;
            fs::remove(part, ignored);
            if (result == CopyResult::Stopped) {
                ctx.messages.print_message("Copy of %s cancelled.", path.c_str());
                break;
            }
            ctx.messages.print_message("Copy of %s failed.", path.c_str());
            continue;
        }
        ++copied;
    }
    if (copied > 0) ctx.messages.print_message("%u file(s) copied into %s", copied, ctx.local_dir.c_str());
    set_transfer_thread_busy(ctx, 0);
    hooks.run([&] { list_local(ctx); });
    return static_cast<int>(copied);
}

}  // namespace varnix
