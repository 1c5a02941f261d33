// Helpers for the dialog tests: acting on the next modal dialog, and checking that a
// dialog's controls fit inside it without overlapping.
#pragma once

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

namespace varnix::test {

// Runs `act` on the modal dialog as soon as one is open (polled, bounded by 5 s).
inline void when_modal(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    auto started = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, started, act = std::move(act)] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->deleteLater();
            timer->stop();
            act(modal);
        } else if (++*started > 500) {
            timer->deleteLater();
            timer->stop();
            ADD_FAILURE() << "no modal dialog appeared";
        }
    });
    timer->start(10);
}

// Every visible child lies inside the dialog's client area and no two visible children
// overlap (a label and the control it names included).
inline void expect_tidy_layout(const QWidget& dialog) {
    const QRect client = dialog.rect();
    std::vector<const QWidget*> controls;
    for (const QWidget* child : dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!child->isVisibleTo(&dialog) || child->isWindow()) continue;
        EXPECT_TRUE(client.contains(child->geometry()))
            << child->objectName().toStdString() << " leaves the dialog";
        controls.push_back(child);
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                << controls[i]->objectName().toStdString() << " overlaps "
                << controls[j]->objectName().toStdString();
        }
    }
}

// With VARNIX_SHOT_DIR set, saves a picture of the widget there for a person to look at.
inline void save_picture(QWidget& widget, const QString& name) {
    const QString dir = qEnvironmentVariable("VARNIX_SHOT_DIR");
    if (dir.isEmpty()) return;
    QDir().mkpath(dir);
    widget.grab().save(dir + "/" + name + ".png");
}

}  // namespace varnix::test
