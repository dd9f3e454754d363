// What a speech engine does for the speech component's worker: it lists its
// voices and turns one text into a recording. Every call comes from the
// worker's thread, so an engine whose library keeps global state needs no
// locks of its own. Each build has its engine (CMake picks the file):
// eSpeak NG on the portable build, a text recorder on Windows.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace standins {

struct Recording {
  std::filesystem::path file;
  double seconds = 0;  // of speech in the file
};

class Synthesizer {
 public:
  virtual ~Synthesizer() = default;
  virtual std::vector<std::wstring> Voices() = 0;
  // Speaks `text` into a file of `folder` whose name begins with `stem`;
  // asks `stopRequested` often and ends early when it answers true.
  // std::runtime_error when the engine fails.
  virtual Recording Speak(std::size_t voice, const std::wstring& text, const std::filesystem::path& folder,
                          const std::string& stem, const std::function<bool()>& stopRequested) = 0;
};

// This build's engine; std::runtime_error when it cannot start.
std::unique_ptr<Synthesizer> MakeSynthesizer();

}  // namespace standins
