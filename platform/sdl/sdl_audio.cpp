// The system's audio device through SDL's audio subsystem, mixed by our own
// mixer: SDL offers one output stream, not a mixing service.
#include <SDL.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/backend.h"

namespace klice::platform::detail {

namespace {

class SdlAudioSink final : public AudioSink {
public:
    SdlAudioSink(SDL_AudioDeviceID id, int rate, bool is_float) : id_(id), rate_(rate), float_(is_float) {}
    ~SdlAudioSink() override {
        SDL_CloseAudioDevice(id_);  // waits for a running callback
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    int Rate() const override { return rate_; }
    bool Float() const override { return float_; }
    void SetPaused(bool paused) override { SDL_PauseAudioDevice(id_, paused ? 1 : 0); }

private:
    SDL_AudioDeviceID id_;
    int rate_;
    bool float_;
};

}  // namespace

std::unique_ptr<AudioSink> OpenSystemAudio(AudioSink::MixCallback callback, void* user) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return nullptr;
    SDL_AudioSpec want{};
    want.freq = 44100;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = callback;
    want.userdata = user;
    SDL_AudioSpec have{};
    SDL_AudioDeviceID id =
        SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_FORMAT_CHANGE);
    if (id != 0 && have.format != AUDIO_F32SYS && have.format != AUDIO_S16SYS) {
        // A format we do not write: let SDL convert from float instead.
        SDL_CloseAudioDevice(id);
        id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    }
    if (id == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    // SDL opens a device paused, as a sink starts.
    return std::make_unique<SdlAudioSink>(id, have.freq, have.format == AUDIO_F32SYS);
}

}  // namespace klice::platform::detail

namespace klice::platform {

bool SystemAudioAvailable() {
    // A driver the user named through SDL's own setting is taken as there.
    if (std::getenv("SDL_AUDIODRIVER")) return true;
    std::ifstream cards("/proc/asound/cards");
    std::string first;
    if (cards && std::getline(cards, first) && first.find("no soundcards") == std::string::npos && !first.empty())
        return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    return runtime && std::filesystem::exists(std::filesystem::path(runtime) / "pulse" / "native");
}

}  // namespace klice::platform
