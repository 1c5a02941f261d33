// Dialog units: control positions given in the dialog font's average character width / 4 and
// height / 8, so every dialog scales with the desktop's font and HiDPI setting.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

namespace varnix::ui {

class DialogUnits {
public:
    // Base units from the font's metrics: the average width of "A".."Z" "a".."z" and the
    // line height.
    explicit DialogUnits(const QFont& font);
    [[nodiscard]] int x(int units) const;
    [[nodiscard]] int y(int units) const;
    [[nodiscard]] QRect rect(int x_units, int y_units, int w_units, int h_units) const;
    [[nodiscard]] QSize size(int w_units, int h_units) const;
    [[nodiscard]] int base_width() const { return base_width_; }
    [[nodiscard]] int base_height() const { return base_height_; }

private:
    int base_width_;
    int base_height_;
};

// Moves a top-level dialog so that its centre lies on its owner's centre (the screen's when
// there is no owner), kept on the owner's screen.
void centre_over_owner(QWidget* dialog, const QWidget* owner);

}  // namespace varnix::ui
