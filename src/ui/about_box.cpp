// The About box.
#include "ui/about_box.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <QDialogButtonBox>
#include <QLabel>
#include <QSysInfo>
#include <QVBoxLayout>

#include "ui/help/help_contexts.h"
#include "ui/help/help_window.h"
#include "ui/startup.h"

namespace varnix::ui {

namespace {

QString megabytes(unsigned long long bytes) {
    return QString("%1 MB").arg(bytes / (1024ull * 1024ull));
}

QString memory_text() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long avail = ::sysconf(_SC_AVPHYS_PAGES);
    const long page = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || page <= 0) return "unknown";
    const auto total = static_cast<unsigned long long>(pages) * static_cast<unsigned long long>(page);
    if (avail <= 0) return megabytes(total);
    const auto free = static_cast<unsigned long long>(avail) * static_cast<unsigned long long>(page);
    return QString("%1 (%2 free)").arg(megabytes(total), megabytes(free));
}

QString disk_text(const std::string& dir) {
    struct statvfs fs {};
    if (dir.empty() || ::statvfs(dir.c_str(), &fs) != 0) return "unknown";
    const auto free = static_cast<unsigned long long>(fs.f_bavail) * fs.f_frsize;
    return QString("%1 free in %2").arg(megabytes(free), QString::fromStdString(dir));
}

}  // namespace

QStringList about_lines(const std::string& local_dir) {
    QStringList lines;
    lines << QString("Version: %1").arg(program_version);
    lines << QString("Build: %1 %2, %3, Qt %4")
                 .arg(__DATE__, __TIME__,
#if defined(__clang__)
                      QString("clang %1").arg(__clang_version__),
#elif defined(__GNUC__)
                      QString("gcc %1").arg(__VERSION__),
#else
                      QString("unknown compiler"),
#endif
                      QT_VERSION_STR);
    lines << QString("System: %1 (kernel %2 %3)")
                 .arg(QSysInfo::prettyProductName(), QSysInfo::kernelType(), QSysInfo::kernelVersion());
    const long cpus = ::sysconf(_SC_NPROCESSORS_ONLN);
    lines << QString("Processor: %1, %2 online").arg(QSysInfo::currentCpuArchitecture()).arg(cpus);
    lines << QString("Memory: %1").arg(memory_text());
    lines << QString("Disk: %1").arg(disk_text(local_dir));
    return lines;
}

AboutBox::AboutBox(const std::string& local_dir, QWidget* parent) : QDialog(parent) {
    setObjectName("about_box");
    setWindowTitle("About VARNIX");
    install_help_keys(this, help::command_buttons);  // the section that describes "About"
    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel("<b>VARNIX</b> &mdash; a two-pane FTP client", this);
    title->setObjectName("about_title");
    layout->addWidget(title);
    auto* info = new QLabel(about_lines(local_dir).join('\n'), this);
    info->setObjectName("about_info");
    info->setTextFormat(Qt::PlainText);
    info->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(info);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

}  // namespace varnix::ui
