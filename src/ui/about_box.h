// The About box: the program's version and build, and the system it runs on (operating
// system, processor, memory, free disk space in the local folder).
#pragma once

#include <QDialog>
#include <string>

namespace varnix::ui {

// The lines the box shows, one "label: value" each (also what a test reads).
[[nodiscard]] QStringList about_lines(const std::string& local_dir);

class AboutBox : public QDialog {
    Q_OBJECT
public:
    AboutBox(const std::string& local_dir, QWidget* parent = nullptr);
};

}  // namespace varnix::ui
