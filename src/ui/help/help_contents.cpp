// The contents of the manual, taken from the headings as the browser reads them.
#include "ui/help/help_contents.h"

#include <QFile>
#include <QTextBlock>
#include <QTextDocument>

namespace varnix::ui {
namespace {

QString read_page(const QString& page) {
    QFile file(":/manual/" + page);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

// The anchor a heading starts with, if any.
QString heading_anchor(const QTextBlock& block) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QStringList names = it.fragment().charFormat().anchorNames();
        if (!names.isEmpty()) return names.front();
    }
    return {};
}

}  // namespace

const QStringList& manual_pages() {
    static const QStringList pages{"index.html",    "window.html",   "connecting.html",
                                   "firewall.html", "transfers.html", "commands.html",
                                   "options.html",  "batch.html",    "settings.html",
                                   "messages.html"};
    return pages;
}

std::vector<ContentsEntry> manual_contents() {
    std::vector<ContentsEntry> entries;
    for (const QString& page : manual_pages()) {
        QTextDocument document;
        document.setHtml(read_page(page));
        const QUrl page_url("qrc:/manual/" + page);
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            const int level = block.blockFormat().headingLevel();
            if (level < 1 || level > 3) continue;
            if (level == 1) {
                entries.push_back({block.text().trimmed(), page_url, 1});
                continue;
            }
            const QString anchor = heading_anchor(block);
            if (anchor.isEmpty()) continue;  // a heading that is only a link, as in the contents
            QUrl url = page_url;
            url.setFragment(anchor);
            entries.push_back({block.text().trimmed(), url, level});
        }
    }
    return entries;
}

}  // namespace varnix::ui
