// Speech as a person can listen to it without a sound device: 16-bit PCM
// WAV files, written as the samples come, and the facts of one read back.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>

namespace standins {

class WavWriter {
 public:
  // std::runtime_error when the file cannot be made.
  WavWriter(const std::filesystem::path& path, std::uint32_t sampleRate);
  // Completes the header, so that a file cut short by a stop is still whole.
  ~WavWriter();
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;

  void Write(const std::int16_t* samples, std::size_t count);
  std::uint64_t Samples() const { return samples_; }
  double Seconds() const;

 private:
  void WriteHeader();

  std::ofstream out_;
  std::uint32_t sampleRate_;
  std::uint64_t samples_ = 0;
};

struct WavInfo {
  std::uint32_t sampleRate = 0;
  std::uint16_t channels = 0;
  std::uint16_t bitsPerSample = 0;
  std::uint32_t dataBytes = 0;
  double Seconds() const;
};

// Nothing when the file is missing or not a PCM WAV file.
std::optional<WavInfo> ReadWavInfo(const std::filesystem::path& path);

}  // namespace standins
