// The module's COM server: its class factories, in load order, and the
// registration of the whole library.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/com/ClassFactory.h"

namespace vorn {

class TComServer {
 public:
  TComServer();
  ~TComServer();
  TComServer(const TComServer&) = delete;
  TComServer& operator=(const TComServer&) = delete;

  com::ClassFactory* FindFactory(REFCLSID clsid) const;
  const std::vector<std::unique_ptr<com::ClassFactory>>& Factories() const { return FFactories; }

  // Registration or unregistration of the type library and every class;
  // raises on the first failure of registration.
  void UpdateRegistry(bool reg);

  // The module file name as registration writes it under InprocServer32.
  static std::wstring RegisteredModulePath();

 private:
  void AddFactory(std::unique_ptr<com::ClassFactory> factory);

  std::vector<std::unique_ptr<com::ClassFactory>> FFactories;
};

// The library's process-wide state, created when the module loads and
// destroyed in reverse order when it unloads.
TComServer& ComServer();

}  // namespace vorn
