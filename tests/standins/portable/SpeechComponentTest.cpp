// The speech component on the portable build: eSpeak NG's voices, speech
// into WAV files a person can play (their length measured by sox where it is
// installed, else by reading the header), and stops that end speech early.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "platform/com/Bstr.h"
#include "platform/speech/ZRTTS_TLB.h"
#include "standins/speech/SpeechComponent.h"
#include "standins/speech/WavFile.h"
#include "support/ScratchFolder.h"

namespace {

using standins::SpeechComponent;

// Seconds of a WAV file as sox measures it; below 0 when sox is not there.
double SoxSeconds(const std::filesystem::path& file) {
  const std::string command = "soxi -D '" + file.string() + "' 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return -1;
  char line[64] = {};
  if (!fgets(line, sizeof line, pipe.get())) return -1;
  return std::stod(line);
}

std::wstring Words(int count) {
  std::wstring text;
  for (int i = 0; i < count; ++i) text += L"archive pages keep the web as it was. ";
  return text;
}

TEST(SpeechComponentTest, ASelectionBecomesARecordingOfPlausibleLength) {
  testing_support::ScratchFolder folder;
  SpeechComponent speech(folder.path());
  com::ComPtr<vorn::ITalker> talker = vorn::CoTalker::Create();

  LONG count = 0;
  ASSERT_EQ(talker->GetVoiceCount(&count), S_OK);
  ASSERT_GT(count, 10) << "eSpeak NG brings voices for many languages";
  com::Bstr first;
  ASSERT_EQ(talker->GetVoiceName(0, first.Receive()), S_OK);
  EXPECT_EQ(first.str(), speech.Worker().Voices()[0]);
  com::Bstr none;
  EXPECT_EQ(talker->GetVoiceName(count, none.Receive()), E_INVALIDARG);
  EXPECT_EQ(talker->SelectVoice(-1), E_INVALIDARG);

  ASSERT_EQ(talker->Speak(7, com::Bstr(L"Hello, this page is in the archive.").Get()), S_OK);
  speech.Worker().WaitIdle();
  const auto spoken = speech.Worker().Spoken();
  ASSERT_EQ(spoken.size(), 1u);
  ASSERT_TRUE(spoken[0].error.empty()) << spoken[0].error;
  EXPECT_FALSE(spoken[0].stopped);
  const auto file = spoken[0].recording.file;
  EXPECT_EQ(file.parent_path(), folder.path());
  EXPECT_EQ(file.extension(), ".wav");

  const auto header = standins::ReadWavInfo(file);
  ASSERT_TRUE(header);
  EXPECT_EQ(header->channels, 1);
  EXPECT_EQ(header->bitsPerSample, 16);
  // Seven words at a speaking pace: between one and four seconds.
  EXPECT_GT(header->Seconds(), 1.0);
  EXPECT_LT(header->Seconds(), 4.0);
  EXPECT_NEAR(header->Seconds(), spoken[0].recording.seconds, 0.01);
  if (const double measured = SoxSeconds(file); measured >= 0) EXPECT_NEAR(measured, header->Seconds(), 0.01);
}

TEST(SpeechComponentTest, StopEndsSpeechEarlyAndDropsWhatWaits) {
  testing_support::ScratchFolder folder;
  SpeechComponent speech(folder.path());
  com::ComPtr<vorn::ITalker> talker = vorn::CoTalker::Create();

  // About 2 minutes of speech: far longer than it takes to stop it.
  const std::wstring longText = Words(40);
  ASSERT_EQ(talker->Speak(1, com::Bstr(longText).Get()), S_OK);
  speech.Worker().WaitUntilSpeaking();
  ASSERT_EQ(talker->Speak(2, com::Bstr(L"Another window's text.").Get()), S_OK);
  // A stop for the other window leaves the first speaking.
  ASSERT_EQ(talker->Stop(2), S_OK);
  ASSERT_EQ(talker->Stop(0), S_OK);
  speech.Worker().WaitIdle();

  const auto spoken = speech.Worker().Spoken();
  ASSERT_EQ(spoken.size(), 2u);
  EXPECT_EQ(spoken[0].window, 2) << "the waiting text of window 2 was dropped first";
  EXPECT_TRUE(spoken[0].stopped);
  EXPECT_TRUE(spoken[0].recording.file.empty());
  EXPECT_EQ(spoken[1].window, 1);
  EXPECT_TRUE(spoken[1].stopped);
  const auto header = standins::ReadWavInfo(spoken[1].recording.file);
  ASSERT_TRUE(header) << "a stopped recording is still a whole file";
  EXPECT_LT(header->Seconds(), 60.0);

  // Speaking to the end, for comparison, takes far longer.
  ASSERT_EQ(talker->Speak(1, com::Bstr(longText).Get()), S_OK);
  speech.Worker().WaitIdle();
  const auto whole = speech.Worker().Spoken().back();
  EXPECT_FALSE(whole.stopped);
  EXPECT_GT(whole.recording.seconds, 60.0);
  EXPECT_LT(header->Seconds(), whole.recording.seconds / 2);
}

TEST(SpeechComponentTest, OneEnginePerProcess) {
  testing_support::ScratchFolder folder;
  SpeechComponent speech(folder.path());
  EXPECT_THROW(SpeechComponent second(folder.path()), std::runtime_error);
  // The first still serves.
  EXPECT_NO_THROW(vorn::CoTalker::Create());
}

}  // namespace
