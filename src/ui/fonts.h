// The fonts of the main window's lists (choices 0..4, 4 the custom font kept in
// [_config_]), the custom font chooser, the scaled button font and the common dialog colours.
//
// Wiring (main window):
//     ListFonts list_fonts(ctx);                       // ctx: the program's ConfigContext
//     list_fonts.apply_list_font(list_controls);       // at creation and when Options closes:
//                                                      //   both directory and file lists, both
//                                                      //   path boxes, both mask boxes
//     list_fonts.choose_custom_font(options_dialog, list_controls);   // "Custom Font" button
//     ButtonFont button_font;                          // one per window
//     const QFont& f = button_font.font(unit_height, DialogUnits(font()).base_height(),
//                                       ctx.settings.scale_fonts != 0);
//     dialog_colour(dialog, f);                        // every dialog, once its controls exist
// GUI thread only.
#pragma once

#include <QFont>
#include <optional>
#include <vector>

#include "config/config_context.h"
#include "config/config_file.h"

class QWidget;

namespace varnix::ui {

// The desktop font standing for a stock choice: 0 the system font (the general font in
// bold), 1 and 3 the fixed font, 2 the general font. Other numbers give the fixed font.
[[nodiscard]] QFont stock_list_font(int choice);
// The font a stored description asks for; a face the desktop does not have falls back to
// its fixed or general font (by the pitch asked for), keeping size and weight.
[[nodiscard]] QFont font_from_settings(const FontSettings& settings);
// The description stored for a chosen font. Height is minus the character height in
// pixels, as the description always held it; the width is 0 (the face's own).
[[nodiscard]] FontSettings settings_from_font(const QFont& font);

class ListFonts {
public:
    explicit ListFonts(ConfigContext& ctx) : ctx_(ctx) {}

    // The first call reads FONT and the custom font keys; every call gives the list font.
    QFont build_list_font();
    // Sets the list font (with redraw) on the given controls.
    void apply_list_font(const std::vector<QWidget*>& controls);
    // "Custom Font": the desktop font chooser starting at the custom font. Whatever it
    // returns, FONT becomes 4 and the custom keys are written (on Cancel, those in force),
    // and the controls switch to the custom font at once.
    void choose_custom_font(QWidget* owner, const std::vector<QWidget*>& controls);

    [[nodiscard]] const FontSettings& custom() const;

private:
    void load();
    void write_custom_keys();

    ConfigContext& ctx_;
    std::optional<FontSettings> custom_;
};

// The font of button and label text: the general font, or, with SCALE on and a unit height
// other than the system's (a main window shrunk below 25 units), a font scaled to it. The
// scaled font is kept for the unit height it was made for.
class ButtonFont {
public:
    const QFont& font(int unit_height, int system_unit_height, bool scale, double dpi_y = 96.0);

private:
    int made_for_ = -1;
    QFont scaled_;
    QFont chosen_;
};

// The colouring every dialog shares: button-face background, and the button font on its
// buttons and static texts.
void dialog_colour(QWidget* dialog, const QFont& button_font);

}  // namespace varnix::ui
