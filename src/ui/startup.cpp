// Program start with a window, its event loop and its ordered shut-down.
#include "ui/startup.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QIcon>
#include <QLabel>
#include <QPointer>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <memory>

#include "batch/batch.h"
#include "batch/command_line.h"
#include "config/config_file.h"
#include "listing/remote_listing.h"
#include "net/control_connection.h"
#include "net/idle_noop.h"
#include "net/logon.h"
#include "platform/clock.h"
#include "transfer/extension_lists.h"
#include "transfer/progress.h"
#include "transfer/sounds.h"
#include "ui/help/help_window.h"
#include "ui/certificate_dialog.h"
#include "ui/commands.h"
#include "ui/drag_drop.h"
#include "ui/fonts.h"
#include "ui/input_dialogs.h"
#include "ui/main_window.h"
#include "ui/message_log_window.h"
#include "ui/popup_menu.h"
#include "ui/qt_sound.h"
#include "ui/transfer_status_dialog.h"
#include "ui/message_area.h"
#include "ui/qt_services.h"
#include "ui/stop_signals.h"

namespace varnix::ui {

namespace {

constexpr int idle_noop_check_ms = 5000;

// One field of "LOC": blanks, an optional sign, decimal digits, blanks. The value as the
// 32-bit pattern "%u" wrote it, so a negative position survives; nothing for anything else.
std::optional<int> location_field(std::string_view text) {
    auto trim = [](std::string_view s) {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
        return s;
    };
    text = trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (negative) value = static_cast<std::uint32_t>(0u - value);
    return static_cast<int>(static_cast<std::int32_t>(value));
}

void take(int& target, std::optional<int> value) {
    if (value) target = *value;
}

// The splash: our own picture, drawn rather than loaded so it is sharp at any scale.
class SplashWindow : public QWidget {
public:
    SplashWindow()
        : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
        setObjectName("splash");
        setFixedSize(splash_width, splash_height);
        setAttribute(Qt::WA_DeleteOnClose, false);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QLinearGradient sky(0, 0, 0, height());
        sky.setColorAt(0.0, QColor(24, 62, 112));
        sky.setColorAt(1.0, QColor(8, 24, 48));
        p.fillRect(rect(), sky);
        // Two panes with an arrow between them: the program's picture.
        const QRectF left(34, 46, 120, 112), right(222, 46, 120, 112);
        p.setPen(QPen(QColor(180, 210, 240), 2));
        p.setBrush(QColor(255, 255, 255, 30));
        p.drawRoundedRect(left, 8, 8);
        p.drawRoundedRect(right, 8, 8);
        p.setPen(QPen(QColor(120, 160, 210), 3));
        for (int i = 0; i < 5; ++i) {
            const qreal y = 70 + i * 17;
            p.drawLine(QPointF(left.left() + 14, y), QPointF(left.right() - 14 - (i % 2) * 30, y));
            p.drawLine(QPointF(right.left() + 14, y), QPointF(right.right() - 14 - ((i + 1) % 2) * 30, y));
        }
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 196, 64));
        const QPointF arrow[] = {{164, 92}, {196, 92}, {196, 80}, {214, 102}, {196, 124}, {196, 112}, {164, 112}};
        p.drawPolygon(arrow, 7);
        p.setPen(Qt::white);
        QFont title = font();
        title.setPixelSize(30);
        title.setBold(true);
        p.setFont(title);
        p.drawText(QRect(0, 170, width(), 40), Qt::AlignCenter, QString::fromLatin1(program_title));
        QFont small = font();
        small.setPixelSize(13);
        p.setFont(small);
        p.setPen(QColor(200, 220, 240));
        p.drawText(QRect(0, 210, width(), 20), Qt::AlignCenter,
                   QStringLiteral("Version %1").arg(QString::fromLatin1(program_version)));
        p.drawText(QRect(10, 236, width() - 20, 36), Qt::AlignCenter | Qt::TextWordWrap,
                   QString::fromLatin1(program_notice));
        p.setPen(QColor(120, 160, 210));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

// The program's icon (the same picture as data/varnix.svg), drawn for the usual sizes.
QIcon program_icon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 64.0, size / 64.0);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x18, 0x3e, 0x70));
        p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
        p.setPen(QPen(QColor(0xb4, 0xd2, 0xf0), 1.5));
        p.setBrush(QColor(0xee, 0xf4, 0xfb));
        p.drawRoundedRect(QRectF(7, 12, 21, 40), 3, 3);
        p.drawRoundedRect(QRectF(36, 12, 21, 40), 3, 3);
        p.setPen(QPen(QColor(0x5f, 0x8f, 0xc8), 2.5, Qt::SolidLine, Qt::RoundCap));
        const int left_ends[] = {24, 20, 24, 19}, right_ends[] = {50, 53, 49, 53};
        for (int i = 0; i < 4; ++i) {
            p.drawLine(QPointF(11, 19 + 7 * i), QPointF(left_ends[i], 19 + 7 * i));
            p.drawLine(QPointF(40, 19 + 7 * i), QPointF(right_ends[i], 19 + 7 * i));
        }
        p.setPen(QPen(QColor(0x8a, 0x5a, 0x00), 1.2));
        p.setBrush(QColor(0xff, 0xc4, 0x40));
        const QPointF arrow[] = {{22, 29}, {34, 29}, {34, 23}, {44, 32}, {34, 41}, {34, 35}, {22, 35}};
        p.drawPolygon(arrow, 7);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// The command line as one text, words with blanks in double quotes.
std::string join_arguments(const QStringList& arguments) {
    std::string line;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        std::string word = arguments[i].toLocal8Bit().toStdString();
        if (!line.empty()) line += ' ';
        if (word.find(' ') != std::string::npos) word = '"' + word + '"';
        line += word;
    }
    return line;
}

Rect to_rect(const QRect& r) { return {r.x(), r.y(), r.width(), r.height()}; }

// Connections closed in order: data, listener, then "QUIT" on the control connection.
void close_all_connections(BatchContext& ctx) {
    close_data(ctx);
    close_listener(ctx);
    if (ctx.control.is_open()) {
        if (ctx.connected && !is_blocking()) (void)send_command(ctx, "QUIT");
        close_control(ctx);
    }
    ctx.connected = false;
}

}  // namespace

WindowPlacement default_placement(int desktop_width) {
    WindowPlacement p;
    p.width = 5 * desktop_width / 6;
    p.height = 440;
    p.split_x = p.width / 2;
    p.split_y = 0;
    return p;
}

WindowPlacement parse_location(std::string_view text, const WindowPlacement& defaults) {
    WindowPlacement p = defaults;
    // Split at the commas; field k runs from comma k-1 to comma k (or the end).
    std::array<std::string_view, 6> fields{};
    std::size_t commas = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size() && commas < 6; ++i) {
        if (i == text.size() || text[i] == ',') {
            fields[commas < 6 ? commas : 5] = text.substr(start, i - start);
            if (i == text.size()) break;
            ++commas;
            start = i + 1;
        }
    }
    if (commas >= 1) take(p.left, location_field(fields[0]));
    if (commas >= 2) take(p.top, location_field(fields[1]));
    if (commas >= 3) {
        take(p.width, location_field(fields[2]));
        take(p.height, location_field(fields[3]));
    }
    if (commas >= 5) {
        take(p.split_x, location_field(fields[4]));
        take(p.split_y, location_field(fields[5]));
    } else {
        // Without stored splits the panes share the window's width, whatever width it got.
        p.split_x = p.width / 2;
    }
    return p;
}

WindowPlacement fit_on_desktop(WindowPlacement p, const Rect& desktop) {
    const int min_w = std::min(200, desktop.w), min_h = std::min(100, desktop.h);
    p.width = std::clamp(p.width, min_w, std::max(desktop.w, min_w));
    p.height = std::clamp(p.height, min_h, std::max(desktop.h, min_h));
    p.left = std::clamp(p.left, desktop.x, desktop.x + desktop.w - p.width);
    p.top = std::clamp(p.top, desktop.y, desktop.y + desktop.h - p.height);
    return p;
}

Point splash_position(const Rect& desktop) {
    return {desktop.right() / 2 - 175, desktop.bottom() / 2 - 100};
}

std::string socket_start_line() {
    return std::string("WINSOCK.DLL: ") + socket_layer_description;
}

std::string program_start_line() {
    return std::string(program_title) + " " + program_version + ", " + program_notice;
}

struct WindowProgram::State {
    BatchContext ctx;
    QtTimers timers;
    QtMessageBoxes boxes;
    QtCertificateAsker certificates;
    QtSound sound;
    QtInvoker invoker;
    std::unique_ptr<SplashWindow> splash;
    QElapsedTimer splash_shown;
    std::unique_ptr<MainWindow> window;
    // Questions go to dialogs over the main window; before it is up they are cancelled.
    QtPrompter prompter{[this] { return static_cast<QWidget*>(window.get()); }, nullptr,
                        [this](int context) { show_help(window.get(), context); }};
    std::unique_ptr<QtProgressDisplay> progress;
    QPointer<MessageLogWindow> log_window;
    std::unique_ptr<ListFonts> list_fonts;
    std::unique_ptr<WindowCommands> commands;  // made after the window, gone before it
    std::unique_ptr<PopupMenus> popups;         // likewise
    std::unique_ptr<ListDragDrop> drag_drop;    // likewise
    std::unique_ptr<StopSignals> stop_signals;  // likewise
    int stopped_by = 0;                         // the signal that closed the program, if any
    bool batch = false;
};

WindowProgram::WindowProgram(const WindowProgramOptions& options)
    : options_(options), s_(std::make_unique<State>()) {}

MainWindow& WindowProgram::window() { return *s_->window; }

BatchContext& WindowProgram::context() { return s_->ctx; }

bool WindowProgram::batch() const { return s_->batch; }

void WindowProgram::start() {
    State& s = *s_;
    BatchContext& ctx = s.ctx;
    const std::string command_line =
        options_.command_line ? *options_.command_line : join_arguments(QCoreApplication::arguments());
    // The batch flag from the raw command line decides the splash, before the window exists.
    s.batch = is_batch_command_line(command_line);

    QApplication::setApplicationName("varnix");
    QApplication::setApplicationDisplayName(QString::fromLatin1(program_title));
    QGuiApplication::setDesktopFileName("varnix");
    QApplication::setWindowIcon(QIcon::fromTheme("varnix", program_icon()));
    qApp->setQuitOnLastWindowClosed(false);

    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect screen_rect = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const QRect desktop = screen ? screen->availableGeometry() : screen_rect;

    // The splash stays up at least a second, without holding the main window back.
    if (!s.batch && options_.splash) {
        s.splash = std::make_unique<SplashWindow>();
        const Point at = splash_position(to_rect(screen_rect));
        s.splash->move(at.x, at.y);
        s.splash->show();
        s.splash->repaint();
        s.splash_shown.start();
        QApplication::processEvents();
    }

    ctx.set_services(Services{nullptr, &s.prompter, &s.boxes, &s.timers, &s.sound, &s.invoker});
    install_blocking_hook(ctx);
    const SupportDirs dirs = system_support_dirs();
    init_config_paths(ctx, dirs);
    init_extension_file_paths(ctx, dirs);

    const auto parsed = parse_options(ctx, command_line);
    const std::string rest = parsed ? *parsed : std::string();
    const WindowPlacementKeys keys = read_window_placement(ctx);
    const WindowPlacement placement =
        fit_on_desktop(parse_location(keys.location, default_placement(desktop.width())), to_rect(desktop));

    s.window = std::make_unique<MainWindow>(ctx, placement.split_x, placement.split_y);
    MainWindow* w = s.window.get();
    w->move(placement.left, placement.top);
    w->resize(placement.width, placement.height);
    // A batch run never asks about a certificate: it refuses and says how to trust it.
    ctx.set_services(Services{&w->message_area(), &s.prompter, &s.boxes, &s.timers, &s.sound, &s.invoker,
                              s.batch ? nullptr : &s.certificates});
    s.boxes.set_owner(w);
    s.certificates.set_owner(w);
    // The "Transfer Status" dialog with HASH on, else the status field of the side that receives.
    s.progress = std::make_unique<QtProgressDisplay>(
        w, [&ctx] { cancel_progress(ctx); },
        [w](ProgressMode mode, const QString& text) {
            QLabel* field = w->status_field(mode == ProgressMode::Receiving);
            field->setText(text);
            field->repaint();  // the transfer loop pumps events only between chunks
        });
    ctx.transfer.progress = s.progress.get();
    // The "Message Log" window: opened by its commands and the message area's double click,
    // fed every new line while open.
    w->on_show_log = [&s, w] {
        MessageLogWindow::Hooks hooks{[&s] { return s.ctx.busy_count.load() != 0; },
                                      [&s](QWidget*, QPoint at) {
                                          if (s.popups) s.popups->show(-1, at);
                                      }};
        show_log_window(s.log_window, s.ctx.messages, w, hooks);
    };
    QObject::connect(&w->message_area(), &MessageArea::line_appended, w, [&s](const QString& line) {
        if (s.log_window) s.log_window->append_line(line);
    });
    s.list_fonts = std::make_unique<ListFonts>(ctx);
    s.list_fonts->apply_list_font(w->list_font_controls());
    ctx.on_show_window = [w] {
        w->showNormal();
        w->raise();
        w->activateWindow();
    };
    ctx.on_interactive = [w] {
        w->update_connect_button();
        w->update_buttons();
    };
    // The engine's events arrive on the GUI thread.
    ctx.events.on_mode_changed = [w] { w->post_command(8100); };
    ctx.events.on_title_changed = [w](const std::string& title) { w->setWindowTitle(display_text(title)); };
    ctx.events.on_local_changed = [w] { w->list_local_pane(); };
    ctx.events.on_capabilities_changed = [w] { w->update_buttons(); };
    ctx.events.on_busy_changed = [w] { w->update_busy(); };
    w->on_closing = [&ctx] {
        close_all_connections(ctx);
        save_last_session(ctx);
        QCoreApplication::quit();
    };
    w->on_help = [w](int context) { show_help(w, context); };
    s.commands = std::make_unique<WindowCommands>(*w);
    s.commands->choose_custom_font = [&s, w](QWidget* owner) {
        s.list_fonts->choose_custom_font(owner, w->list_font_controls());
    };
    s.commands->reload_fonts = [&s, w] { s.list_fonts->apply_list_font(w->list_font_controls()); };
    s.popups = std::make_unique<PopupMenus>(*w, [&s] { return s.commands && s.commands->transfer_running(); });
    w->on_popup = [&s](int index, QPoint at) {
        if (s.popups) s.popups->show(index, at);
    };
    DropHooks drops;
    drops.transfer_running = [&s] { return s.commands && s.commands->transfer_running(); };
    drops.upload_files = [&s](std::vector<std::string> paths) {
        if (!s.commands || !s.commands->worker().start_upload_files(std::move(paths))) return false;
        s.commands->update_buttons();
        return true;
    };
    drops.copy_files = [&s](std::vector<std::string> paths) {
        if (!s.commands || !s.commands->worker().start_copy_files(std::move(paths))) return false;
        s.commands->update_buttons();
        return true;
    };
    drops.upload_folders = [&s](const std::vector<std::string>& folders) {
        return s.commands && s.commands->upload_dropped_folders(folders);
    };
    s.drag_drop = std::make_unique<ListDragDrop>(*w, std::move(drops));
    // A logout or `kill` closes the window as Exit does, so nothing the close saves is lost.
    s.stop_signals = std::make_unique<StopSignals>([&s, w](int signal) {
        if (s.stopped_by == 0) s.stopped_by = signal;
        w->post_command(1600);
    });

    // The idle NOOP (IDLENOOP) is looked at every few seconds; it sends only after quiet.
    auto* idle_timer = new QTimer(w);
    QObject::connect(idle_timer, &QTimer::timeout, w, [&ctx, &s] {
        if (s.commands && s.commands->transfer_running()) return;  // a walk between its commands
        (void)send_idle_noop(ctx, tick_count());
    });
    idle_timer->start(idle_noop_check_ms);

    // The window's creation: local lists, mode buttons, the focus on "Connect".
    w->list_local_pane();
    w->update_mode_buttons();
    w->update_connect_button();
    w->control(ctl::connect)->setFocus();

    s.batch = ctx.messages.batch() || is_batch_command_line(rest);
    auto start_lines = [&ctx] {
        ctx.messages.add_message_line(socket_start_line());
        ctx.messages.add_message_line(program_start_line());
    };
    if (s.batch || options_.start_minimized) {
        w->showMinimized();
        start_lines();
    } else {
        start_lines();
        if (keys.maximize) {
            w->showMaximized();
        } else {
            w->show();
        }
    }
    load_sound_settings(ctx);
    w->set_startup_directory(ctx.local_dir);
    w->remember_startup_size();

    if (s.batch) {
        w->post_command(batch_command, rest);
    } else if (ctx.settings.connect_at_start != 0) {
        w->post_command(connect_command);
    }

    if (s.splash) {
        const qint64 left = splash_min_ms - s.splash_shown.elapsed();
        SplashWindow* splash = s.splash.get();
        QTimer::singleShot(std::max<qint64>(left, 0), splash, [splash] { splash->hide(); });
    }
}

int WindowProgram::exit_code(int loop_code) const {
    if (s_->stopped_by != 0) return exit_status(RunEnd::Stopped, s_->stopped_by);
    if (s_->batch) return exit_status(run_end(s_->ctx.batch_failures, 0));
    return loop_code;
}

WindowProgram::~WindowProgram() {
    State& s = *s_;
    BatchContext& ctx = s.ctx;
    // Shut-down in order: the transfer worker, connections, the listing cache, the window,
    // the splash.
    s.stop_signals.reset();
    s.drag_drop.reset();
    s.popups.reset();
    s.commands.reset();
    close_all_connections(ctx);
    clear_listing_cache(ctx);
    ctx.transfer.progress = nullptr;
    ctx.on_show_window = nullptr;
    ctx.on_interactive = nullptr;
    ctx.events = WindowEvents{};
    delete s.log_window.data();
    s.progress.reset();
    s.window.reset();
    s.splash.reset();
    install_thread_blocking_hook(nullptr);
}

int run_window_program(int argc, char** argv, const WindowProgramOptions& options) {
    QApplication app(argc, argv);
    WindowProgram program(options);
    program.start();
    return program.exit_code(QApplication::exec());
}

}  // namespace varnix::ui
