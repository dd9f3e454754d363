// The one creator of the library's objects, directly and through a class
// factory: a construction that throws answers by the MayFail classification
// and leaves nothing alive.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "platform/com/ClassFactory.h"
#include "platform/com/ComError.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "support/ComTest.h"

namespace {

enum class Throw { Nothing, OutOfMemory, ComErrorCode, StdException, Other };

class Probe : public com::ComObject<IUnknown> {
  VORN_INTERFACE_TABLE_BEGIN(Probe)
  VORN_ENTRY(IUnknown)
  VORN_INTERFACE_TABLE_END

 public:
  explicit Probe(Throw what) {
    switch (what) {
      case Throw::Nothing: return;
      case Throw::OutOfMemory: throw std::bad_alloc();
      case Throw::ComErrorCode: throw com::ComError(CLASS_E_CLASSNOTAVAILABLE, L"no class");
      case Throw::StdException: throw std::logic_error("broken");
      case Throw::Other: throw 7;
    }
  }
};

Throw g_next = Throw::Nothing;
HRESULT CreateProbe(REFIID riid, void** ppv) { return com::CreateObject<Probe>(riid, ppv, g_next); }

class CreatorTest : public testing_support::ComTest {};

TEST_F(CreatorTest, AFailedConstructionGivesItsClassifiedCodeDirectlyAndThroughAFactory) {
  const CLSID clsid = {0x5a3c1f00, 0x1d2e, 0x4b3c, {0x8a, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}};
  com::ClassFactory factory(clsid, L"Lib", L"Probe", L"Probe object", &CreateProbe, com::Instancing::MultiInstance,
                            com::ThreadingModel::Apartment);
  const struct {
    Throw what;
    HRESULT hr;
  } cases[] = {
      {Throw::Nothing, S_OK},
      {Throw::OutOfMemory, E_OUTOFMEMORY},
      {Throw::ComErrorCode, CLASS_E_CLASSNOTAVAILABLE},
      {Throw::StdException, E_UNEXPECTED},
      {Throw::Other, E_UNEXPECTED},
  };
  for (const auto& c : cases) {
    g_next = c.what;
    com::ComPtr<IUnknown> direct;
    EXPECT_EQ(com::CreateComObject<Probe>(direct.ReleaseAndGetAddressOf(), c.what), c.hr) << static_cast<int>(c.what);
    EXPECT_EQ(static_cast<bool>(direct), SUCCEEDED(c.hr));
    com::ComPtr<IUnknown> made;
    EXPECT_EQ(factory.CreateInstance(nullptr, IID_IUnknown, made.PutVoid()), c.hr) << static_cast<int>(c.what);
    EXPECT_EQ(static_cast<bool>(made), SUCCEEDED(c.hr));
  }
  g_next = Throw::Nothing;
}

TEST_F(CreatorTest, ARefusedInterfaceLeavesNoObjectBehind) {
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(com::CreateObject<Probe>(IID_IDispatch, &out, Throw::Nothing), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(com::CreateObject<Probe>(IID_IUnknown, nullptr, Throw::Nothing), E_POINTER);
  // ComTest's tear-down finds no object alive.
}

}  // namespace
