// The portable build's voices: eSpeak NG, synthesising into WAV files (this
// build has no sound device to play them on). eSpeak NG keeps its state in
// globals, so one synthesizer at a time serves the whole process.
#include <espeak-ng/speak_lib.h>

#include <atomic>
#include <optional>
#include <stdexcept>

#include "platform/com/Text.h"
#include "standins/speech/Synthesizer.h"
#include "standins/speech/WavFile.h"

namespace standins {
namespace {

std::atomic<bool> g_engineLives{false};

struct Synthesis {
  WavWriter* out;
  const std::function<bool()>* stopRequested;
  std::string error;
};

int OnSamples(short* samples, int count, espeak_EVENT* events) {
  auto* synthesis = static_cast<Synthesis*>(events ? events->user_data : nullptr);
  if (!synthesis) return 0;
  if ((*synthesis->stopRequested)()) return 1;
  try {
    if (samples && count > 0) synthesis->out->Write(samples, static_cast<std::size_t>(count));
  } catch (const std::exception& e) {
    synthesis->error = e.what();
    return 1;
  }
  return 0;
}

// The engine, started once and kept until the process ends: espeak_Terminate
// waits for eSpeak NG's own event thread and now and then never returns
// (seen under ThreadSanitizer), and a speech component may be made again later.
struct Engine {
  int sampleRate = 0;
  std::vector<std::wstring> names;
  std::vector<std::string> identifiers;
};

const Engine& TheEngine() {
  // A start that failed throws, and the next use tries again.
  static const Engine engine = [] {
    Engine started;
    started.sampleRate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, espeakINITIALIZE_DONT_EXIT);
    if (started.sampleRate <= 0) throw std::runtime_error("eSpeak NG cannot start (are its data installed?)");
    espeak_SetSynthCallback(OnSamples);
    for (const espeak_VOICE** voice = espeak_ListVoices(nullptr); voice && *voice; ++voice) {
      if (!(*voice)->name || !(*voice)->identifier) continue;
      started.names.push_back(com::FromUtf8((*voice)->name));
      started.identifiers.emplace_back((*voice)->identifier);
    }
    return started;
  }();
  return engine;
}

class ESpeakSynthesizer : public Synthesizer {
 public:
  ESpeakSynthesizer() {
    if (g_engineLives.exchange(true)) throw std::runtime_error("eSpeak NG serves one speech engine per process");
    try {
      const Engine& engine = TheEngine();
      sampleRate_ = engine.sampleRate;
      names_ = engine.names;
      identifiers_ = engine.identifiers;
    } catch (...) {
      g_engineLives = false;
      throw;
    }
  }
  ~ESpeakSynthesizer() override { g_engineLives = false; }

  std::vector<std::wstring> Voices() override { return names_; }

  Recording Speak(std::size_t voice, const std::wstring& text, const std::filesystem::path& folder,
                  const std::string& stem, const std::function<bool()>& stopRequested) override {
    if (voice < identifiers_.size() && espeak_SetVoiceByName(identifiers_[voice].c_str()) != EE_OK)
      throw std::runtime_error("eSpeak NG has no voice " + identifiers_[voice]);
    Recording recording;
    recording.file = folder / (stem + ".wav");
    std::optional<WavWriter> out(std::in_place, recording.file, static_cast<std::uint32_t>(sampleRate_));
    Synthesis synthesis{&*out, &stopRequested, {}};
    const std::string utf8 = com::ToUtf8(text);
    // An empty text still makes a (silent, empty) recording, as a person pressing Speak
    // with nothing selected gets a file that says so by its length.
    if (!utf8.empty()) {
      const espeak_ERROR result = espeak_Synth(utf8.c_str(), utf8.size() + 1, 0, POS_CHARACTER, 0,
                                               espeakCHARS_UTF8, nullptr, &synthesis);
      if (result != EE_OK && !stopRequested()) throw std::runtime_error("eSpeak NG could not speak the text");
    }
    if (!synthesis.error.empty()) throw std::runtime_error(synthesis.error);
    recording.seconds = out->Seconds();
    out.reset();
    return recording;
  }

 private:
  int sampleRate_ = 0;
  std::vector<std::wstring> names_;
  std::vector<std::string> identifiers_;
};

}  // namespace

std::unique_ptr<Synthesizer> MakeSynthesizer() { return std::make_unique<ESpeakSynthesizer>(); }

}  // namespace standins
