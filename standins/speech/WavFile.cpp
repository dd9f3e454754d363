#include "standins/speech/WavFile.h"

#include <array>
#include <cstring>
#include <stdexcept>

namespace standins {
namespace {

void PutLe(std::ofstream& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint32_t GetLe(const unsigned char* bytes, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

constexpr std::uint16_t kChannels = 1;
constexpr std::uint16_t kBits = 16;

}  // namespace

WavWriter::WavWriter(const std::filesystem::path& path, std::uint32_t sampleRate)
    : out_(path, std::ios::binary | std::ios::trunc), sampleRate_(sampleRate) {
  if (!out_) throw std::runtime_error("cannot write " + path.string());
  WriteHeader();
}

WavWriter::~WavWriter() {
  out_.seekp(0);
  WriteHeader();
}

void WavWriter::WriteHeader() {
  // The sizes are those of the samples so far: the header is written again at the end.
  const auto dataBytes = static_cast<std::uint32_t>(samples_ * sizeof(std::int16_t));
  out_.write("RIFF", 4);
  PutLe(out_, 36 + dataBytes, 4);
  out_.write("WAVEfmt ", 8);
  PutLe(out_, 16, 4);
  PutLe(out_, 1, 2);  // PCM
  PutLe(out_, kChannels, 2);
  PutLe(out_, sampleRate_, 4);
  PutLe(out_, sampleRate_ * kChannels * kBits / 8, 4);
  PutLe(out_, kChannels * kBits / 8, 2);
  PutLe(out_, kBits, 2);
  out_.write("data", 4);
  PutLe(out_, dataBytes, 4);
  out_.flush();
}

void WavWriter::Write(const std::int16_t* samples, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) PutLe(out_, static_cast<std::uint16_t>(samples[i]), 2);
  samples_ += count;
}

double WavWriter::Seconds() const { return sampleRate_ ? static_cast<double>(samples_) / sampleRate_ : 0.0; }

double WavInfo::Seconds() const {
  const double bytesPerSecond = static_cast<double>(sampleRate) * channels * bitsPerSample / 8;
  return bytesPerSecond > 0 ? dataBytes / bytesPerSecond : 0.0;
}

std::optional<WavInfo> ReadWavInfo(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::array<unsigned char, 12> riff{};
  if (!in.read(reinterpret_cast<char*>(riff.data()), riff.size())) return std::nullopt;
  if (std::memcmp(riff.data(), "RIFF", 4) != 0 || std::memcmp(riff.data() + 8, "WAVE", 4) != 0) return std::nullopt;
  WavInfo info;
  bool haveFormat = false;
  std::array<unsigned char, 8> chunk{};
  while (in.read(reinterpret_cast<char*>(chunk.data()), chunk.size())) {
    const std::uint32_t size = GetLe(chunk.data() + 4, 4);
    if (std::memcmp(chunk.data(), "fmt ", 4) == 0) {
      std::array<unsigned char, 16> format{};
      if (size < format.size() || !in.read(reinterpret_cast<char*>(format.data()), format.size())) return std::nullopt;
      if (GetLe(format.data(), 2) != 1) return std::nullopt;
      info.channels = static_cast<std::uint16_t>(GetLe(format.data() + 2, 2));
      info.sampleRate = GetLe(format.data() + 4, 4);
      info.bitsPerSample = static_cast<std::uint16_t>(GetLe(format.data() + 14, 2));
      in.seekg(size - format.size() + (size & 1), std::ios::cur);
      haveFormat = true;
    } else if (std::memcmp(chunk.data(), "data", 4) == 0) {
      if (!haveFormat) return std::nullopt;
      info.dataBytes = size;
      return info;
    } else {
      in.seekg(size + (size & 1), std::ios::cur);
    }
  }
  return std::nullopt;
}

}  // namespace standins
