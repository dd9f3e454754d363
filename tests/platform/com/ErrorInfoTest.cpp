#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"

namespace {

using com::Bstr;
using com::ComPtr;

// The current reference count of an object, read without changing it.
ULONG RefCount(IUnknown* p) {
  p->AddRef();
  return p->Release();
}

ComPtr<IErrorInfo> MakeError(const wchar_t* description) {
  ComPtr<ICreateErrorInfo> create;
  EXPECT_EQ(CreateErrorInfo(create.ReleaseAndGetAddressOf()), S_OK);
  create->SetDescription(const_cast<LPOLESTR>(description));
  return com::QueryAs<IErrorInfo>(create.Get());
}

std::wstring Description(IErrorInfo* info) {
  Bstr text;
  EXPECT_EQ(info->GetDescription(text.ReleaseAndGetAddressOf()), S_OK);
  return text.str();
}

class ErrorInfoTest : public ::testing::Test {
 protected:
  // Error information belongs to the thread: leave none behind for the next test.
  void TearDown() override { SetErrorInfo(0, nullptr); }
};

TEST_F(ErrorInfoTest, TheObjectReadsBackWhatWasWritten) {
  ComPtr<ICreateErrorInfo> create;
  ASSERT_EQ(CreateErrorInfo(create.ReleaseAndGetAddressOf()), S_OK);
  ASSERT_TRUE(create);
  ASSERT_EQ(create->SetGUID(IID_IDispatch), S_OK);
  ASSERT_EQ(create->SetSource(const_cast<LPOLESTR>(L"Vorn.Source")), S_OK);
  ASSERT_EQ(create->SetDescription(const_cast<LPOLESTR>(L"Something failed")), S_OK);
  ASSERT_EQ(create->SetHelpContext(17), S_OK);

  ComPtr<IErrorInfo> info = com::QueryAs<IErrorInfo>(create.Get());
  ASSERT_TRUE(info);
  GUID guid{};
  ASSERT_EQ(info->GetGUID(&guid), S_OK);
  EXPECT_TRUE(IsEqualGUID(guid, IID_IDispatch));
  Bstr source, helpFile;
  ASSERT_EQ(info->GetSource(source.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(source.str(), L"Vorn.Source");
  EXPECT_EQ(Description(info.Get()), L"Something failed");
  ASSERT_EQ(info->GetHelpFile(helpFile.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_TRUE(helpFile.IsNull()) << "a field never set reads back as null";
  DWORD context = 0;
  ASSERT_EQ(info->GetHelpContext(&context), S_OK);
  EXPECT_EQ(context, 17u);

  // Both faces are one object.
  ComPtr<IUnknown> a = com::QueryAs<IUnknown>(create.Get());
  ComPtr<IUnknown> b = com::QueryAs<IUnknown>(info.Get());
  EXPECT_EQ(a.Get(), b.Get());
  ComPtr<IDispatch> none;
  EXPECT_EQ(info->QueryInterface(IID_IDispatch, none.PutVoid()), E_NOINTERFACE);
  EXPECT_EQ(info->GetGUID(nullptr), E_INVALIDARG);
  EXPECT_EQ(info->GetDescription(nullptr), E_INVALIDARG);
  EXPECT_EQ(CreateErrorInfo(nullptr), E_INVALIDARG);
}

TEST_F(ErrorInfoTest, GetHandsTheObjectOverAndClearsIt) {
  IErrorInfo* out = reinterpret_cast<IErrorInfo*>(0x1);
  EXPECT_EQ(GetErrorInfo(0, &out), S_FALSE);
  EXPECT_EQ(out, nullptr);

  ComPtr<IErrorInfo> info = MakeError(L"first");
  ASSERT_EQ(SetErrorInfo(0, info.Get()), S_OK);
  EXPECT_EQ(RefCount(info.Get()), 2u) << "the thread holds its own reference";
  ComPtr<IErrorInfo> taken;
  ASSERT_EQ(GetErrorInfo(0, taken.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(taken.Get(), info.Get());
  EXPECT_EQ(RefCount(info.Get()), 2u) << "the thread's reference went to the caller";
  EXPECT_EQ(GetErrorInfo(0, taken.ReleaseAndGetAddressOf()), S_FALSE);
  EXPECT_FALSE(taken);
}

TEST_F(ErrorInfoTest, SetReplacesAndReleasesThePreviousObject) {
  ComPtr<IErrorInfo> first = MakeError(L"first");
  ComPtr<IErrorInfo> second = MakeError(L"second");
  ASSERT_EQ(SetErrorInfo(0, first.Get()), S_OK);
  ASSERT_EQ(SetErrorInfo(0, second.Get()), S_OK);
  EXPECT_EQ(RefCount(first.Get()), 1u);
  ComPtr<IErrorInfo> taken;
  ASSERT_EQ(GetErrorInfo(0, taken.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(Description(taken.Get()), L"second");

  ASSERT_EQ(SetErrorInfo(0, first.Get()), S_OK);
  ASSERT_EQ(SetErrorInfo(0, nullptr), S_OK);
  EXPECT_EQ(RefCount(first.Get()), 1u);
  EXPECT_EQ(GetErrorInfo(0, taken.ReleaseAndGetAddressOf()), S_FALSE);
}

TEST_F(ErrorInfoTest, BadArgumentsAreRefused) {
  ComPtr<IErrorInfo> info = MakeError(L"x");
  EXPECT_EQ(SetErrorInfo(1, info.Get()), E_INVALIDARG);
  EXPECT_EQ(RefCount(info.Get()), 1u);
  EXPECT_EQ(GetErrorInfo(0, nullptr), E_INVALIDARG);
  ComPtr<IErrorInfo> out;
  EXPECT_EQ(GetErrorInfo(1, out.ReleaseAndGetAddressOf()), E_INVALIDARG);
}

TEST_F(ErrorInfoTest, EachThreadHasItsOwn) {
  ComPtr<IErrorInfo> mine = MakeError(L"main thread");
  ComPtr<IErrorInfo> theirs = MakeError(L"other thread");
  ASSERT_EQ(SetErrorInfo(0, mine.Get()), S_OK);

  HRESULT seenByOther = E_FAIL;
  std::wstring otherRead;
  std::thread other([&] {
    IErrorInfo* found = nullptr;
    seenByOther = GetErrorInfo(0, &found);
    if (found) found->Release();
    SetErrorInfo(0, theirs.Get());
    // Left set on purpose: the thread's end must release it.
    IErrorInfo* own = nullptr;
    if (GetErrorInfo(0, &own) == S_OK) {
      otherRead = Description(own);
      SetErrorInfo(0, own);
      own->Release();
    }
  });
  other.join();

  EXPECT_EQ(seenByOther, S_FALSE) << "another thread saw this thread's error";
  EXPECT_EQ(otherRead, L"other thread");
  EXPECT_EQ(RefCount(theirs.Get()), 1u) << "the ended thread still holds its error object";
  ComPtr<IErrorInfo> taken;
  ASSERT_EQ(GetErrorInfo(0, taken.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_EQ(Description(taken.Get()), L"main thread");
}

}  // namespace
