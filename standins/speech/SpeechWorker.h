// The speech component's own worker: speaking goes on in it while the caller,
// a toolbar in the browser's user-interface thread, carries on and may stop it.
// Texts wait in order; each becomes one recording.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "standins/speech/Synthesizer.h"

namespace standins {

struct Utterance {
  std::wstring text;
  std::size_t voice = 0;
  std::int32_t window = 0;
  Recording recording;
  bool stopped = false;   // ended by a stop, or dropped before its turn
  std::string error;      // the engine's failure, if it failed
};

class SpeechWorker {
 public:
  // Starts the worker and its engine; std::runtime_error when the engine cannot start.
  SpeechWorker(std::unique_ptr<Synthesizer> engine, std::filesystem::path folder);
  // Stops what is spoken and ends the worker.
  ~SpeechWorker();
  SpeechWorker(const SpeechWorker&) = delete;
  SpeechWorker& operator=(const SpeechWorker&) = delete;

  const std::vector<std::wstring>& Voices() const { return voices_; }
  const std::filesystem::path& Folder() const { return folder_; }

  // Queues the text and returns at once.
  void Speak(std::size_t voice, std::int32_t window, const std::wstring& text);
  // Window 0: everything spoken or waiting; otherwise that window's texts.
  void Stop(std::int32_t window);
  // Blocks until nothing waits and nothing is spoken.
  void WaitIdle();
  // Blocks until a text is being spoken, or none is left to speak.
  void WaitUntilSpeaking();
  // What was spoken so far, in order; and every stop asked for.
  std::vector<Utterance> Spoken() const;
  std::vector<std::int32_t> Stops() const;

 private:
  struct Job {
    std::wstring text;
    std::size_t voice;
    std::int32_t window;
  };
  void Run(std::unique_ptr<Synthesizer> engine);
  void Finish(Utterance done);

  std::filesystem::path folder_;
  std::vector<std::wstring> voices_;
  mutable std::mutex lock_;
  std::condition_variable changed_;
  std::deque<Job> waiting_;
  bool speaking_ = false;
  std::int32_t speakingFor_ = 0;
  bool stopCurrent_ = false;
  bool quit_ = false;
  std::uint64_t made_ = 0;
  std::vector<Utterance> spoken_;
  std::vector<std::int32_t> stops_;
  std::thread thread_;
};

}  // namespace standins
