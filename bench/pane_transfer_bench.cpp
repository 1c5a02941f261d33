// A pane transfer (the worker thread, panes reached through calls onto the owning thread)
// against the batch program's way (download_one on the calling thread, file by file), over
// loopback from a pyftpdlib server: one large file, then many small ones. Prints both times
// and the ratio.
// Usage: pane_transfer_bench [large_MiB=256] [small_files=2000]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "listing/list_entries.h"
#include "listing/remote_listing.h"
#include "net/control_connection.h"
#include "net/logon.h"
#include "platform/headless.h"
#include "support/owner_thread.h"
#include "support/pyftpd.h"
#include "support/temp_dir.h"
#include "transfer/get_put.h"
#include "transfer/multi_transfer.h"
#include "transfer/progress.h"

namespace {

using namespace varnix;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Client {
    Client(std::uint16_t port, const fs::path& local) {
        ctx.set_services(Services{&view, &prompter, &boxes, &timers, &sound});
        install_blocking_hook(ctx);
        ctx.transfer.progress = &progress;
        ctx.config_path = (local / "VARNIX.INI").string();
        ctx.settings.log_transfers = 0;
        ctx.options.play_sounds = 0;
        ctx.options.mode = 'I';
        ctx.session.host = "127.0.0.1";
        ctx.session.port = port;
        ctx.session.user = "anna";
        ctx.session.password = "secret";
        ctx.session.passive = 1;
        ctx.session.name = "bench";
        (void)logon(ctx);
    }
    ~Client() {
        clear_listing_cache(ctx);
        close_control(ctx);
    }
    RecordingMessageView view;
    ScriptedPrompter prompter;
    HeadlessMessageBoxes boxes;
    HeadlessTimers timers;
    RecordingSound sound;
    HeadlessProgress progress;
    TransferContext ctx;
};

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The batch way: one download_one after the other on this thread.
double batch_way(Client& c, const std::vector<std::string>& names) {
    const auto start = Clock::now();
    unsigned i = 0;
    for (const auto& name : names) {
        if (download_one(c.ctx, name, ++i, static_cast<unsigned>(names.size()), false) != 2) {
            std::fprintf(stderr, "batch download of %s failed\n", name.c_str());
        }
    }
    return seconds_since(start);
}

// The pane way: the selection of the remote file list on the worker thread.
double pane_way(Client& c, varnix::test::OwnerThread& owner, const std::vector<std::string>& names) {
    list_remote_fresh(c.ctx);
    ListBox& files = *c.ctx.panes.remote_files;
    for (int i = 0; i < files.count(); ++i) {
        const std::string name = get_entry_name(c.ctx, files, i);
        if (std::find(names.begin(), names.end(), name) != names.end()) (void)files.set_selected(i, true);
    }
    PaneHooks hooks;
    hooks.ui = owner.invoker();
    TransferWorker worker(c.ctx, hooks);
    const auto start = Clock::now();
    if (!worker.start(PaneTransfer::Download, false)) return -1;
    while (worker.running()) owner.pump_for(std::chrono::milliseconds(5));
    (void)worker.wait(std::chrono::hours(1), [&] { owner.pump(); });
    return seconds_since(start);
}

void write_file(const fs::path& path, std::size_t size) {
    std::ofstream out(path, std::ios::binary);
    std::string block(1 << 20, 'x');
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 131 + 7);
    while (size > 0) {
        const std::size_t n = std::min(size, block.size());
        out.write(block.data(), static_cast<std::streamsize>(n));
        size -= n;
    }
}

void report(const char* what, double batch, double pane, double bytes) {
    std::printf("%-28s batch %8.3f s", what, batch);
    if (bytes > 0) std::printf(" (%7.1f MiB/s)", bytes / batch / (1 << 20));
    std::printf("   pane %8.3f s", pane);
    if (bytes > 0) std::printf(" (%7.1f MiB/s)", bytes / pane / (1 << 20));
    std::printf("   pane/batch %.2f\n", pane / batch);
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t large_mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 256;
    const int small_files = argc > 2 ? std::atoi(argv[2]) : 2000;

    varnix::test::PyFtpd ftpd;
    if (!ftpd.running()) {
        std::fprintf(stderr, "pyftpdlib server did not start: %s\n", ftpd.error().c_str());
        return 1;
    }
    varnix::test::TempDir local;
    const fs::path before = fs::current_path();
    fs::current_path(local.path());

    write_file(ftpd.home() / "large.bin", large_mib << 20);
    std::vector<std::string> small;
    for (int i = 0; i < small_files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "s%05d.bin", i);
        write_file(ftpd.home() / name, 512 + static_cast<std::size_t>(i % 7) * 100);
        small.emplace_back(name);
    }

    varnix::test::OwnerThread owner;
    {
        Client batch(ftpd.port(), local.path());
        Client pane(ftpd.port(), local.path());
        if (!batch.ctx.control.is_open() || !pane.ctx.control.is_open()) {
            std::fprintf(stderr, "logon failed\n");
            return 1;
        }
        const double b = batch_way(batch, {"large.bin"});
        fs::remove(local.path() / "large.bin");
        const double p = pane_way(pane, owner, {"large.bin"});
        fs::remove(local.path() / "large.bin");
        report("one large file", b, p, static_cast<double>(large_mib << 20));
    }
    {
        Client batch(ftpd.port(), local.path());
        Client pane(ftpd.port(), local.path());
        const double b = batch_way(batch, small);
        for (const auto& n : small) fs::remove(local.path() / n);
        const double p = pane_way(pane, owner, small);
        char what[64];
        std::snprintf(what, sizeof what, "%d small files", small_files);
        report(what, b, p, 0);
    }
    fs::current_path(before);
    return 0;
}
