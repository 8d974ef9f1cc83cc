#include "shell/music.h"

#include <xmp.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "shell/data_folder.h"

namespace {

// The module player of libxmp, mixing into the platform's stereo output.
// OpenOutput only takes the settings: the device opens when the module first
// plays, so a machine without sound hears of it then and not at start-up.
// The platform pulls samples on its own thread, so every change the mixing
// depends on happens under the platform's audio lock.
class ModulePlayerLayer : public AudioLayer {
  public:
    // At process end the platform, and with it the output, is already gone.
    ~ModulePlayerLayer() override { Release(false); }

    void Start() override {
        Release(m_outputOpen);
        // A fresh start plays through whichever platform is current then.
        m_outputOpen = false;
        m_context = xmp_create_context();
    }

    void OpenOutput(const AudioSettings* settings) override { m_sampleRate = settings->sampleRate; }

    void LoadModule(const char* path, void** module, int /*flags*/) override {
        *module = nullptr;
        if (!m_context || xmp_load_module(m_context, const_cast<char*>(path)) != 0) return;
        m_loaded = true;
        xmp_module_info info{};
        xmp_get_module_info(m_context, &info);
        FillRecord(*info.mod);
        *module = &m_record;
    }

    void OpenVoices(int count) override {
        if (!m_loaded) return;
        // Never fewer mixer voices than the module has channels.
        const int voices = std::max<int>(count, m_record.channels);
        xmp_set_player(m_context, XMP_PLAYER_VOICES, voices);
        m_playerStarted = xmp_start_player(m_context, m_sampleRate, 0) == 0;
    }

    void PlayModule(void* module) override {
        if (module != &m_record || !m_playerStarted) return;
        m_playing.store(true);
        if (!m_outputOpen)
            m_outputOpen = platform::Current().OpenAudio(
                m_sampleRate, [this](int16_t* samples, int frames) { Fill(samples, frames); });
    }

    // Level 64 is the module's own volume.
    void SetLevel(int level) override {
        if (!m_playerStarted) return;
        const int volume = std::clamp(level, 0, MUSIC_LEVEL) * 100 / MUSIC_LEVEL;
        platform::Current().LockAudio();
        xmp_set_player(m_context, XMP_PLAYER_VOLUME, volume);
        platform::Current().UnlockAudio();
    }

  private:
    void FillRecord(const xmp_module& mod) {
        m_record = ModuleRecord{};
        const size_t nameLength = strnlen(mod.name, sizeof m_record.name - 1);
        std::memcpy(m_record.name, mod.name, nameLength);
        m_record.patterns = static_cast<uint16_t>(mod.pat);
        m_record.instruments = static_cast<uint16_t>(mod.ins);
        m_record.samples = static_cast<uint16_t>(mod.smp);
        m_record.channels = static_cast<uint16_t>(mod.chn);
        m_record.length = static_cast<uint16_t>(mod.len);
    }

    void Fill(int16_t* samples, int frames) {
        const int bytes = frames * 2 * static_cast<int>(sizeof(int16_t));
        if (!m_playing.load() || xmp_play_buffer(m_context, samples, bytes, 0) != 0)
            std::memset(samples, 0, static_cast<size_t>(bytes));
    }

    void Release(bool lockOutput) {
        if (lockOutput) platform::Current().LockAudio();
        m_playing.store(false);
        if (m_playerStarted) xmp_end_player(m_context);
        if (m_loaded) xmp_release_module(m_context);
        if (m_context) xmp_free_context(m_context);
        m_context = nullptr;
        m_loaded = m_playerStarted = false;
        if (lockOutput) platform::Current().UnlockAudio();
    }

    xmp_context m_context = nullptr;
    ModuleRecord m_record{};
    int m_sampleRate = AUDIO_SAMPLE_RATE;
    bool m_outputOpen = false;
    bool m_loaded = false;
    bool m_playerStarted = false;
    std::atomic<bool> m_playing{false};
};

AudioLayer* g_installedLayer = nullptr;

AudioLayer& ModulePlayer() {
    static ModulePlayerLayer player;
    return player;
}

}  // namespace

AudioLayer& CurrentAudioLayer() {
    return g_installedLayer ? *g_installedLayer : ModulePlayer();
}

void SetAudioLayer(AudioLayer* layer) {
    g_installedLayer = layer;
}

void StartMusic() {
    AudioLayer& audio = CurrentAudioLayer();
    audio.Start();
    g_state.music.audioSettings = {AUDIO_FIRST_SETTING, AUDIO_SECOND_SETTING, AUDIO_SAMPLE_RATE};
    audio.OpenOutput(&g_state.music.audioSettings);
    const std::string path = DataFolder() + MUSIC_FILE;
    audio.LoadModule(path.c_str(), &g_state.music.musicModule, 0);
    if (!g_state.music.musicModule) return;
    uint16_t channels = 0;
    std::memcpy(&channels, static_cast<const uint8_t*>(g_state.music.musicModule) + 38,
                sizeof channels);
    audio.OpenVoices(channels + 1);
}

void PlayClosingMusic() {
    if (!g_state.music.musicModule) return;
    AudioLayer& audio = CurrentAudioLayer();
    audio.PlayModule(g_state.music.musicModule);
    audio.SetLevel(MUSIC_LEVEL);
}
