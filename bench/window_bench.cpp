// The window's figures: process start to the first paint of both panes, filling a pane with
// 100,000 entries, resident memory of the idle window holding a 10,000-entry remote listing,
// and the peak resident memory of a batch download by the program without a window.
// Usage: window_bench [path of the varnix program]   (default: varnix beside this program)
// Without DISPLAY/WAYLAND_DISPLAY the window runs on Qt's offscreen platform.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "listing/remote_listing.h"
#include "support/pyftpd.h"
#include "support/temp_dir.h"
#include "ui/layout.h"
#include "ui/main_window.h"
#include "ui/main_window_lists.h"
#include "ui/startup.h"

namespace {

using namespace varnix;
using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Milliseconds since this process was started (the kernel's start time, 10 ms steps).
double ms_since_process_start() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    const auto close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream rest(text.substr(close + 2));
    std::string field;
    unsigned long long start_ticks = 0;
    for (int i = 3; i <= 22 && rest >> field; ++i) {
        if (i == 22) start_ticks = std::stoull(field);
    }
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double now_ms = now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
    return now_ms - start_ticks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long rss_kib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

// Counts paints of the watched list viewports.
class PaintWatch : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted.insert(watched);
        return false;
    }
    std::set<QObject*> painted;
};

std::string write_unix_listing(const std::filesystem::path& path, int lines) {
    std::ofstream out(path);
    std::mt19937 random(7);
    out << "total 1\n";
    for (int i = 0; i < lines; ++i) {
        const unsigned r = random();
        out << ((r % 40 == 0) ? 'd' : '-') << "rw-r--r--   1 user     group    " << (r % 10000000)
            << " Mar " << (1 + r % 28) << "  2024 file" << i << (r % 2 ? ".txt" : ".bin") << "\n";
    }
    return path.string();
}

// The high-water resident memory of a running process (KiB), -1 once it is gone.
long process_hwm_kib(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

// Runs the program on `args` and returns its peak resident memory in KiB (-1 on failure),
// read from the process itself while it runs: the kernel's figure for a child (rusage) would
// also count this benchmark's own memory, which the child shares until its exec.
long child_peak_rss(const std::string& program, const std::vector<std::string>& args, int* status) {
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        std::freopen("/dev/null", "w", stderr);
        std::freopen("/dev/null", "w", stdout);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    if (pid < 0) return -1;
    long peak = -1;
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (waitpid(pid, status, WNOHANG) == 0) {
        // Counted only once the exec has happened (the program's own name in /proc).
        std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
        std::string name;
        std::getline(comm, name);
        if (name == std::filesystem::path(program).filename().string().substr(0, 15)) {
            peak = std::max(peak, process_hwm_kib(pid));
        }
        if (Clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, status, 0);
            return -1;
        }
        usleep(1000);
    }
    return peak;
}

bool pump_until(const std::function<bool()>& done, int bound_ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > bound_ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const auto main_start = Clock::now();
    const double started_before_main = ms_since_process_start();
    const std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    const std::string program = argc > 1 ? argv[1] : (self.parent_path() / "varnix").string();

    test::TempDir dir;
    std::filesystem::create_directories(dir.path() / "config" / "varnix");
    std::ofstream(dir.path() / "config" / "varnix" / "VARNIX.INI") << "[_config_]\nAUTOSTART=0\n";
    std::filesystem::create_directories(dir.path() / "local");
    for (int i = 0; i < 200; ++i) std::ofstream(dir.path() / "local" / ("file" + std::to_string(i) + ".txt")) << i;
    setenv("XDG_CONFIG_HOME", (dir.path() / "config").c_str(), 1);
    if (chdir((dir.path() / "local").c_str()) != 0) return 1;
    const bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
    if (!display) setenv("QT_QPA_PLATFORM", "offscreen", 1);

    // 1. Start to the first paint of both panes.
    int qt_argc = 1;
    QApplication app(qt_argc, argv);
    const double app_ms = ms_since(main_start);
    ui::WindowProgramOptions options;
    options.splash = false;
    options.command_line = "";
    ui::WindowProgram window_program(options);
    window_program.start();
    const double start_ms = ms_since(main_start);
    ui::MainWindow& window = window_program.window();
    PaintWatch watch;
    for (int i : {ui::ctl::local_dirs, ui::ctl::local_files, ui::ctl::remote_dirs, ui::ctl::remote_files}) {
        window.list(i)->viewport()->installEventFilter(&watch);
    }
    const bool painted = pump_until([&] { return watch.painted.size() == 4; }, 10000);
    const double first_paint_ms = ms_since(main_start);
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("start to first paint of both panes: %.0f ms after main() (process start %.0f ms earlier)%s\n",
                first_paint_ms, started_before_main, painted ? "" : "  [NOT PAINTED]");
    std::printf("  the same from process start: %.0f ms (target < 300 ms)\n", first_paint_ms + started_before_main);
    std::printf("  of which: application and display %.0f ms, start-up steps %.0f ms, first paint %.0f ms\n",
                app_ms, start_ms - app_ms, first_paint_ms - start_ms);

    // 2. The idle window with a 10,000-entry remote listing.
    BatchContext& ctx = window_program.context();
    const std::string small = write_unix_listing(dir.path() / "small.lst", 10000);
    load_listing_file(ctx, small);
    watch.painted.clear();
    pump_until([&] { return watch.painted.size() >= 2; }, 5000);
    pump_until([] { return false; }, 300);
    std::printf("resident memory, idle window with %d remote entries: %.1f MB (target < 80 MB)\n",
                window.list(ui::ctl::remote_files)->count() + window.list(ui::ctl::remote_dirs)->count(),
                rss_kib() / 1024.0);

    // 3. Pane fill of 100,000 entries: the widget alone, then a whole listing file.
    std::vector<ListItem> items;
    items.reserve(100000);
    for (int i = 0; i < 100000; ++i) items.push_back({"file" + std::to_string(i) + ".txt\t| 20240301 10:00     123456", i});
    ui::PaneList* files = window.list(ui::ctl::remote_files);
    files->clear();
    auto t = Clock::now();
    files->append_items(items);
    watch.painted.clear();
    pump_until([&] { return watch.painted.count(files->viewport()) > 0; }, 5000);
    std::printf("pane fill, 100,000 entries appended and painted: %.0f ms (target < 1000 ms)\n", ms_since(t));
    const std::string large = write_unix_listing(dir.path() / "large.lst", 100000);
    t = Clock::now();
    load_listing_file(ctx, large);
    watch.painted.clear();
    pump_until([&] { return watch.painted.count(files->viewport()) > 0; }, 10000);
    std::printf("pane fill, 100,000-line listing file parsed, sorted and painted: %.0f ms\n", ms_since(t));
    std::printf("resident memory with 100,000 remote entries: %.1f MB\n", rss_kib() / 1024.0);

    // 4. A batch download by the program without a window.
    test::PyFtpdOptions server_options;
    server_options.users.clear();
    server_options.anonymous = true;
    test::PyFtpd server(server_options);
    if (!server.running()) {
        std::printf("batch run: no pyftpdlib server (%s)\n", server.error().c_str());
        return 0;
    }
    {
        std::ofstream file(server.home() / "sixteen-mb.bin", std::ios::binary);
        const std::string block(1024, 'x');
        for (int i = 0; i < 16 * 1024; ++i) file << block;
    }
    int status = 0;
    const std::string url = "ftp://127.0.0.1:" + std::to_string(server.port()) + "/sixteen-mb.bin";
    const long peak = child_peak_rss(program, {"--no-window", url, "local:" + (dir.path() / "got.bin").string()}, &status);
    std::printf("batch download of 16 MB without a window: peak resident memory %.1f MB (target < 15 MB), exit %d\n",
                peak / 1024.0, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return 0;
}
