#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <typeinfo>

#include "platform/com/Boundary.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComError.h"
#include "platform/com/ComPtr.h"

namespace {

using com::Bstr;
using com::ComError;
using com::ComPtr;

class ComErrorTest : public ::testing::Test {
 protected:
  void TearDown() override { SetErrorInfo(0, nullptr); }
};

TEST_F(ComErrorTest, WhatIsTheMessageInUtf8) {
  ComError e(E_FAIL, L"Gr\u00F6\u00DFe \u20AC");
  EXPECT_STREQ(e.what(), "Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC");
  EXPECT_EQ(e.hr(), E_FAIL);
  EXPECT_EQ(e.message(), L"Gr\u00F6\u00DFe \u20AC");
  ComError bare(E_OUTOFMEMORY);
  EXPECT_STREQ(bare.what(), "0x8007000E") << "without a message the code is the text";
  EXPECT_TRUE(bare.message().empty());
}

TEST_F(ComErrorTest, HResultTextIsEightUpperCaseHexDigits) {
  EXPECT_EQ(com::HResultText(E_FAIL), L"0x80004005");
  EXPECT_EQ(com::HResultText(S_OK), L"0x00000000");
  EXPECT_EQ(com::HResultText(DISP_E_TYPEMISMATCH), L"0x80020005");
}

TEST_F(ComErrorTest, CheckRaisesAPlainComErrorOnFailureCodesOnly) {
  EXPECT_EQ(com::Check(S_OK), S_OK);
  EXPECT_EQ(com::Check(S_FALSE, L"Probe"), S_FALSE);
  try {
    com::Check(RPC_E_DISCONNECTED, L"GetRunningServer");
    ADD_FAILURE() << "no exception";
  } catch (const ComError& e) {
    EXPECT_EQ(typeid(e), typeid(ComError)) << "the callee is not known to be anyone's server";
    EXPECT_EQ(e.hr(), RPC_E_DISCONNECTED);
    EXPECT_NE(e.message().find(L"GetRunningServer"), std::wstring::npos);
    EXPECT_NE(e.message().find(L"0x80010108"), std::wstring::npos);
  }
  EXPECT_THROW(com::Check(E_FAIL), ComError);
}

// Both policies over the same bodies: MayFail gives the one classification,
// MustAnswer its fixed answer for every failure and the body's own otherwise.
TEST_F(ComErrorTest, BoundaryPoliciesTurnExceptionsIntoCodes) {
  struct Case {
    const char* name;
    HRESULT (*body)();
    HRESULT mayFail;
    HRESULT mustAnswer;  // with MustAnswer(E_FAIL)
  };
  const Case cases[] = {
      {"nothing thrown", [] { return S_OK; }, S_OK, S_OK},
      {"the body's own failure", [] { return E_NOTIMPL; }, E_NOTIMPL, E_NOTIMPL},
      {"ComError", []() -> HRESULT { throw ComError(DISP_E_BADINDEX, L"index"); }, DISP_E_BADINDEX, E_FAIL},
      {"Check", [] { return com::Check(RPC_E_SERVERFAULT); }, RPC_E_SERVERFAULT, E_FAIL},
      {"out of memory", []() -> HRESULT { throw std::bad_alloc(); }, E_OUTOFMEMORY, E_FAIL},
      {"std exception", []() -> HRESULT { throw std::runtime_error("boom"); }, E_UNEXPECTED, E_FAIL},
      {"anything else", []() -> HRESULT { throw 42; }, E_UNEXPECTED, E_FAIL},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(com::Boundary(com::MayFail, c.body), c.mayFail) << c.name;
    EXPECT_EQ(com::Boundary(com::MustAnswer(E_FAIL), c.body), c.mustAnswer) << c.name;
  }
  EXPECT_EQ(com::Boundary(com::MustAnswer(S_OK), [] {}), S_OK) << "a body without a result succeeds";
  EXPECT_EQ(com::HResultFromCurrentException(), E_UNEXPECTED) << "called with nothing in flight";
}

TEST_F(ComErrorTest, TheClassificationGivesTheMessageToo) {
  std::wstring message = L"stale";
  try {
    throw ComError(E_ACCESSDENIED, L"refused");
  } catch (...) {
    EXPECT_EQ(com::HResultFromCurrentException(&message), E_ACCESSDENIED);
  }
  EXPECT_EQ(message, L"refused");
  try {
    throw std::bad_alloc();
  } catch (...) {
    EXPECT_EQ(com::HResultFromCurrentException(&message), E_OUTOFMEMORY);
  }
  EXPECT_EQ(message, L"") << "no text of its own";
}

TEST_F(ComErrorTest, AutomationBoundaryPublishesErrorInfo) {
  const IID iid = {0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
  HRESULT hr = S_OK;
  try {
    throw ComError(E_ACCESSDENIED, L"Unable to connect");
  } catch (...) {
    hr = com::HResultFromCurrentException(iid, L"Vorn.Server");
  }
  EXPECT_EQ(hr, E_ACCESSDENIED);
  ComPtr<IErrorInfo> info;
  ASSERT_EQ(GetErrorInfo(0, info.ReleaseAndGetAddressOf()), S_OK);
  GUID guid{};
  ASSERT_EQ(info->GetGUID(&guid), S_OK);
  EXPECT_TRUE(IsEqualGUID(guid, iid));
  Bstr source, description;
  ASSERT_EQ(info->GetSource(source.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(info->GetDescription(description.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(source.str(), L"Vorn.Server");
  EXPECT_EQ(description.str(), L"Unable to connect");

  try {
    throw std::runtime_error("\xC3\xA9" "chec");
  } catch (...) {
    hr = com::HResultFromCurrentException(iid, nullptr);
  }
  EXPECT_EQ(hr, E_UNEXPECTED);
  ASSERT_EQ(GetErrorInfo(0, info.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(info->GetDescription(description.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(description.str(), L"\u00E9chec");
  ASSERT_EQ(info->GetSource(source.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(source.str(), L"");

  try {
    throw ComError(E_OUTOFMEMORY);
  } catch (...) {
    hr = com::HResultFromCurrentException(iid, L"Vorn.Server");
  }
  ASSERT_EQ(GetErrorInfo(0, info.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_EQ(info->GetDescription(description.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(description.str(), L"0x8007000E") << "a bare code still describes itself";
}

}  // namespace
