#include "support/ModelTypeLib.h"

namespace testing_support {

ModelTypeLibFile::ModelTypeLibFile(const com::TypeLibModel& model, const std::wstring& modulePath)
    : path_(modulePath) {
  status_ = com::LoadModuleTypeLib(model, modulePath, lib_.ReleaseAndGetAddressOf());
}

ModelTypeLibFile::~ModelTypeLibFile() = default;

HRESULT LoadModelTypeLib(const com::TypeLibModel& model, const std::wstring& modulePath, ITypeLib** out) {
  return com::LoadModuleTypeLib(model, modulePath, out);
}

}  // namespace testing_support
