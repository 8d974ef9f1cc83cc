#pragma once
// An audio layer writing down every call, with a module record or none.

#include <cstring>
#include <string>
#include <vector>

#include "shell/music.h"

class RecordingAudio : public AudioLayer {
  public:
    bool moduleLoads = true;
    ModuleRecord record{};
    std::vector<std::string> calls;

    void Start() override { calls.push_back("start"); }
    // The settings are read as the raw 8 bytes the layer receives: 32, 16 and 16 bits.
    void OpenOutput(const AudioSettings* settings) override {
        uint16_t raw[4];
        std::memcpy(raw, settings, sizeof raw);
        calls.push_back("output " + std::to_string(raw[0] | uint32_t{raw[1]} << 16) + " " +
                        std::to_string(raw[2]) + " " + std::to_string(raw[3]));
    }
    void LoadModule(const char* path, void** module, int flags) override {
        *module = moduleLoads ? &record : nullptr;
        calls.push_back("load " + std::string(path) + " " + std::to_string(flags));
    }
    void OpenVoices(int count) override { calls.push_back("voices " + std::to_string(count)); }
    void PlayModule(void* module) override {
        calls.push_back(module == &record ? "play record" : "play other");
    }
    void SetLevel(int level) override { calls.push_back("level " + std::to_string(level)); }
};
