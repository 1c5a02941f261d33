// Wave playback with Qt Multimedia, and the beep.
#include "ui/qt_sound.h"

#include <QApplication>
#include <QAudioDevice>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>
#include <array>
#include <cstring>
#include <fstream>

namespace varnix::ui {

bool looks_like_wave(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::array<char, 12> header{};
    if (!in.read(header.data(), header.size())) return false;
    if (std::memcmp(header.data(), "RIFF", 4) != 0 || std::memcmp(header.data() + 8, "WAVE", 4) != 0) {
        return false;
    }
    // The chunks up to "fmt ": the format must be PCM (1) or extensible (0xFFFE).
    for (int chunks = 0; chunks < 16; ++chunks) {
        std::array<unsigned char, 8> chunk{};
        if (!in.read(reinterpret_cast<char*>(chunk.data()), chunk.size())) return false;
        const std::uint32_t size = chunk[4] | chunk[5] << 8 | chunk[6] << 16 |
                                   static_cast<std::uint32_t>(chunk[7]) << 24;
        if (std::memcmp(chunk.data(), "fmt ", 4) == 0) {
            std::array<unsigned char, 2> format{};
            if (size < 16 || !in.read(reinterpret_cast<char*>(format.data()), format.size())) return false;
            const unsigned tag = format[0] | format[1] << 8;
            return tag == 1 || tag == 0xFFFE;
        }
        if (!in.seekg(size + (size & 1), std::ios::cur)) return false;
    }
    return false;
}

QtSound::QtSound(QObject* parent) : QObject(parent), devices_(new QMediaDevices(this)) {
    connect(devices_, &QMediaDevices::audioOutputsChanged, this, &QtSound::refresh_outputs);
    refresh_outputs();
}

QtSound::~QtSound() = default;

void QtSound::refresh_outputs() { has_output_ = !QMediaDevices::audioOutputs().isEmpty(); }

bool QtSound::play_wave(const std::string& path) {
    if (!has_output_) return false;
    if (!looks_like_wave(path)) return true;
    const QString file = QString::fromStdString(path);
    ++started_;
    auto& effect = effects_[file];
    if (!effect) {
        effect = std::make_unique<QSoundEffect>();
        effect->setSource(QUrl::fromLocalFile(file));
    }
    // A sound still playing starts again rather than queueing behind itself.
    effect->stop();
    effect->play();
    return true;
}

void QtSound::beep() { QApplication::beep(); }

}  // namespace varnix::ui
