// A private, empty registry for one test, and a way to read a whole subtree
// back for comparisons.
#pragma once

#include <map>
#include <string>

#include "platform/win/RegKey.h"

namespace testing_support {

class TestRegistry {
 public:
  TestRegistry();
  ~TestRegistry();
  TestRegistry(const TestRegistry&) = delete;
  TestRegistry& operator=(const TestRegistry&) = delete;

  // With false, HKEY_LOCAL_MACHINE refuses writes as for a user without administrator rights.
  void SetMachineWritable(bool writable);

 private:
  bool machineReadOnly_ = false;
};

// Every key (as "path\") and value (as "path\name=TYPE:data") below root\path.
std::map<std::wstring, std::wstring> Snapshot(HKEY root, const std::wstring& path);

// The string value, or "<missing>".
std::wstring ReadString(HKEY root, const std::wstring& path, const std::wstring& name = L"");
bool KeyExists(HKEY root, const std::wstring& path);
void WriteString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& value);

}  // namespace testing_support
