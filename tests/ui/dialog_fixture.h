// A fresh context over a private folder for the dialog tests: VARNIX.INI and the user
// profile there, recorded messages and message boxes, scripted prompt answers, and helpers
// that find a dialog's controls by their control id.
#pragma once

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/headless.h"
#include "support/temp_dir.h"
#include "ui/qt_environment.h"

namespace varnix::test {

template <typename Context>
class DialogTest : public ::testing::Test {
protected:
    DialogTest() {
        ctx.set_services(Services{&view, &prompter, &boxes, nullptr, &sound});
        ctx.config_path = dir.path().string() + "/VARNIX.INI";
        ctx.user_profile_path = dir.path().string() + "/user.ini";
    }

    void write_ini(const std::string& text) { write_file(ctx.config_path, text); }
    static void write_file(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
        ::chmod(path.c_str(), 0600);
    }
    static std::string read_file(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
    std::string read_ini() const { return read_file(ctx.config_path); }
    int ini_mode() const {
        struct stat st {};
        if (::stat(ctx.config_path.c_str(), &st) != 0) return -1;
        return static_cast<int>(st.st_mode & 07777);
    }

    template <typename W>
    static W* control(QWidget& dialog, int id) {
        W* w = dialog.findChild<W*>(QString::number(id));
        EXPECT_NE(w, nullptr) << "no control " << id;
        return w;
    }
    static void type(QWidget& dialog, int id, const QString& text) {
        if (auto* edit = control<QLineEdit>(dialog, id)) edit->setText(text);
    }
    static void click(QWidget& dialog, int id) {
        if (auto* button = control<QAbstractButton>(dialog, id)) button->click();
    }
    static void set_checked(QWidget& dialog, int id, bool on) {
        if (auto* button = control<QAbstractButton>(dialog, id)) button->setChecked(on);
    }
    static bool checked(QWidget& dialog, int id) {
        auto* button = control<QAbstractButton>(dialog, id);
        return button && button->isChecked();
    }
    static QString text_of(QWidget& dialog, int id) {
        auto* edit = control<QLineEdit>(dialog, id);
        return edit ? edit->text() : QString();
    }

    TempDir dir;
    RecordingMessageView view;
    ScriptedPrompter prompter;
    HeadlessMessageBoxes boxes;
    RecordingSound sound;
    Context ctx;
};

}  // namespace varnix::test
