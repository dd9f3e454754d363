// A type library for a model that no module carries, for tests of type
// information. The portable build serves the model itself (what
// com::LoadModuleTypeLib does for every module there). On Windows the model
// is written out through ICreateTypeLib2, as an IDL compiler writes a .tlb,
// and read back by the system's loader: the same assertions then hold the
// portable library to what Windows answers for the same description.
#pragma once

#include <string>

#include "platform/com/ComPtr.h"
#include "platform/com/TypeLibrary.h"

namespace testing_support {

// A model's library and the file it lives in, for as long as this object lives.
class ModelTypeLibFile {
 public:
  // Portable: the library says it lives at modulePath, which need not exist.
  // Windows: a temporary .tlb file holds it (registration reads it back).
  ModelTypeLibFile(const com::TypeLibModel& model, const std::wstring& modulePath);
  ~ModelTypeLibFile();
  ModelTypeLibFile(const ModelTypeLibFile&) = delete;
  ModelTypeLibFile& operator=(const ModelTypeLibFile&) = delete;

  HRESULT Status() const { return status_; }
  ITypeLib* Lib() const { return lib_.Get(); }
  const std::wstring& Path() const { return path_; }

 private:
  HRESULT status_ = E_FAIL;
  com::ComPtr<ITypeLib> lib_;
  std::wstring path_;
};

// Just the library, when no one needs its file afterwards.
HRESULT LoadModelTypeLib(const com::TypeLibModel& model, const std::wstring& modulePath, ITypeLib** out);

}  // namespace testing_support
