// Start-up: the stored window placement "LOC" walked comma by comma, bad values landing on
// the visible desktop, the splash position and the start lines; then the program with its
// window: where and how it shows, and which command it posts.
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "ui/main_window.h"
#include "ui/qt_environment.h"
#include "ui/startup.h"

namespace varnix::ui {
namespace {

const WindowPlacement defaults = default_placement(1200);

TEST(PlacementTest, DefaultsAreTenTenFiveSixthsWide440High) {
    EXPECT_EQ(defaults, (WindowPlacement{10, 10, 1000, 440, 500, 0}));
    EXPECT_EQ(parse_location("", defaults), defaults);
    // The pane split starts at 5/12 of the desktop width.
    EXPECT_EQ(default_placement(1920).split_x, 1920 * 5 / 12);
}

TEST(PlacementTest, FieldsAreTakenAsTheCommasAllow) {
    // No comma: nothing.
    EXPECT_EQ(parse_location("55", defaults), defaults);
    // One comma: the left edge only.
    EXPECT_EQ(parse_location("55,66", defaults), (WindowPlacement{55, 10, 1000, 440, 500, 0}));
    // Two commas: left and top.
    EXPECT_EQ(parse_location("55,66,77", defaults), (WindowPlacement{55, 66, 1000, 440, 500, 0}));
    // Three commas: width and height too.
    // Without stored splits the pane split is half the window's width.
    EXPECT_EQ(parse_location("55,66,700,500", defaults), (WindowPlacement{55, 66, 700, 500, 350, 0}));
    // Five numbers: the fifth is ignored.
    EXPECT_EQ(parse_location("55,66,700,500,300", defaults), (WindowPlacement{55, 66, 700, 500, 350, 0}));
    // Six: both splits.
    EXPECT_EQ(parse_location("55,66,700,500,300,180", defaults),
              (WindowPlacement{55, 66, 700, 500, 300, 180}));
    // A trailing comma after four numbers gives four commas, still no splits.
    EXPECT_EQ(parse_location("55,66,700,500,", defaults), (WindowPlacement{55, 66, 700, 500, 350, 0}));
    // Extra fields after the sixth do not disturb it.
    EXPECT_EQ(parse_location("1,2,300,400,5,6,7,8", defaults), (WindowPlacement{1, 2, 300, 400, 5, 6}));
}

TEST(PlacementTest, BadFieldsKeepTheirDefaultsAndNegativePositionsSurvive) {
    EXPECT_EQ(parse_location("abc,def,ghi,jkl,mno,pqr", defaults), defaults);
    EXPECT_EQ(parse_location(" 20 , 30 ,x,500", defaults), (WindowPlacement{20, 30, 1000, 500, 500, 0}));
    EXPECT_EQ(parse_location("20,30,x,500,7,8", defaults), (WindowPlacement{20, 30, 1000, 500, 7, 8}));
    // "%u" of -8 reads back as -8.
    EXPECT_EQ(parse_location("4294967288,-4,800,600", defaults).left, -8);
    EXPECT_EQ(parse_location("4294967288,-4,800,600", defaults).top, -4);
    // More than 32 bits is no number.
    EXPECT_EQ(parse_location("99999999999,5,800,600", defaults).left, 10);
    EXPECT_EQ(parse_location("12abc,5,800,600", defaults).left, 10);
    EXPECT_EQ(parse_location(",,,", defaults), defaults);
}

TEST(PlacementTest, GarbageAndHugeNumbersLandOnTheVisibleDesktop) {
    const Rect desktop{0, 30, 1280, 770};
    auto on_desktop = [&](const WindowPlacement& p) {
        return p.left >= desktop.x && p.top >= desktop.y && p.left + p.width <= desktop.right() &&
               p.top + p.height <= desktop.bottom() && p.width >= 200 && p.height >= 100;
    };
    for (const char* loc : {"4000000000,4000000000,4000000000,4000000000", "-5000,-5000,10,10",
                            "2000,2000,300,200", "0,0,0,0", "2147483647,2147483647,2147483647,2147483647",
                            "10,10,1280,800"}) {
        const WindowPlacement p = fit_on_desktop(parse_location(loc, defaults), desktop);
        EXPECT_TRUE(on_desktop(p)) << loc << " -> " << p.left << "," << p.top << "," << p.width << ","
                                   << p.height;
    }
    // A placement that fits is left alone.
    const WindowPlacement fine{100, 100, 640, 480, 300, 200};
    EXPECT_EQ(fit_on_desktop(fine, desktop), fine);
    // Off the right edge: moved back, size kept.
    const WindowPlacement moved = fit_on_desktop({1000, 100, 640, 480, 300, 200}, desktop);
    EXPECT_EQ(moved.left, 1280 - 640);
    EXPECT_EQ(moved.width, 640);
}

TEST(StartupTest, SplashSitsAboutTheDesktopMiddle) {
    EXPECT_EQ(splash_position({0, 0, 1600, 1000}), (Point{800 - 175, 500 - 100}));
    EXPECT_EQ(splash_width, 377);
    EXPECT_EQ(splash_height, 277);
}

TEST(StartupTest, StartLinesNameTheSocketLayerAndTheVersion) {
    EXPECT_EQ(socket_start_line().rfind("WINSOCK.DLL: ", 0), 0u);
    EXPECT_GT(socket_start_line().size(), 20u);
    EXPECT_EQ(program_start_line().rfind("VARNIX32 Pro 4.50T, ", 0), 0u);
    // Both fit a message-history slot whole.
    EXPECT_LE(socket_start_line().size(), 99u);
    EXPECT_LE(program_start_line().size(), 99u);
}

TEST(StartupTest, ACommandLineOfThreeCharactersIsNoBatchRun) {
    EXPECT_FALSE(is_batch_command_line(""));
    EXPECT_FALSE(is_batch_command_line("abc"));
    EXPECT_TRUE(is_batch_command_line("abcd"));
}

}  // namespace
}  // namespace varnix::ui

// The program with its window, started on the offscreen platform with a settings file of its
// own: what it shows, how, and which command it posts.
namespace varnix::ui {
namespace {

const auto* const qt_environment_for_startup =
    ::testing::AddGlobalTestEnvironment(new test::QtEnvironment);

class WindowProgramTest : public ::testing::Test {
protected:
    void start(const std::string& config, const std::string& command_line, bool minimized = false) {
        std::filesystem::create_directories(dir.path() / "varnix");
        std::ofstream(dir.path() / "varnix" / "VARNIX.INI") << config;
        const char* old = std::getenv("XDG_CONFIG_HOME");
        saved_ = old ? old : "";
        had_ = old != nullptr;
        setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
        WindowProgramOptions options;
        options.splash = false;
        options.command_line = command_line;
        options.start_minimized = minimized;
        program = std::make_unique<WindowProgram>(options);
        program->start();
        // Posted commands are still queued: the handler sees them when the loop runs.
        program->window().set_command_handler([this](const Command& c) {
            if (c.notify == Notify::Posted) posted.push_back(c.id);
            return true;
        });
        QApplication::processEvents();
    }
    ~WindowProgramTest() override {
        program.reset();
        if (had_) {
            setenv("XDG_CONFIG_HOME", saved_.c_str(), 1);
        } else {
            unsetenv("XDG_CONFIG_HOME");
        }
    }
    QString message_line(int index) const {
        return static_cast<QLabel*>(program->window().control(index))->text();
    }

    test::TempDir dir;
    std::unique_ptr<WindowProgram> program;
    std::vector<int> posted;
    std::string saved_;
    bool had_ = false;
};

TEST_F(WindowProgramTest, NormalStartShowsTheStartLinesAtTheStoredPlaceAndPostsTheConnect) {
    start("[_config_]\nLOC=30,40,700,500,300,200\n", "");
    MainWindow& w = program->window();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isMinimized());
    EXPECT_FALSE(program->batch());
    EXPECT_EQ(w.size(), QSize(700, 500));
    EXPECT_EQ(w.split_x(), 300);
    EXPECT_EQ(w.split_y(), 200);
    EXPECT_TRUE(message_line(ctl::message_upper).startsWith("WINSOCK.DLL: "));
    EXPECT_TRUE(message_line(ctl::message_lower).startsWith("VARNIX32 Pro 4.50T, "));
    EXPECT_EQ(posted, (std::vector<int>{9000}));
}

TEST_F(WindowProgramTest, AutostartOffPostsNothingAndAShortCommandLineIsNoBatch) {
    start("[_config_]\nAUTOSTART=0\n", "abc");
    EXPECT_FALSE(program->batch());
    EXPECT_TRUE(posted.empty());
}

TEST_F(WindowProgramTest, BatchStartIsMinimizedAndPostsTheBatchCommandNeverTheConnect) {
    start("[_config_]\nAUTOSTART=1\nMAXIMIZE=1\n", "ftp://127.0.0.1:9/x local:/tmp/");
    EXPECT_TRUE(program->batch());
    EXPECT_TRUE(program->window().isMinimized());
    EXPECT_EQ(posted, (std::vector<int>{7654}));
}

// SIGTERM (a logout, `kill`) takes the Exit command's way out, so the window's close saves
// what it saves, and the program then reports the signal in its exit status.
TEST_F(WindowProgramTest, AStopSignalClosesTheWindowAsExitDoes) {
    start("[_config_]\nAUTOSTART=0\n", "");
    ASSERT_EQ(::raise(SIGTERM), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !posted.empty(); }, 5000));
    EXPECT_EQ(posted, (std::vector<int>{1600}));
    EXPECT_EQ(program->exit_code(0), 143);
}

TEST_F(WindowProgramTest, MinimizedLaunchWinsOverMaximize) {
    start("[_config_]\nAUTOSTART=0\nMAXIMIZE=1\n", "", true);
    EXPECT_TRUE(program->window().isMinimized());
    EXPECT_FALSE(program->batch());
}

}  // namespace
}  // namespace varnix::ui
