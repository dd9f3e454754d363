#include "standins/speech/SpeechWorker.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace standins {

SpeechWorker::SpeechWorker(std::unique_ptr<Synthesizer> engine, std::filesystem::path folder)
    : folder_(std::move(folder)) {
  if (!engine) throw std::runtime_error("no speech engine");
  std::filesystem::create_directories(folder_);
  // Read here, before the worker exists, so that the engine is never used by two threads at once.
  voices_ = engine->Voices();
  thread_ = std::thread(&SpeechWorker::Run, this, std::move(engine));
}

SpeechWorker::~SpeechWorker() {
  {
    std::lock_guard hold(lock_);
    quit_ = true;
    stopCurrent_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void SpeechWorker::Speak(std::size_t voice, std::int32_t window, const std::wstring& text) {
  {
    std::lock_guard hold(lock_);
    waiting_.push_back(Job{text, voice, window});
  }
  changed_.notify_all();
}

void SpeechWorker::Stop(std::int32_t window) {
  {
    std::lock_guard hold(lock_);
    stops_.push_back(window);
    if (speaking_ && (window == 0 || window == speakingFor_)) stopCurrent_ = true;
    for (auto it = waiting_.begin(); it != waiting_.end();) {
      if (window == 0 || it->window == window) {
        Utterance dropped{it->text, it->voice, it->window, {}, true, {}};
        spoken_.push_back(std::move(dropped));
        it = waiting_.erase(it);
      } else {
        ++it;
      }
    }
  }
  changed_.notify_all();
}

void SpeechWorker::WaitIdle() {
  std::unique_lock hold(lock_);
  changed_.wait(hold, [this] { return waiting_.empty() && !speaking_; });
}

void SpeechWorker::WaitUntilSpeaking() {
  std::unique_lock hold(lock_);
  changed_.wait(hold, [this] { return speaking_ || waiting_.empty(); });
}

std::vector<Utterance> SpeechWorker::Spoken() const {
  std::lock_guard hold(lock_);
  return spoken_;
}

std::vector<std::int32_t> SpeechWorker::Stops() const {
  std::lock_guard hold(lock_);
  return stops_;
}

void SpeechWorker::Run(std::unique_ptr<Synthesizer> engine) {
  for (;;) {
    Job job;
    std::string stem;
    {
      std::unique_lock hold(lock_);
      changed_.wait(hold, [this] { return quit_ || !waiting_.empty(); });
      if (quit_) return;
      job = std::move(waiting_.front());
      waiting_.pop_front();
      speaking_ = true;
      speakingFor_ = job.window;
      stopCurrent_ = false;
      // Time first, so that recordings of several sessions in one folder sort in the order spoken.
      const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
          std::chrono::system_clock::now().time_since_epoch());
      stem = "speech-" + std::to_string(now.count()) + "-" + std::to_string(++made_);
    }
    changed_.notify_all();
    Utterance done{job.text, job.voice, job.window, {}, false, {}};
    try {
      done.recording = engine->Speak(std::min(job.voice, voices_.empty() ? 0 : voices_.size() - 1), job.text,
                                     folder_, stem, [this] {
                                       std::lock_guard hold(lock_);
                                       return stopCurrent_;
                                     });
    } catch (const std::exception& e) {
      done.error = e.what();
    }
    Finish(std::move(done));
  }
}

void SpeechWorker::Finish(Utterance done) {
  {
    std::lock_guard hold(lock_);
    done.stopped = stopCurrent_;
    spoken_.push_back(std::move(done));
    speaking_ = false;
    stopCurrent_ = false;
  }
  changed_.notify_all();
}

}  // namespace standins
