// List fonts, the custom font chooser, the scaled button font and dialog colours.
#include "ui/fonts.h"

#include <QAbstractButton>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "ui/input_dialogs.h"

namespace varnix::ui {

namespace {

constexpr int pitch_fixed = 1;
constexpr int family_roman = 0x10;
constexpr int family_swiss = 0x20;
constexpr int family_modern = 0x30;
constexpr int family_script = 0x40;
constexpr int family_decorative = 0x50;

// Rounds a * b / c half away from zero.
int mul_div(int a, double b, double c) { return static_cast<int>(std::lround(a * b / c)); }

bool wants_fixed(int pitch_and_family) {
    return (pitch_and_family & 0x03) == pitch_fixed || (pitch_and_family & 0xF0) == family_modern;
}

QFont::StyleHint style_hint(int pitch_and_family) {
    switch (pitch_and_family & 0xF0) {
        case family_roman: return QFont::Serif;
        case family_swiss: return QFont::SansSerif;
        case family_modern: return QFont::Monospace;
        case family_script: return QFont::Cursive;
        case family_decorative: return QFont::Decorative;
        default: return QFont::AnyStyle;
    }
}

}  // namespace

QFont stock_list_font(int choice) {
    switch (choice) {
        case 0: {
            QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
            font.setBold(true);
            return font;
        }
        case 2: return QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        default: return QFontDatabase::systemFont(QFontDatabase::FixedFont);
    }
}

QFont font_from_settings(const FontSettings& settings) {
    const bool fixed = wants_fixed(settings.pitch_and_family);
    QFont font = QFontDatabase::systemFont(fixed ? QFontDatabase::FixedFont : QFontDatabase::GeneralFont);
    const QString face = QString::fromStdString(settings.face);
    // "Courier New" on a desktop without it: the desktop's own fixed font, not a guess.
    if (!face.isEmpty() && QFontDatabase::hasFamily(face)) font.setFamily(face);
    font.setStyleHint(style_hint(settings.pitch_and_family));
    font.setFixedPitch(fixed);
    if (settings.height < 0) {
        font.setPixelSize(std::clamp(-settings.height, 1, 1000));
    } else if (settings.height > 0) {
        // A positive height is the whole cell; the character itself is about 85 % of it.
        font.setPixelSize(std::clamp(mul_div(settings.height, 85, 100), 1, 1000));
    }
    if (settings.weight > 0) font.setWeight(static_cast<QFont::Weight>(std::clamp(settings.weight, 1, 1000)));
    if (settings.width > 0) {
        const int natural = std::max(1, QFontMetrics(font).averageCharWidth());
        font.setStretch(std::clamp(settings.width * 100 / natural, 1, 4000));
    }
    return font;
}

FontSettings settings_from_font(const QFont& font) {
    FontSettings s;
    s.font = 4;
    s.face = utf8_prefix(font.family(), config_limits::font_name);
    const int pixels = font.pixelSize() > 0 ? font.pixelSize() : mul_div(1, font.pointSizeF() * 96, 72);
    s.height = -std::max(1, pixels);
    s.width = 0;
    s.weight = std::clamp(static_cast<int>(font.weight()), 1, 1000);
    const bool fixed = QFontInfo(font).fixedPitch();
    s.pitch_and_family = fixed ? (family_modern | pitch_fixed) : (family_swiss | 0x02);
    return s;
}

void ListFonts::load() {
    if (custom_) return;
    custom_ = read_font_settings(ctx_);
    ctx_.settings.list_font = custom_->font;
}

const FontSettings& ListFonts::custom() const {
    static const FontSettings defaults;
    return custom_ ? *custom_ : defaults;
}

QFont ListFonts::build_list_font() {
    load();
    if (ctx_.settings.list_font == 4) return font_from_settings(*custom_);
    return stock_list_font(ctx_.settings.list_font);
}

void ListFonts::apply_list_font(const std::vector<QWidget*>& controls) {
    const QFont font = build_list_font();
    for (QWidget* control : controls) {
        if (!control) continue;
        control->setFont(font);
        control->update();
    }
}

void ListFonts::choose_custom_font(QWidget* owner, const std::vector<QWidget*>& controls) {
    load();
    QFontDialog chooser(font_from_settings(*custom_), owner);
    chooser.setObjectName("custom_font_dialog");
    chooser.setWindowTitle(QObject::tr("Custom Font"));
    chooser.setOption(QFontDialog::DontUseNativeDialog);
    if (chooser.exec() == QDialog::Accepted) custom_ = settings_from_font(chooser.selectedFont());
    custom_->font = 4;
    ctx_.settings.list_font = 4;
    write_custom_keys();
    apply_list_font(controls);
}

void ListFonts::write_custom_keys() {
    const FontSettings s = *custom_;
    (void)update_config_file(ctx_, [&s](IniFile& ini) {
        IniStatus status;
        const auto put = [&](std::string_view key, std::int32_t value) {
            if (status.ok()) status = ini.put_uint(config_section, key, static_cast<std::uint32_t>(value));
        };
        put("FHEIGHT", s.height);
        put("FWIDTH", s.width);
        put("FWEIGHT", s.weight);
        put("FPITCH", s.pitch_and_family & 0xFF);
        put(setting_key(&ProgramSettings::list_font), 4);
        if (status.ok()) status = ini.put(config_section, "FNAME", s.face);
        return status;
    });
}

const QFont& ButtonFont::font(int unit_height, int system_unit_height, bool scale, double dpi_y) {
    const bool scaled = scale && unit_height != system_unit_height && unit_height > 0;
    if (unit_height != made_for_ || (scaled && scaled_.pixelSize() <= 0)) {
        made_for_ = unit_height;
        scaled_ = QFont();
        if (scaled) {
            scaled_ = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
            scaled_.setPixelSize(std::max(1, mul_div(unit_height, dpi_y, 140)));
        }
    }
    chosen_ = scaled ? scaled_ : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    return chosen_;
}

void dialog_colour(QWidget* dialog, const QFont& button_font) {
    if (!dialog) return;
    QPalette palette = dialog->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    dialog->setPalette(palette);
    dialog->setAutoFillBackground(true);
    for (QWidget* child : dialog->findChildren<QWidget*>()) {
        if (qobject_cast<QAbstractButton*>(child) || qobject_cast<QLabel*>(child)) {
            child->setFont(button_font);
        }
    }
}

}  // namespace varnix::ui
