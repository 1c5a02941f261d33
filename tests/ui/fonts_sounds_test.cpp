// List font choices, the custom font from its keys and the chooser writing them back
// (compared in VARNIX.INI before and after), the scaled button font, dialog colours, and
// the wave player's checks and fall-backs.
#include <QAbstractButton>
#include <QApplication>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "platform/ini_file.h"
#include "support/temp_dir.h"
#include "ui/dialog_checks.h"
#include "ui/fonts.h"
#include "ui/qt_environment.h"
#include "ui/qt_sound.h"

namespace varnix::test {
namespace {

const auto* const qt_environment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void write_file(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

QString fixed_family() { return QFontDatabase::systemFont(QFontDatabase::FixedFont).family(); }
// A family the font database lists (the desktop's fixed font may be an alias of one).
QString real_fixed_family() { return QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family(); }

TEST(ListFontChoices, StockChoicesAreTheDesktopsFixedAndVariableFonts) {
    const QFont general = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    EXPECT_EQ(ui::stock_list_font(2), general);
    EXPECT_EQ(ui::stock_list_font(0).family(), general.family());
    EXPECT_TRUE(ui::stock_list_font(0).bold());
    EXPECT_EQ(ui::stock_list_font(1).family(), fixed_family());
    EXPECT_EQ(ui::stock_list_font(3).family(), fixed_family());
}

TEST(ListFontChoices, CustomFontFromItsKeysFallsBackToTheDesktopsFont) {
    FontSettings s;  // no keys: Courier New, -11, 400, fixed modern
    QFont font = ui::font_from_settings(s);
    if (!QFontDatabase::hasFamily("Courier New")) {
        EXPECT_EQ(font.family(), fixed_family());
    }
    EXPECT_EQ(font.pixelSize(), 11);
    EXPECT_EQ(font.weight(), QFont::Normal);
    EXPECT_TRUE(font.fixedPitch());

    s.face = "No Such Font At All";
    s.pitch_and_family = 0x22;  // variable pitch, swiss
    s.weight = 700;
    s.height = 20;
    font = ui::font_from_settings(s);
    EXPECT_EQ(font.family(), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family());
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_EQ(font.pixelSize(), 17);  // a whole cell of 20

    s.face = real_fixed_family().toStdString();
    s.height = -4000;
    s.weight = 5000;
    font = ui::font_from_settings(s);
    EXPECT_EQ(font.family(), real_fixed_family());
    EXPECT_EQ(font.pixelSize(), 1000);
    EXPECT_EQ(font.weight(), 1000);
}

class CustomFontKeys : public ::testing::Test {
protected:
    CustomFontKeys() {
        ctx.config_path = (dir.path() / "VARNIX.INI").string();
        write_file(ctx.config_path, before);
        for (auto* control : {&local_list, &remote_list}) controls.push_back(control);
    }
    [[nodiscard]] IniFile ini() const { return IniFile::from_text(read_file(ctx.config_path)); }
    // Every key of the file except the six the chooser writes is as it was.
    void expect_rest_untouched() const {
        const IniFile was = IniFile::from_text(before);
        const IniFile now = ini();
        EXPECT_EQ(now.sections(), was.sections());
        for (const auto& section : was.sections()) {
            for (const auto& key : now.keys(section)) {
                const bool font_key = section == "_config_" &&
                    (key == "FONT" || key == "FNAME" || key == "FHEIGHT" || key == "FWIDTH" ||
                     key == "FWEIGHT" || key == "FPITCH");
                if (!font_key) {
                    EXPECT_EQ(now.find(section, key), was.find(section, key)) << key;
                }
            }
            if (section != "_config_") {
                EXPECT_EQ(now.keys(section), was.keys(section));
            }
        }
        std::vector<std::string> config_keys = now.keys("_config_");
        std::sort(config_keys.begin(), config_keys.end());
        EXPECT_EQ(config_keys, (std::vector<std::string>{"FHEIGHT", "FNAME", "FONT", "FPITCH",
                                                         "FWEIGHT", "FWIDTH", "SCALE", "VERBOSE"}));
    }

    const std::string before =
        "; kept as written\n[_config_]\nVERBOSE=1\nFONT=2\nSCALE=1\n\n[work]\nHOST=ftp.example.org\n"
        "FONT=3\n";
    TempDir dir;
    ConfigContext ctx;
    QListWidget local_list, remote_list;
    std::vector<QWidget*> controls;
};

TEST_F(CustomFontKeys, CancelStillSwitchesToTheCustomFontAndWritesTheValuesInForce) {
    ui::ListFonts fonts(ctx);
    fonts.apply_list_font(controls);
    EXPECT_EQ(ctx.settings.list_font, 2);
    EXPECT_EQ(local_list.font(), ui::stock_list_font(2));

    when_modal([](QWidget* modal) {
        ASSERT_NE(qobject_cast<QFontDialog*>(modal), nullptr);
        qobject_cast<QDialog*>(modal)->reject();
    });
    fonts.choose_custom_font(nullptr, controls);
    const IniFile after = ini();
    EXPECT_EQ(after.find("_config_", "FONT"), "4");
    EXPECT_EQ(after.find("_config_", "FHEIGHT"), "4294967285");  // -11
    EXPECT_EQ(after.find("_config_", "FWIDTH"), "0");
    EXPECT_EQ(after.find("_config_", "FWEIGHT"), "400");
    EXPECT_EQ(after.find("_config_", "FPITCH"), "49");
    EXPECT_EQ(after.find("_config_", "FNAME"), "Courier New");
    expect_rest_untouched();
    EXPECT_EQ(ctx.settings.list_font, 4);
    EXPECT_EQ(local_list.font().pixelSize(), 11);
    EXPECT_EQ(remote_list.font(), local_list.font());
    EXPECT_TRUE(read_file(ctx.config_path).starts_with("; kept as written\n"));
}

TEST_F(CustomFontKeys, TheChosenFontIsWrittenAndReadBackTheSame) {
    ui::ListFonts fonts(ctx);
    QFont chosen(real_fixed_family());
    chosen.setPixelSize(15);
    chosen.setWeight(QFont::Bold);
    when_modal([chosen](QWidget* modal) {
        auto* dialog = qobject_cast<QFontDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        dialog->setCurrentFont(chosen);
        dialog->accept();
    });
    fonts.choose_custom_font(nullptr, controls);
    const IniFile after = ini();
    EXPECT_EQ(after.find("_config_", "FONT"), "4");
    EXPECT_EQ(after.find("_config_", "FHEIGHT"), "4294967281");  // -15
    EXPECT_EQ(after.find("_config_", "FWEIGHT"), "700");
    EXPECT_EQ(after.find("_config_", "FPITCH"), "49");
    EXPECT_EQ(after.find("_config_", "FNAME"), real_fixed_family().toStdString());
    expect_rest_untouched();
    EXPECT_EQ(QFontInfo(local_list.font()).family(), QFontInfo(chosen).family());

    // The next run starts from what was written.
    ConfigContext next;
    next.config_path = ctx.config_path;
    ui::ListFonts reread(next);
    const QFont font = reread.build_list_font();
    EXPECT_EQ(next.settings.list_font, 4);
    EXPECT_EQ(font.pixelSize(), 15);
    EXPECT_EQ(font.weight(), QFont::Bold);
    EXPECT_EQ(font.family(), real_fixed_family());
}

TEST(ButtonFont, ScaledOnlyWithScaleOnAndAnotherUnitHeight) {
    ui::ButtonFont button;
    const QFont general = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    EXPECT_EQ(button.font(16, 16, true), general);
    EXPECT_EQ(button.font(10, 16, false), general);
    const QFont small = button.font(10, 16, true);
    EXPECT_EQ(small.pixelSize(), 7);  // 10 * 96 / 140, rounded
    EXPECT_EQ(small.family(), general.family());
    EXPECT_EQ(button.font(10, 16, true), small);
    EXPECT_EQ(button.font(30, 16, true).pixelSize(), 21);
}

TEST(DialogColour, ButtonFaceBackgroundAndTheButtonFontOnButtonsAndTexts) {
    QWidget dialog;
    auto* label = new QLabel("text", &dialog);
    auto* button = new QPushButton("OK", &dialog);
    auto* list = new QListWidget(&dialog);
    const QFont before = list->font();
    QFont small = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    small.setPixelSize(7);
    ui::dialog_colour(&dialog, small);
    EXPECT_EQ(dialog.palette().color(QPalette::Window), dialog.palette().color(QPalette::Button));
    EXPECT_EQ(label->font().pixelSize(), 7);
    EXPECT_EQ(button->font().pixelSize(), 7);
    EXPECT_EQ(list->font(), before);
}

std::string wave_bytes(std::uint16_t format) {
    const auto u32 = [](std::uint32_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 24)};
    };
    const auto u16 = [](std::uint16_t v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8)}; };
    const std::string samples(400, '\0');
    std::string fmt = u16(format) + u16(1) + u32(8000) + u32(16000) + u16(2) + u16(16);
    std::string body = "WAVE" + std::string("LIST") + u32(4) + "INFO" + "fmt " + u32(16) + fmt +
                       "data" + u32(static_cast<std::uint32_t>(samples.size())) + samples;
    return "RIFF" + u32(static_cast<std::uint32_t>(body.size())) + body;
}

TEST(WaveFiles, OnlyPcmWaveFilesAreTakenForWaves) {
    TempDir dir;
    const auto file = [&](const char* name, const std::string& bytes) {
        write_file(dir.path() / name, bytes);
        return (dir.path() / name).string();
    };
    EXPECT_TRUE(ui::looks_like_wave(file("ok.wav", wave_bytes(1))));
    EXPECT_FALSE(ui::looks_like_wave(file("mp3.wav", "ID3\x03\x00 not a wave at all")));
    EXPECT_FALSE(ui::looks_like_wave(file("compressed.wav", wave_bytes(0x55))));
    EXPECT_FALSE(ui::looks_like_wave(file("cut.wav", wave_bytes(1).substr(0, 30))));
    EXPECT_FALSE(ui::looks_like_wave(file("empty.wav", "")));
    EXPECT_FALSE(ui::looks_like_wave((dir.path() / "missing.wav").string()));
    EXPECT_FALSE(ui::looks_like_wave(dir.path().string()));
}

TEST(WaveFiles, WithoutAnAudioOutputTheCallerBeepsAndABadFilePlaysNothing) {
    TempDir dir;
    write_file(dir.path() / "ok.wav", wave_bytes(1));
    write_file(dir.path() / "text.wav", "hello");
    ui::QtSound sound;
    const bool good = sound.play_wave((dir.path() / "ok.wav").string());
    const bool bad = sound.play_wave((dir.path() / "text.wav").string());
    if (sound.has_audio_output()) {
        EXPECT_TRUE(good);
        EXPECT_TRUE(bad);  // silently nothing
        EXPECT_EQ(sound.started(), 1);
    } else {
        EXPECT_FALSE(good);  // the engine beeps instead
        EXPECT_FALSE(bad);
        EXPECT_EQ(sound.started(), 0);
    }
    sound.beep();  // must not fail without a desktop
}

TEST(WaveFiles, TheShippedSoundsAreShortPcmWaves) {
    for (const char* name : {"connect.wav", "complete.wav", "error.wav"}) {
        const std::filesystem::path path = std::filesystem::path(VARNIX_SOURCE_DIR) / "data/sounds" / name;
        EXPECT_TRUE(ui::looks_like_wave(path.string())) << name;
        EXPECT_LT(std::filesystem::file_size(path), 64u * 1024) << name;
    }
}

}  // namespace
}  // namespace varnix::test
