// A main window over a private local folder holding a.txt, b.txt and c.txt ("local a.txt",
// ...), with headless services. The commands it dispatches by click, menu or key are recorded
// in `commands` instead of being carried out.
#pragma once

#include <QApplication>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "listing/local_listing.h"
#include "platform/headless.h"
#include "support/temp_dir.h"
#include "ui/main_window.h"
#include "ui/message_area.h"
#include "ui/qt_services.h"

namespace varnix::test {

class WindowOverFolder : public ::testing::Test {
protected:
    WindowOverFolder() {
        for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
            std::ofstream(folder.path() / name) << "local " << name;
        }
        EXPECT_TRUE(set_local_dir(ctx, folder.path().string()));
        window = std::make_unique<ui::MainWindow>(ctx, 0, 0);
        ctx.set_services(Services{&window->message_area(), &prompter, &boxes, &timers, &sound});
        window->resize(800, 600);
        window->show();
        window->list_local_pane();
        window->set_command_handler([this](const ui::Command& c) {
            if (c.notify == ui::Notify::Clicked) commands.push_back(c.id);
            return true;
        });
    }
    ~WindowOverFolder() override { window.reset(); }

    TempDir folder;
    BatchContext ctx;
    ScriptedPrompter prompter;
    HeadlessMessageBoxes boxes;
    ui::QtTimers timers;
    RecordingSound sound;
    std::unique_ptr<ui::MainWindow> window;
    std::vector<int> commands;
};

}  // namespace varnix::test
