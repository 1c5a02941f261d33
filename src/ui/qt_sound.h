// Event sounds through Qt Multimedia: the wave files of connect, complete and error, and
// the desktop beep where no audio output exists.
//
// Wiring (main window): one QtSound for the program's run, created on the GUI thread, as
// the sound of the engine's Services:
//     QtSound sound;
//     services.sound = &sound;
//     load_sound_settings(ctx);   // once the window exists (wave paths from [_config_])
// The engine's play_event_sound() then picks the file or the beep, on the GUI thread (a
// worker's sounds are posted there); playing returns at once.
#pragma once

#include <QObject>
#include <QString>
#include <map>
#include <memory>

#include "platform/services.h"

class QSoundEffect;
class QMediaDevices;

namespace varnix::ui {

// Whether the file starts like a RIFF/WAVE file with a PCM format chunk Qt can play.
[[nodiscard]] bool looks_like_wave(const std::string& path);

class QtSound : public QObject, public SoundService {
    Q_OBJECT
public:
    explicit QtSound(QObject* parent = nullptr);
    ~QtSound() override;

    // False when there is no audio output, so the caller beeps instead. A file that is not
    // a wave file plays nothing and reports nothing (true): the user chose that file.
    bool play_wave(const std::string& path) override;
    void beep() override;

    [[nodiscard]] bool has_audio_output() const { return has_output_; }
    // How many files have been handed to the audio output so far.
    [[nodiscard]] int started() const { return started_; }

private:
    void refresh_outputs();

    QMediaDevices* devices_;
    bool has_output_ = false;
    int started_ = 0;
    std::map<QString, std::unique_ptr<QSoundEffect>> effects_;
};

}  // namespace varnix::ui
