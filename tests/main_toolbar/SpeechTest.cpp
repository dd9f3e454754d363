// Speech on the main toolbar: the voices of the speech component in the
// speak button's drop-down, the page's selection read aloud in the form's
// name, a stop for everything, the form's own speech stopped when it goes,
// and no speech at all where the component cannot be made.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "page_utils/PageTestSupport.h"
#include "platform/forms/TMenuItem.h"
#include "platform/speech/ZRTTS_TLB.h"
#include "standins/speech/SpeechComponent.h"
#include "support/ScratchFolder.h"
#include "support/ToolbarBandFixture.h"

namespace {

using vorn::TMainIEToolBandForm;
using SpeechTest = toolbar_testing::ToolbarBandFixture;

const char kPage[] = "<body><p id='a'>Good morning to you.</p><p id='b'>Not this.</p></body>";

std::vector<std::wstring> Captions(const forms::TMenuItem& items) {
  std::vector<std::wstring> out;
  for (int i = 0; i < items.Count(); ++i) out.push_back(items.Items(i)->Caption());
  return out;
}

bool Enabled(forms::TAction* action) {
  action->Update();
  return action->Enabled();
}

TEST_F(SpeechTest, WithoutTheComponentSpeechStaysOff) {
  TMainIEToolBandForm& form = OpenBand();
  EXPECT_FALSE(Enabled(form.SpeakAction));
  EXPECT_FALSE(Enabled(form.StopSpeakingAction));
  EXPECT_EQ(form.SpeakPopupMenu->Items()->Count(), 0);
  // A person who still gets at the actions is not harmed.
  form.SpeakAction->OnExecute(form.SpeakAction);
  form.StopSpeakingAction->OnExecute(form.StopSpeakingAction);
}

TEST_F(SpeechTest, TheSelectionIsSpokenInTheChosenVoiceAndStopsWithTheForm) {
  testing_support::ScratchFolder folder;
  standins::SpeechComponent speech(folder.path());
  standins::SpeechWorker& worker = speech.Worker();
  ASSERT_GE(worker.Voices().size(), 2u);

  TMainIEToolBandForm& form = OpenBand();
  EXPECT_TRUE(Enabled(form.SpeakAction));
  EXPECT_TRUE(Enabled(form.StopSpeakingAction));
  EXPECT_EQ(Captions(*form.SpeakPopupMenu->Items()), worker.Voices());
  for (int i = 0; i < form.SpeakPopupMenu->Items()->Count(); ++i)
    EXPECT_EQ(form.SpeakPopupMenu->Items()->Items(i)->Tag(), i);

  auto document = page_test::LoadPage(kPage);
  standins::html::SelectRange(document.Get(), L"a", L"a");
  browser_->SetDocument(document);
  const LONG window = vorn::TalkerWindow(form.Handle());

  ASSERT_TRUE(form.SpeakAction->Execute());
  worker.WaitIdle();
  auto spoken = worker.Spoken();
  ASSERT_EQ(spoken.size(), 1u);
  EXPECT_NE(spoken[0].text.find(L"Good morning to you."), std::wstring::npos);
  EXPECT_EQ(spoken[0].text.find(L"Not this"), std::wstring::npos);
  EXPECT_EQ(spoken[0].window, window);
  EXPECT_TRUE(spoken[0].error.empty()) << spoken[0].error;
  EXPECT_TRUE(std::filesystem::exists(spoken[0].recording.file));
  EXPECT_GT(spoken[0].recording.seconds, 0.3);

  // Choosing a voice selects it and speaks with it.
  form.SpeakPopupMenu->Items()->Items(1)->Click();
  worker.WaitIdle();
  spoken = worker.Spoken();
  ASSERT_EQ(spoken.size(), 2u);
  EXPECT_EQ(spoken[1].voice, 1u);
  EXPECT_EQ(spoken[1].text, spoken[0].text);

  // Nothing selected: the empty text is still handed over.
  browser_->SetDocument(page_test::LoadPage(kPage));
  ASSERT_TRUE(form.SpeakAction->Execute());
  worker.WaitIdle();
  spoken = worker.Spoken();
  ASSERT_EQ(spoken.size(), 3u);
  EXPECT_EQ(spoken[2].text, L"");
  EXPECT_EQ(spoken[2].voice, 1u) << "the chosen voice stays chosen";

  ASSERT_TRUE(form.StopSpeakingAction->Execute());
  EXPECT_EQ(worker.Stops(), (std::vector<std::int32_t>{0}));
  CloseBand();
  EXPECT_EQ(worker.Stops(), (std::vector<std::int32_t>{0, window})) << "the form stops its own speech as it goes";
}

TEST_F(SpeechTest, AComponentFailingOverItsVoicesLeavesTheMenuAsFarAsItGot) {
  testing_support::ScratchFolder folder;
  standins::SpeechComponent speech(folder.path());
  speech.FailVoiceNames(E_FAIL, 2);
  TMainIEToolBandForm& form = OpenBand();
  EXPECT_EQ(form.SpeakPopupMenu->Items()->Count(), 2);
  EXPECT_TRUE(Enabled(form.SpeakAction)) << "the component is there, only its list failed";
  // The rest of the form was made all the same.
  EXPECT_TRUE(form.TranslationsAction->Visible());
  EXPECT_TRUE(form.PrivacyAction->Visible());
}

}  // namespace
