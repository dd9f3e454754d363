// The text-to-speech component, served by this process: while a
// SpeechComponent lives, creating the talker class (CLSID_CoTalker) in this
// process gives a talker object that speaks through one worker of the
// component (SpeechWorker) with this build's engine. Each talker keeps its own
// choice of voice. The component's recordings go to a folder of the user's
// data (DefaultFolder) unless the host names another.
#pragma once

#include <filesystem>
#include <memory>

#include "platform/com/ComPtr.h"
#include "platform/com/ComTypes.h"
#include "standins/speech/SpeechWorker.h"

namespace standins {

class SpeechComponent {
 public:
  // Starts the engine and registers the class object; std::runtime_error when
  // the engine cannot start, com::ComError when the system refuses the class.
  explicit SpeechComponent(const std::filesystem::path& folder = DefaultFolder());
  // Revokes the class; talkers still held keep the worker until they go.
  ~SpeechComponent();
  SpeechComponent(const SpeechComponent&) = delete;
  SpeechComponent& operator=(const SpeechComponent&) = delete;

  SpeechWorker& Worker() { return *worker_; }
  // Failure injection: GetVoiceName fails with hr once `after` names were given; S_OK mends it.
  void FailVoiceNames(HRESULT hr, int after = 0);

  // $VORNIE_SPEECH_DIR, else the "vornie/speech" folder of the user's data
  // ($XDG_DATA_HOME or ~/.local/share; %LOCALAPPDATA% on Windows).
  static std::filesystem::path DefaultFolder();

 private:
  class Factory;
  std::shared_ptr<SpeechWorker> worker_;
  com::ComPtr<Factory> factory_;
  DWORD cookie_ = 0;
};

}  // namespace standins
