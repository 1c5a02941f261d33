// Dialog units from font metrics, and centring a dialog over its owner.
#include "ui/dialog_units.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace varnix::ui {

namespace {

// Rounds a * b / c half away from zero, as the Windows dialog unit conversion does.
int scale(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    base_width_ = std::max(1, (letters / 26 + 1) / 2);
    base_height_ = std::max(1, metrics.height());
}

int DialogUnits::x(int units) const { return scale(units, base_width_, 4); }

int DialogUnits::y(int units) const { return scale(units, base_height_, 8); }

QRect DialogUnits::rect(int x_units, int y_units, int w_units, int h_units) const {
    return {x(x_units), y(y_units), x(w_units), y(h_units)};
}

QSize DialogUnits::size(int w_units, int h_units) const { return {x(w_units), y(h_units)}; }

void centre_over_owner(QWidget* dialog, const QWidget* owner) {
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    const QRect over = owner && owner->isVisible() ? owner->frameGeometry() : area;
    QRect frame = dialog->frameGeometry();
    frame.moveCenter(over.center());
    if (area.isValid()) {
        // Kept on the screen so the title bar can still be grabbed.
        frame.moveRight(std::min(frame.right(), area.right()));
        frame.moveBottom(std::min(frame.bottom(), area.bottom()));
        frame.moveLeft(std::max(frame.left(), area.left()));
        frame.moveTop(std::max(frame.top(), area.top()));
    }
    dialog->move(frame.topLeft());
}

}  // namespace varnix::ui
