// Event sounds: a wave file for a completed connection, a completed transfer and an error,
// or a beep when wave files are off or the file is missing.
#include "transfer/sounds.h"

#include <sys/stat.h>

#include "config/config_file.h"

namespace varnix {

namespace {

const std::string& wave_path(const SoundSettings& sounds, SoundEvent event) {
    switch (event) {
        case SoundEvent::Connect: return sounds.wav_connect;
        case SoundEvent::Complete: return sounds.wav_complete;
        case SoundEvent::Error: break;
    }
    return sounds.wav_error;
}

BeepKind beep_for(SoundEvent event) {
    switch (event) {
        case SoundEvent::Connect: return BeepKind::Asterisk;
        case SoundEvent::Complete: return BeepKind::Simple;
        case SoundEvent::Error: break;
    }
    return BeepKind::Exclamation;
}

bool is_file(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

void load_sound_settings(TransferContext& ctx, const std::string& program_dir) {
    ctx.sounds = read_sound_settings(ctx, program_dir);
    ctx.options.use_wave_files = ctx.sounds.use_wave_files;
}

void load_sound_settings(TransferContext& ctx) {
    load_sound_settings(ctx, system_support_dirs().program_dir);
}

void play_event_sound(const TransferContext& ctx, SoundEvent event) {
    SoundService* sound = ctx.services.sound;
    if (!sound) return;
    const std::string path = wave_path(ctx.sounds, event);
    const bool wave = ctx.options.use_wave_files && is_file(path);
    const BeepKind beep = beep_for(event);
    // A file that exists but cannot be played (not a wave file, no audio device) still
    // gives the user the beep rather than nothing. Played on the GUI thread, not waited for.
    post_to_gui_thread(ctx.services.invoker, [sound, path, wave, beep] {
        if (wave && sound->play_wave(path)) return;
        sound->message_beep(beep);
    });
}

void play_event_sound_if_enabled(const TransferContext& ctx, SoundEvent event) {
    if (ctx.options.play_sounds && ctx.transfer.request.sound && ctx.transfer.run.sound) {
        play_event_sound(ctx, event);
    }
}

}  // namespace varnix
