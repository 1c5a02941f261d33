// Event sounds: a wave file for a completed connection, a completed transfer and an error,
// or a beep when wave files are off or the file is missing.
#pragma once

#include <string>

#include "transfer/transfer_context.h"

namespace varnix {

enum class SoundEvent : int { Connect = 0, Complete = 1, Error = 2 };

// Start-up: usewave and the three wave paths, defaulting to the program's folder.
void load_sound_settings(TransferContext& ctx);
void load_sound_settings(TransferContext& ctx, const std::string& program_dir);

// Plays the event's wave file when usewave is on and the file exists, else the event's beep.
// Returns at once. Callers in the interactive program call it only when BELL is on
// (play_event_sound_if_enabled); the batch run sounds regardless.
void play_event_sound(const TransferContext& ctx, SoundEvent event);
void play_event_sound_if_enabled(const TransferContext& ctx, SoundEvent event);

}  // namespace varnix
