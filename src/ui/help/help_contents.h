// The manual's table of contents, read from the pages' headings: what the help window's
// contents tree shows.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <vector>

namespace varnix::ui {

// The manual's pages in reading order (under :/manual).
[[nodiscard]] const QStringList& manual_pages();

struct ContentsEntry {
    QString title;
    QUrl url;   // qrc:/manual/<page>#<anchor>; no anchor for a page's title
    int level;  // 1 a page, 2 its sections, 3 their subsections
};

// Every page's title and every heading that carries an anchor, in reading order.
[[nodiscard]] std::vector<ContentsEntry> manual_contents();

}  // namespace varnix::ui
