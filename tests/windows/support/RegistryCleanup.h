// Leaves the machine's registry without any entry of the library, whatever a
// failing registration or unregistration left behind.
#pragma once

#include <string>

#include "platform/win/WinTypes.h"

namespace win_tests {

// A registry key that a test may create: removed with everything below it at
// the end, unless it was there before.
class ScratchKey {
 public:
  ScratchKey(HKEY root, std::wstring path);
  ~ScratchKey();
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;

 private:
  HKEY root_;
  std::wstring path_;
  bool existed_;
};

// Deletes the library's CLSID, ProgID, TypeLib and Interface keys and its
// values under the browser's toolbar key; entries of others stay.
void RemoveEveryLibraryEntry();

// The product DLL registered with regsvr32 for a test suite, and unregistered
// with every entry of the library removed when the suite ends (after COM has
// let go of the module the suite loaded).
class RegisteredProduct {
 public:
  RegisteredProduct();
  ~RegisteredProduct();
  RegisteredProduct(const RegisteredProduct&) = delete;
  RegisteredProduct& operator=(const RegisteredProduct&) = delete;
  bool Registered() const { return registered_; }

 private:
  ScratchKey toolbarKey_;
  bool registered_ = false;
};

}  // namespace win_tests
