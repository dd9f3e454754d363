// Band forms listed per thread, the activation hook they share, and the news
// of activation that reaches exactly the forms of the activated thread.
#include <gtest/gtest.h>

#include <barrier>
#include <future>
#include <thread>

#include "band_hosting/HookMngUnit.h"
#include "band_hosting/IEBandRegistry.h"
#include "band_hosting/RecordingBand.h"
#include "platform/win/WindowTestSupport.h"
#include "support/ComTest.h"

namespace {

using band_testing::BrowserWindow;
using band_testing::RecordingForm;
using vorn::HookManager;
using vorn::ProcessIEBands;

class IEBandRegistryTest : public testing_support::ComTest {
 protected:
  void TearDown() override {
    RecordingForm::failConstruction = false;
    RecordingForm::failLayout = false;
    EXPECT_EQ(ProcessIEBands->ThreadCount(), 0) << "a band form outlived its band";
    EXPECT_EQ(HookManager->ThreadCount(), 0) << "an activation hook outlived the band forms";
    ComTest::TearDown();
  }

  static LRESULT Activate(HWND window, WPARAM wParam) { return win::SendMessageW(window, WM_NCACTIVATE, wParam, 0); }
};

TEST_F(IEBandRegistryTest, TwoBandsInOneWindowShareTheThreadEntryAndItsHook) {
  BrowserWindow browser;
  RecordingForm* main = browser.AddBand();
  RecordingForm* links = browser.AddBand();
  ASSERT_TRUE(main && links);
  EXPECT_EQ(ProcessIEBands->ThreadCount(), 1);
  EXPECT_EQ(ProcessIEBands->FormsOfThisThread(), (std::vector<vorn::TIEBandForm*>{main, links}));
  EXPECT_NE(HookManager->Hook(), nullptr);
  EXPECT_EQ(HookManager->RefCount(), 2) << "one hook reference per listed form";
  EXPECT_EQ(HookManager->ThreadCount(), 1) << "one hook for the thread";

  Activate(browser.Frame(), TRUE);
  EXPECT_EQ(main->activations, std::vector<bool>{true});
  EXPECT_EQ(links->activations, std::vector<bool>{true});

  browser.CloseBand(0);
  EXPECT_EQ(ProcessIEBands->FormsOfThisThread(), std::vector<vorn::TIEBandForm*>{links});
  EXPECT_EQ(HookManager->RefCount(), 1);
  Activate(browser.Frame(), FALSE);
  EXPECT_EQ(links->activations, (std::vector<bool>{true, false}));

  browser.CloseBand(0);
  EXPECT_EQ(ProcessIEBands->ThreadCount(), 0);
  EXPECT_EQ(HookManager->Hook(), nullptr) << "the hook goes with the thread's last band form";
}

TEST_F(IEBandRegistryTest, ActivationNewsReadsOnlyTheLowWordAndAnyWindowOfTheThread) {
  BrowserWindow browser;
  RecordingForm* form = browser.AddBand();
  ASSERT_TRUE(form);
  window_test::TestClass others;
  const HWND dialog = others.Top();  // another window of the same thread

  struct Case {
    HWND window;
    WPARAM wParam;
    bool active;
  } cases[] = {{browser.Frame(), TRUE, true},     {browser.Frame(), 0x10000, false}, {dialog, 0x10001, true},
               {dialog, 0, false},                {browser.Frame(), 0xFFFF, true}};
  for (const auto& c : cases) {
    form->activations.clear();
    Activate(c.window, c.wParam);
    EXPECT_EQ(form->activations, std::vector<bool>{c.active}) << "wParam " << c.wParam;
  }
  form->activations.clear();
  win::SendMessageW(browser.Frame(), WM_USER + 86, TRUE, 0);
  EXPECT_TRUE(form->activations.empty()) << "only WM_NCACTIVATE is news";
}

TEST_F(IEBandRegistryTest, TheHookOnlyPassesOnCallsThatAreNotActions) {
  BrowserWindow browser;
  RecordingForm* form = browser.AddBand();
  ASSERT_TRUE(form);
  CWPRETSTRUCT message{};
  message.message = WM_NCACTIVATE;
  message.wParam = TRUE;
  message.hwnd = browser.Frame();
  vorn::ActivationHookProc(HC_ACTION + 1, 0, reinterpret_cast<LPARAM>(&message));
  EXPECT_TRUE(form->activations.empty());
  vorn::ActivationHookProc(HC_ACTION, 0, reinterpret_cast<LPARAM>(&message));
  EXPECT_EQ(form->activations, std::vector<bool>{true});
}

TEST_F(IEBandRegistryTest, ListingIsIdempotentAndUnlistingAnUnknownFormChangesNothing) {
  vorn::TThreadIEBands entry(7);
  auto* a = reinterpret_cast<vorn::TIEBandForm*>(0x1000);
  auto* b = reinterpret_cast<vorn::TIEBandForm*>(0x2000);
  entry.Add(a);
  entry.Add(b);
  entry.Add(a);
  ASSERT_EQ(entry.Count(), 2) << "a form already listed is listed once";
  EXPECT_EQ(entry.Forms(0), b);
  EXPECT_EQ(entry.Forms(1), a) << "listed again means listed last";
  entry.Remove(reinterpret_cast<vorn::TIEBandForm*>(0x3000));
  EXPECT_EQ(entry.Count(), 2);
  entry.Remove(a);
  entry.Remove(b);
  EXPECT_TRUE(entry.IsEmpty());

  // Through the process registry the hook count follows the listed forms, so
  // listing a form twice cannot leave a hook behind.
  BrowserWindow browser;
  RecordingForm* form = browser.AddBand();
  ASSERT_TRUE(form);
  ProcessIEBands->AddBandForm(form);
  EXPECT_EQ(ProcessIEBands->FormsOfThisThread().size(), 1u);
  EXPECT_EQ(HookManager->RefCount(), 1);
  ProcessIEBands->RemoveBandForm(reinterpret_cast<vorn::TIEBandForm*>(0x3000));
  EXPECT_EQ(HookManager->RefCount(), 1);
}

TEST_F(IEBandRegistryTest, AFormWhoseConstructionFailedIsNotListedAndHoldsNoHook) {
  BrowserWindow browser;
  RecordingForm::failConstruction = true;
  RecordingForm* broken = browser.AddBand();
  RecordingForm::failConstruction = false;
  ASSERT_NE(broken, nullptr) << "the band still gets its form";
  EXPECT_EQ(ProcessIEBands->ThreadCount(), 0);
  EXPECT_EQ(HookManager->ThreadCount(), 0);
  RecordingForm* sound = browser.AddBand();
  ASSERT_TRUE(sound);
  Activate(browser.Frame(), TRUE);
  EXPECT_TRUE(broken->activations.empty());
  EXPECT_EQ(sound->activations, std::vector<bool>{true});
  browser.CloseBand(0);  // the broken form releases no reference it never took
  EXPECT_EQ(HookManager->RefCount(), 1);
}

// A form made the standard way, outside any band.
class OwnedForm : public vorn::TIEBandForm {
 public:
  explicit OwnedForm(forms::TComponent* owner) : TIEBandForm(owner, nullptr) {}
  bool layoutTried = false;

 protected:
  void BuildLayout() override {
    layoutTried = true;
    throw std::runtime_error("layout failed");
  }
};

TEST_F(IEBandRegistryTest, LayoutFailuresAreDroppedAndDoNotKeepAFormFromBeingListed) {
  forms::TComponent owner(nullptr);
  OwnedForm* form = vorn::TIEBandForm::Create<OwnedForm>(&owner);
  ASSERT_NE(form, nullptr) << "the form object always comes back";
  EXPECT_TRUE(form->layoutTried);
  EXPECT_EQ(form->Owner(), &owner);
  EXPECT_EQ(ProcessIEBands->ThreadCount(), 0) << "only band forms are listed";

  BrowserWindow browser;
  RecordingForm::failLayout = true;
  RecordingForm* banded = browser.AddBand();
  RecordingForm::failLayout = false;
  ASSERT_NE(banded, nullptr);
  EXPECT_EQ(ProcessIEBands->FormsOfThisThread(), std::vector<vorn::TIEBandForm*>{banded});
  Activate(browser.Frame(), TRUE);
  EXPECT_EQ(banded->activations, std::vector<bool>{true});
}

TEST_F(IEBandRegistryTest, AFormClosedByAnEarlierFormsNewsIsSkippedSafely) {
  BrowserWindow browser;
  RecordingForm* first = browser.AddBand();
  RecordingForm* second = browser.AddBand();
  ASSERT_TRUE(first && second);
  first->onActivation = [&](RecordingForm&) { browser.CloseBand(1); };
  Activate(browser.Frame(), TRUE);
  EXPECT_EQ(first->activations, std::vector<bool>{true});
  EXPECT_EQ(ProcessIEBands->FormsOfThisThread(), std::vector<vorn::TIEBandForm*>{first});
  first->onActivation = [](RecordingForm&) { throw std::runtime_error("handler failed"); };
  EXPECT_NO_THROW(Activate(browser.Frame(), FALSE));
  EXPECT_EQ(first->activations, (std::vector<bool>{true, false}));
}

TEST_F(IEBandRegistryTest, ActivationOnOneThreadNotifiesOnlyThatThreadsForms) {
  // Two browser windows, each on a thread of its own. Each thread in turn
  // activates its own frame; the other thread's forms must hear nothing.
  std::barrier sync(2);
  std::vector<bool> heard[2];
  int threadsListed = 0;
  auto browserThread = [&](int me) {
    BrowserWindow browser;
    RecordingForm* form = browser.AddBand();
    sync.arrive_and_wait();  // both windows have their band
    if (me == 0) threadsListed = ProcessIEBands->ThreadCount();
    for (int turn = 0; turn < 2; ++turn) {
      if (turn == me && form) Activate(browser.Frame(), TRUE);
      sync.arrive_and_wait();
    }
    // Nothing of this thread is listed for the other one to hear of.
    ProcessIEBands->NotifyActivation(false);
    sync.arrive_and_wait();
    if (form) heard[me] = form->activations;
  };
  std::thread a(browserThread, 0), b(browserThread, 1);
  a.join();
  b.join();
  EXPECT_EQ(threadsListed, 2);
  EXPECT_EQ(heard[0], (std::vector<bool>{true, false}));
  EXPECT_EQ(heard[1], (std::vector<bool>{true, false}));

  // A thread without band forms hears nothing, and tells nobody.
  BrowserWindow browser;
  RecordingForm* form = browser.AddBand();
  ASSERT_TRUE(form);
  std::thread([] { ProcessIEBands->NotifyActivation(true); }).join();
  EXPECT_TRUE(form->activations.empty());
}

// A browser window on a thread of its own that runs a message loop, as a
// browser's user-interface thread does.
class BrowserThread {
 public:
  BrowserThread() {
    std::promise<HWND> ready;
    auto frame = ready.get_future();
    thread_ = std::thread([this, &ready] {
      BrowserWindow browser;
      form_ = browser.AddBand();
      ready.set_value(browser.Frame());
      MSG msg;
      while (win::GetMessageW(&msg, nullptr, 0, 0) > 0) win::DispatchMessageW(&msg);
      if (form_) heard_ = form_->activations;
    });
    frame_ = frame.get();
    id_ = win::GetWindowThreadProcessId(frame_, nullptr);
  }
  ~BrowserThread() { Stop(); }

  HWND Frame() const { return frame_; }
  // Returns once the thread has handled everything sent to it so far.
  void Sync() { win::SendMessageW(frame_, WM_NULL, 0, 0); }
  // What the band form heard so far; the thread must be idle (after Sync).
  size_t HeardSoFar() const { return form_ ? form_->activations.size() : 0; }
  // Ends the loop and answers what its band form heard.
  std::vector<bool> Stop() {
    if (thread_.joinable()) {
      win::PostThreadMessageW(id_, WM_QUIT, 0, 0);
      thread_.join();
    }
    return heard_;
  }

 private:
  std::thread thread_;
  HWND frame_ = nullptr;
  DWORD id_ = 0;
  RecordingForm* form_ = nullptr;
  std::vector<bool> heard_;
};

TEST_F(IEBandRegistryTest, ActivatingOneBrowserDeactivatesTheOtherOnItsOwnThread) {
  BrowserThread first, second;
  ASSERT_TRUE(first.Frame() && second.Frame());
  EXPECT_EQ(ProcessIEBands->ThreadCount(), 2);

  // Showing the browser windows has already moved the activation around.
  first.Sync();
  second.Sync();
  const size_t firstBefore = first.HeardSoFar(), secondBefore = second.HeardSoFar();

  ASSERT_TRUE(win::SetForegroundWindow(first.Frame()));
  first.Sync();
  second.Sync();
  ASSERT_TRUE(win::SetForegroundWindow(second.Frame()));
  first.Sync();
  second.Sync();

  auto tail = [](std::vector<bool> heard, size_t from) {
    return std::vector<bool>(heard.begin() + static_cast<std::ptrdiff_t>(std::min(from, heard.size())), heard.end());
  };
  EXPECT_EQ(tail(first.Stop(), firstBefore), (std::vector<bool>{true, false}))
      << "activated, then deactivated by the other browser";
  const std::vector<bool> secondHeard = tail(second.Stop(), secondBefore);
  // The second window may or may not still have been the active one when the
  // first was brought to the front: either way it ends activated.
  ASSERT_FALSE(secondHeard.empty());
  EXPECT_EQ(secondHeard.back(), true);
  EXPECT_EQ(secondHeard, secondHeard.size() == 2 ? (std::vector<bool>{false, true}) : std::vector<bool>{true});
}

}  // namespace
