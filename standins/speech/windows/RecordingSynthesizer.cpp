// The Windows build's voices: a recorder. Wine brings no speech engine and a
// Windows machine's voices differ from one to the next, so on this build the
// component writes what it is asked to say, and in which voice, to a text file
// of the data folder, where a person or a test can read it.
#include <fstream>
#include <stdexcept>

#include "platform/com/Text.h"
#include "standins/speech/Synthesizer.h"

namespace standins {
namespace {

// Speaking speed of the recording: a plain reading pace, so that a stop can land
// in the middle of a long text as it would in real speech.
constexpr double kWordsPerSecond = 2.5;

class RecordingSynthesizer : public Synthesizer {
 public:
  std::vector<std::wstring> Voices() override { return {L"Recorder (plain)", L"Recorder (spelled)"}; }

  Recording Speak(std::size_t voice, const std::wstring& text, const std::filesystem::path& folder,
                  const std::string& stem, const std::function<bool()>& stopRequested) override {
    Recording recording;
    recording.file = folder / (stem + ".txt");
    std::ofstream out(recording.file, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + recording.file.string());
    out << "voice: " << com::ToUtf8(Voices().at(voice)) << "\n";
    std::size_t words = 0;
    bool inWord = false;
    for (wchar_t c : text) {
      if (stopRequested()) break;
      const bool space = c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
      if (!space && !inWord) ++words;
      inWord = !space;
      if (voice == 1 && !space) {
        out << com::ToUtf8(std::wstring(1, c)) << ' ';
      } else {
        out << com::ToUtf8(std::wstring(1, c));
      }
    }
    out << "\n";
    if (!out) throw std::runtime_error("cannot write " + recording.file.string());
    recording.seconds = words / kWordsPerSecond;
    return recording;
  }
};

}  // namespace

std::unique_ptr<Synthesizer> MakeSynthesizer() { return std::make_unique<RecordingSynthesizer>(); }

}  // namespace standins
