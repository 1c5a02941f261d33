// A stand-in for a file manager, for the screenshots script under Xvfb: a small window that
// drags the files named on its command line as file URLs when pressed and moved.
#include <QApplication>
#include <QDrag>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace {

class DragSource : public QLabel {
public:
    explicit DragSource(QStringList files) : files_(std::move(files)) {
        setText(QStringLiteral("Drag %1 file(s) from here").arg(files_.size()));
        setAlignment(Qt::AlignCenter);
        setWindowTitle(QStringLiteral("Drag source"));
    }

protected:
    void mousePressEvent(QMouseEvent* event) override { pressed_ = event->position().toPoint(); }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (!(event->buttons() & Qt::LeftButton)) return;
        if ((event->position().toPoint() - pressed_).manhattanLength() < QApplication::startDragDistance()) return;
        QList<QUrl> urls;
        for (const QString& file : files_) urls.push_back(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
        auto* data = new QMimeData;
        data->setUrls(urls);
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        (void)drag->exec(Qt::CopyAction);
    }

private:
    QStringList files_;
    QPoint pressed_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    DragSource source(QApplication::arguments().mid(1));
    source.resize(220, 100);
    source.show();
    return QApplication::exec();
}
