// The running-object table through GetActiveObject, RegisterActiveObject and
// RevokeActiveObject. On Windows these are the system's own functions, so the
// same expectations pin the portable table to them.
#include <gtest/gtest.h>

#include "platform/com/ComPtr.h"
#include "platform/com/FakeComObjects.h"

namespace {

using com::ComPtr;
using com_test::CountedUnknown;

// Two class identifiers no real program registers.
const CLSID kFirstClass = {0x5A1E0C2B, 0x31D4, 0x4E0B, {0x9C, 0x61, 0x0A, 0x2F, 0x7E, 0x44, 0x10, 0x01}};
const CLSID kSecondClass = {0x5A1E0C2B, 0x31D4, 0x4E0B, {0x9C, 0x61, 0x0A, 0x2F, 0x7E, 0x44, 0x10, 0x02}};

class ActiveObjectsTest : public ::testing::Test {
 protected:
  void SetUp() override { initialized_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)); }
  void TearDown() override {
    if (initialized_) CoUninitialize();
  }

  static HRESULT Lookup(REFCLSID clsid, ComPtr<IUnknown>* out) {
    return GetActiveObject(clsid, nullptr, out->ReleaseAndGetAddressOf());
  }

  bool initialized_ = false;
};

TEST_F(ActiveObjectsTest, NothingRegisteredIsUnavailable) {
  IUnknown* found = reinterpret_cast<IUnknown*>(0x1);
  EXPECT_EQ(GetActiveObject(kFirstClass, nullptr, &found), MK_E_UNAVAILABLE);
  EXPECT_EQ(found, nullptr);
}

TEST_F(ActiveObjectsTest, RegistrationHoldsTheObjectUntilRevoked) {
  for (DWORD flags : {DWORD{ACTIVEOBJECT_STRONG}, DWORD{ACTIVEOBJECT_WEAK}}) {
    SCOPED_TRACE(flags);
    CountedUnknown object;
    DWORD token = 0;
    ASSERT_EQ(RegisterActiveObject(&object, kFirstClass, flags, &token), S_OK);
    EXPECT_NE(token, 0u);
    const ULONG whileRegistered = object.refs();
    EXPECT_GT(whileRegistered, 0u) << "the table keeps the object alive";

    ComPtr<IUnknown> found;
    ASSERT_EQ(Lookup(kFirstClass, &found), S_OK);
    EXPECT_EQ(found.Get(), static_cast<IUnknown*>(&object)) << "same apartment: the object itself, no proxy";
    EXPECT_EQ(object.refs(), whileRegistered + 1) << "the caller's reference";
    found.Reset();

    EXPECT_EQ(RevokeActiveObject(token, nullptr), S_OK);
    EXPECT_EQ(object.refs(), 0u) << "revoking gives every reference back";
    EXPECT_EQ(Lookup(kFirstClass, &found), MK_E_UNAVAILABLE);
    EXPECT_FALSE(found);
  }
}

TEST_F(ActiveObjectsTest, RevokingAnUnknownOrSpentTokenFails) {
  CountedUnknown object;
  DWORD token = 0;
  ASSERT_EQ(RegisterActiveObject(&object, kFirstClass, ACTIVEOBJECT_STRONG, &token), S_OK);
  EXPECT_EQ(RevokeActiveObject(token + 1000, nullptr), E_INVALIDARG);
  EXPECT_EQ(RevokeActiveObject(0, nullptr), E_INVALIDARG);
  EXPECT_EQ(RevokeActiveObject(token, nullptr), S_OK);
  EXPECT_EQ(RevokeActiveObject(token, nullptr), E_INVALIDARG) << "a token is spent once revoked";
  EXPECT_EQ(object.refs(), 0u);
}

TEST_F(ActiveObjectsTest, ClassesAreLookedUpIndependently) {
  CountedUnknown first, second;
  DWORD firstToken = 0, secondToken = 0;
  ASSERT_EQ(RegisterActiveObject(&first, kFirstClass, ACTIVEOBJECT_STRONG, &firstToken), S_OK);
  ASSERT_EQ(RegisterActiveObject(&second, kSecondClass, ACTIVEOBJECT_STRONG, &secondToken), S_OK);
  EXPECT_NE(firstToken, secondToken);

  ComPtr<IUnknown> found;
  ASSERT_EQ(Lookup(kSecondClass, &found), S_OK);
  EXPECT_EQ(found.Get(), static_cast<IUnknown*>(&second));
  ASSERT_EQ(RevokeActiveObject(secondToken, nullptr), S_OK);
  EXPECT_EQ(Lookup(kSecondClass, &found), MK_E_UNAVAILABLE);
  ASSERT_EQ(Lookup(kFirstClass, &found), S_OK) << "revoking one class leaves the other";
  EXPECT_EQ(found.Get(), static_cast<IUnknown*>(&first));
  found.Reset();
  EXPECT_EQ(RevokeActiveObject(firstToken, nullptr), S_OK);
  EXPECT_EQ(first.refs(), 0u);
  EXPECT_EQ(second.refs(), 0u);
}

TEST_F(ActiveObjectsTest, ASecondRegistrationOfOneClassIsAcceptedAndTheFirstIsFound) {
  CountedUnknown first, second;
  DWORD firstToken = 0, secondToken = 0;
  ASSERT_EQ(RegisterActiveObject(&first, kFirstClass, ACTIVEOBJECT_STRONG, &firstToken), S_OK);
  EXPECT_EQ(RegisterActiveObject(&second, kFirstClass, ACTIVEOBJECT_STRONG, &secondToken),
            MK_S_MONIKERALREADYREGISTERED);
  EXPECT_NE(secondToken, 0u);
  EXPECT_NE(secondToken, firstToken);

  ComPtr<IUnknown> found;
  ASSERT_EQ(Lookup(kFirstClass, &found), S_OK);
  EXPECT_EQ(found.Get(), static_cast<IUnknown*>(&first));
  ASSERT_EQ(RevokeActiveObject(firstToken, nullptr), S_OK);
  ASSERT_EQ(Lookup(kFirstClass, &found), S_OK) << "the second registration takes over";
  EXPECT_EQ(found.Get(), static_cast<IUnknown*>(&second));
  found.Reset();
  EXPECT_EQ(RevokeActiveObject(secondToken, nullptr), S_OK);
  EXPECT_EQ(Lookup(kFirstClass, &found), MK_E_UNAVAILABLE);
}

TEST_F(ActiveObjectsTest, RegisteringNothingIsRefused) {
  DWORD token = 0;
  EXPECT_EQ(RegisterActiveObject(nullptr, kFirstClass, ACTIVEOBJECT_STRONG, &token), E_INVALIDARG);
  ComPtr<IUnknown> found;
  EXPECT_EQ(Lookup(kFirstClass, &found), MK_E_UNAVAILABLE);
}

}  // namespace
