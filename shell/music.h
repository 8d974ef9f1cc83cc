#pragma once
// The closing theme: prepared silently at start-up, heard from the save on.
//
// The editor talks to its audio layer through six calls, each with one role:
// start the layer, open the output with the 8-byte settings, load a module
// (which hands back a record whose 16-bit value at byte 38 is the module's
// channel count), open voices, play a module and set the level. None of them
// reports failure: without a sound device, or without a readable module, the
// editor simply stays silent.

#include <cstddef>
#include <cstdint>

#include "state/editor_state.h"

// What the audio layer tells about a loaded module.
struct ModuleRecord {
    char name[32];
    uint16_t patterns;
    uint16_t instruments;
    uint16_t samples;
    uint16_t channels;
    uint16_t length;  // entries of the order list
};
static_assert(offsetof(ModuleRecord, channels) == 38, "the channel count lies at byte 38");

class AudioLayer {
  public:
    virtual ~AudioLayer() = default;
    virtual void Start() = 0;
    virtual void OpenOutput(const AudioSettings* settings) = 0;
    // Leaves *module null when the file cannot be loaded.
    virtual void LoadModule(const char* path, void** module, int flags) = 0;
    virtual void OpenVoices(int count) = 0;
    virtual void PlayModule(void* module) = 0;
    virtual void SetLevel(int level) = 0;
};

// The layer the editor plays through: the module player on the platform's
// sound output, unless a test installed another (null puts it back).
AudioLayer& CurrentAudioLayer();
void SetAudioLayer(AudioLayer* layer);

constexpr const char* MUSIC_FILE = "hold.xm";  // in the data folder
constexpr int MUSIC_LEVEL = 64;                // the layer's full level
constexpr uint32_t AUDIO_FIRST_SETTING = 0xFFFF;
constexpr uint16_t AUDIO_SECOND_SETTING = 0x0101;
constexpr uint16_t AUDIO_SAMPLE_RATE = 44100;

// Starts the layer, opens the output and loads the module, silent. The
// module player opens the sound device only when the module starts playing.
void StartMusic();
// Starts the prepared module playing, at the closing screen's level.
void PlayClosingMusic();
