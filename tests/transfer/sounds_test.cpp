// Event sounds: wave files where they exist and wave sounds are on, the event's beep otherwise.
#include "transfer/sounds.h"

#include "transfer/naming_fixture.h"

namespace varnix::testing {
namespace {

class SoundTest : public NamingTest {
protected:
    void SetUp() override {
        NamingTest::SetUp();
        write_file(dir + "/connect.wav", "RIFF");
        write_file(dir + "/complete.wav", "RIFF");
        write_file(dir + "/error.wav", "RIFF");
    }
};

TEST_F(SoundTest, SettingsDefaultToTheProgramFolderAndKeysOverride) {
    write_file(ctx.config_path, "[_config_]\nusewave=0\nwav_error=/sounds/oops.wav\n");
    ctx.options.use_wave_files = 1;
    load_sound_settings(ctx, dir);
    EXPECT_EQ(ctx.sounds.wav_connect, dir + "/connect.wav");
    EXPECT_EQ(ctx.sounds.wav_complete, dir + "/complete.wav");
    EXPECT_EQ(ctx.sounds.wav_error, "/sounds/oops.wav");
    EXPECT_EQ(ctx.options.use_wave_files, 0);
}

TEST_F(SoundTest, WaveFilesPlayForEachEvent) {
    load_sound_settings(ctx, dir);
    play_event_sound(ctx, SoundEvent::Connect);
    play_event_sound(ctx, SoundEvent::Complete);
    play_event_sound(ctx, SoundEvent::Error);
    EXPECT_EQ(sound.played(), (std::vector<std::string>{dir + "/connect.wav", dir + "/complete.wav",
                                                        dir + "/error.wav"}));
    EXPECT_EQ(sound.beeps(), 0);
}

TEST_F(SoundTest, MissingOrUnplayableFilesAndBeepModeGiveTheEventsBeep) {
    load_sound_settings(ctx, dir + "/elsewhere");  // no wave files there
    play_event_sound(ctx, SoundEvent::Connect);
    play_event_sound(ctx, SoundEvent::Complete);
    play_event_sound(ctx, SoundEvent::Error);
    EXPECT_TRUE(sound.played().empty());
    EXPECT_EQ(sound.beep_kinds(),
              (std::vector<BeepKind>{BeepKind::Asterisk, BeepKind::Simple, BeepKind::Exclamation}));

    load_sound_settings(ctx, dir);
    ctx.options.use_wave_files = 0;
    play_event_sound(ctx, SoundEvent::Complete);
    EXPECT_TRUE(sound.played().empty());

    ctx.options.use_wave_files = 1;
    sound.set_playable(false);
    play_event_sound(ctx, SoundEvent::Error);
    EXPECT_EQ(sound.played(), std::vector<std::string>{dir + "/error.wav"});
    EXPECT_EQ(sound.beep_kinds().size(), 5u);
    EXPECT_EQ(sound.beep_kinds().back(), BeepKind::Exclamation);
}

TEST_F(SoundTest, BellOffSilencesOnlyTheInteractiveCallers) {
    load_sound_settings(ctx, dir);
    ctx.options.play_sounds = 0;
    play_event_sound_if_enabled(ctx, SoundEvent::Error);
    EXPECT_TRUE(sound.played().empty());
    EXPECT_EQ(sound.beeps(), 0);
    play_event_sound(ctx, SoundEvent::Complete);  // the batch run sounds regardless
    EXPECT_EQ(sound.played().size(), 1u);
    ctx.options.play_sounds = 1;
    play_event_sound_if_enabled(ctx, SoundEvent::Error);
    EXPECT_EQ(sound.played().size(), 2u);
}

TEST_F(SoundTest, NoSoundServiceIsSilence) {
    ctx.services.sound = nullptr;
    play_event_sound(ctx, SoundEvent::Error);
    EXPECT_EQ(sound.beeps(), 0);
}

}  // namespace
}  // namespace varnix::testing
