#include "support/TestRegistry.h"

#include <stdexcept>

namespace testing_support {

namespace {

void Walk(const win::RegKey& key, const std::wstring& path, std::map<std::wstring, std::wstring>& out) {
  out[path + L"\\"] = L"";
  for (const auto& name : key.ValueNames()) {
    std::wstring data;
    if (auto s = key.GetString(name))
      data = L"SZ:" + *s;
    else if (auto d = key.GetDword(name))
      data = L"DWORD:" + std::to_wstring(*d);
    else
      data = L"OTHER";
    out[path + L"\\" + name] = data;
  }
  for (const auto& sub : key.SubKeyNames()) {
    win::RegKey child;
    if (child.Open(key.Get(), sub) == ERROR_SUCCESS) Walk(child, path + L"\\" + sub, out);
  }
}

}  // namespace

std::map<std::wstring, std::wstring> Snapshot(HKEY root, const std::wstring& path) {
  std::map<std::wstring, std::wstring> out;
  win::RegKey key;
  if (key.Open(root, path) == ERROR_SUCCESS) Walk(key, path, out);
  return out;
}

std::wstring ReadString(HKEY root, const std::wstring& path, const std::wstring& name) {
  win::RegKey key;
  if (key.Open(root, path) != ERROR_SUCCESS) return L"<missing>";
  return key.GetString(name).value_or(L"<missing>");
}

bool KeyExists(HKEY root, const std::wstring& path) {
  win::RegKey key;
  return key.Open(root, path) == ERROR_SUCCESS;
}

void WriteString(HKEY root, const std::wstring& path, const std::wstring& name, const std::wstring& value) {
  win::RegKey key;
  if (key.Create(root, path) != ERROR_SUCCESS || key.SetString(name, value) != ERROR_SUCCESS)
    throw std::runtime_error("cannot write the test registry");
}

}  // namespace testing_support
