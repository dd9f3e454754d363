// Ownership and names of components.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/forms/FormsErrors.h"
#include "platform/forms/TComponent.h"

namespace {

using forms::EComponentError;
using forms::TComponent;

// A component that writes its name into a shared list when it is freed.
class Probe : public TComponent {
 public:
  Probe(TComponent* owner, std::wstring tag, std::vector<std::wstring>& freed)
      : TComponent(owner), tag_(std::move(tag)), freed_(freed) {}
  ~Probe() override { freed_.push_back(tag_); }

 private:
  std::wstring tag_;
  std::vector<std::wstring>& freed_;
};

TEST(TComponentTest, AnOwnerFreesWhatItOwnsNewestFirst) {
  std::vector<std::wstring> freed;
  {
    auto owner = std::make_unique<Probe>(nullptr, L"owner", freed);
    auto* first = new Probe(owner.get(), L"first", freed);
    new Probe(owner.get(), L"second", freed);
    new Probe(first, L"first.child", freed);
    new Probe(owner.get(), L"third", freed);
    EXPECT_EQ(owner->ComponentCount(), 3);
    EXPECT_EQ(first->Owner(), owner.get());
  }
  // Each destructor body runs before its base frees the components it owns.
  const std::vector<std::wstring> expected = {L"owner", L"third", L"second", L"first", L"first.child"};
  EXPECT_EQ(freed, expected);
}

TEST(TComponentTest, AComponentFreedDirectlyLeavesItsOwner) {
  std::vector<std::wstring> freed;
  TComponent owner(nullptr);
  auto* a = new Probe(&owner, L"a", freed);
  new Probe(&owner, L"b", freed);
  delete a;
  ASSERT_EQ(owner.ComponentCount(), 1);
  owner.DestroyComponents();
  EXPECT_EQ(freed, (std::vector<std::wstring>{L"a", L"b"}));
  EXPECT_EQ(owner.ComponentCount(), 0);
}

// A component whose constructor fails after it has made components of its own.
class FailingBuilder : public TComponent {
 public:
  FailingBuilder(TComponent* owner, std::vector<std::wstring>& freed) : TComponent(owner) {
    new Probe(this, L"built.1", freed);
    new Probe(this, L"built.2", freed);
    throw std::runtime_error("layout could not be built");
  }
};

TEST(TComponentTest, AConstructorThatThrowsStillFreesWhatItMadeAndLeavesItsOwner) {
  std::vector<std::wstring> freed;
  TComponent owner(nullptr);
  EXPECT_THROW(new FailingBuilder(&owner, freed), std::runtime_error);
  EXPECT_EQ(freed, (std::vector<std::wstring>{L"built.2", L"built.1"}));
  EXPECT_EQ(owner.ComponentCount(), 0);
}

TEST(TComponentTest, NamesAreFoundWithoutRegardToCase) {
  TComponent owner(nullptr);
  auto* button = new TComponent(&owner);
  button->SetName(L"SpeakButton");
  auto* label = new TComponent(&owner);
  label->SetName(L"RatingLabel");
  new TComponent(&owner);  // unnamed

  EXPECT_EQ(owner.FindComponent(L"speakbutton"), button);
  EXPECT_EQ(owner.FindComponent(L"RATINGLABEL"), label);
  EXPECT_EQ(owner.FindComponent(L"Missing"), nullptr);
  EXPECT_EQ(owner.FindComponent(L""), nullptr);
  EXPECT_EQ(owner.Components(1), label);
}

TEST(TComponentTest, BadOrTakenNamesAreRefusedAndTheOldNameStays) {
  TComponent owner(nullptr);
  auto* a = new TComponent(&owner);
  a->SetName(L"Taken");
  auto* b = new TComponent(&owner);
  b->SetName(L"Mine");
  for (const wchar_t* bad : {L"taken", L"1st", L"with space", L"dash-ed", L"caf\u00e9"}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(bad)));
    EXPECT_THROW(b->SetName(bad), EComponentError);
    EXPECT_EQ(b->Name(), L"Mine");
  }
  b->SetName(L"_ok2");
  EXPECT_EQ(b->Name(), L"_ok2");
  // Unnamed components may be many; renaming to one's own name in another case is fine.
  b->SetName(L"");
  new TComponent(&owner);
  a->SetName(L"TAKEN");
  EXPECT_EQ(a->Name(), L"TAKEN");
}

TEST(TComponentTest, OwnershipCanMoveButNotGoRound) {
  std::vector<std::wstring> freed;
  TComponent first(nullptr);
  TComponent second(nullptr);
  auto* item = new Probe(&first, L"item", freed);
  item->SetName(L"Item");

  second.InsertComponent(item);
  EXPECT_EQ(item->Owner(), &second);
  EXPECT_EQ(first.ComponentCount(), 0);
  EXPECT_EQ(second.ComponentCount(), 1);

  auto* clash = new TComponent(&first);
  clash->SetName(L"item");
  EXPECT_THROW(first.InsertComponent(item), EComponentError);
  EXPECT_EQ(item->Owner(), &second);

  auto* inner = new TComponent(item);
  EXPECT_THROW(inner->InsertComponent(item), EComponentError) << "an owner cannot become owned by what it owns";
  EXPECT_THROW(item->InsertComponent(item), EComponentError);
  EXPECT_THROW(second.InsertComponent(nullptr), EComponentError);

  // Released: the former owner no longer frees it.
  second.RemoveComponent(item);
  EXPECT_EQ(item->Owner(), nullptr);
  second.DestroyComponents();
  EXPECT_TRUE(freed.empty());
  delete item;
  EXPECT_EQ(freed, std::vector<std::wstring>{L"item"});
}

TEST(TComponentTest, IndexesOutOfRangeAreErrors) {
  TComponent owner(nullptr);
  new TComponent(&owner);
  EXPECT_THROW(owner.Components(1), EComponentError);
  EXPECT_THROW(owner.Components(-1), EComponentError);
  try {
    owner.Components(7);
    ADD_FAILURE() << "no error";
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.hr(), E_INVALIDARG);
    EXPECT_NE(e.message().find(L"7"), std::wstring::npos);
  }
}

}  // namespace
