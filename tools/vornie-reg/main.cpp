// vornie-reg: reads and writes the registry from the command line.
//
//   vornie-reg set <ROOT\path> <name|@> <string>
//   vornie-reg set-dword <ROOT\path> <name|@> <n>
//   vornie-reg get <ROOT\path> <name|@>
//   vornie-reg list <ROOT\path>
//   vornie-reg delete-tree <ROOT\path>
//   vornie-reg fill <ROOT\path> <prefix> <count>
//
// ROOT is HKCR, HKCU or HKLM (or the long HKEY_... names); "@" is the key's
// default value; numbers are decimal, or hexadecimal after "0x". The store is
// the one the registry functions open: the file named by VORNIE_REGISTRY, else
// the per-user default; reading a store that does not exist finds nothing and
// creates nothing. Exit code 0 on success, 1 with a message on stderr saying
// what failed, where and why otherwise (a key or store that cannot be read
// part way through a listing, or output that cannot be written, included).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "platform/com/Text.h"
#include "platform/win/RegKey.h"

namespace {

struct Failure {
  std::string message;
};

std::string ErrorText(LSTATUS status) {
  switch (status) {
    case ERROR_FILE_NOT_FOUND:
      return "not found";
    case ERROR_ACCESS_DENIED:
      return "access denied";
    case ERROR_INVALID_HANDLE:
      return "invalid handle";
    case ERROR_INVALID_PARAMETER:
      return "invalid parameter";
    case ERROR_BAD_PATHNAME:
      return "bad key path";
    case ERROR_KEY_DELETED:
      return "key was deleted";
    case ERROR_CANTWRITE:
      return "store is busy or cannot be written";
    case ERROR_REGISTRY_CORRUPT:
      return "store is not a registry database";
    case ERROR_REGISTRY_IO_FAILED:
      return "store cannot be opened or used";
    default:
      return "error";
  }
}

void Check(LSTATUS status, const std::string& what) {
  if (status == ERROR_SUCCESS) return;
  std::string message = what + ": " + ErrorText(status) + " (" + std::to_string(status) + ")";
  if (const std::string reason = win::RegistryFailureReason(status); !reason.empty()) message += ": " + reason;
  throw Failure{message};
}

struct KeyPath {
  HKEY root;
  std::wstring rootName;  // short form, for output
  std::wstring subKey;    // may be empty: the root itself
  std::string text;       // as given, for messages
};

KeyPath ParseKeyPath(const std::string& arg) {
  const std::wstring wide = com::FromUtf8(arg);
  const size_t cut = wide.find(L'\\');
  const std::wstring root = wide.substr(0, cut);
  KeyPath path{nullptr, L"", cut == std::wstring::npos ? L"" : wide.substr(cut + 1), arg};
  struct Root {
    const wchar_t* shortName;
    const wchar_t* longName;
    HKEY key;
  };
  for (const Root& r : {Root{L"HKCR", L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                        Root{L"HKCU", L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                        Root{L"HKLM", L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}}) {
    if (com::EqualsNoCase(root, r.shortName) || com::EqualsNoCase(root, r.longName)) {
      path.root = r.key;
      path.rootName = r.shortName;
    }
  }
  if (!path.root) throw Failure{"unknown root in '" + arg + "' (use HKCR, HKCU or HKLM)"};
  while (!path.subKey.empty() && path.subKey.back() == L'\\') path.subKey.pop_back();
  return path;
}

std::wstring ValueNameArg(const std::string& arg) { return arg == "@" ? std::wstring() : com::FromUtf8(arg); }

// Decimal, whatever zeros it starts with ("010" is ten), or hexadecimal after "0x".
unsigned long long ParseNumber(const std::string& arg, unsigned long long max) {
  const bool hex = arg.size() > 2 && arg[0] == '0' && (arg[1] == 'x' || arg[1] == 'X');
  const std::string digits = hex ? arg.substr(2) : arg;
  const char* allowed = hex ? "0123456789abcdefABCDEF" : "0123456789";
  if (digits.empty() || digits.find_first_not_of(allowed) != std::string::npos)
    throw Failure{"not a " + std::string(hex ? "hexadecimal" : "decimal") + " number: '" + arg + "'"};
  errno = 0;
  const unsigned long long n = std::strtoull(digits.c_str(), nullptr, hex ? 16 : 10);
  if (errno == ERANGE || n > max)
    throw Failure{"number out of range: '" + arg + "' (0 to " + std::to_string(max) + ")"};
  return n;
}

std::string Hex(unsigned long long n) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%llx", n);
  return buf;
}

std::string TypeName(DWORD type) {
  switch (type) {
    case REG_NONE: return "REG_NONE";
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_QWORD: return "REG_QWORD";
    default: return "REG_TYPE_" + std::to_string(type);
  }
}

// Renders data the way `get` prints it: strings as text, numbers in decimal, the rest as hex bytes.
std::string FormatData(DWORD type, const std::vector<BYTE>& data, bool forList) {
  if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    std::copy(data.begin(), data.begin() + text.size() * sizeof(wchar_t), reinterpret_cast<BYTE*>(text.data()));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    if (type == REG_MULTI_SZ) {
      std::wstring joined;
      for (wchar_t c : text) joined += c ? std::wstring(1, c) : std::wstring(L"\\0");
      text = joined;
    } else if (const auto end = text.find(L'\0'); end != std::wstring::npos) {
      text.resize(end);
    }
    return com::ToUtf8(text);
  }
  if (type == REG_DWORD && data.size() == 4) {
    DWORD v;
    std::copy(data.begin(), data.end(), reinterpret_cast<BYTE*>(&v));
    return forList ? Hex(v) + " (" + std::to_string(v) + ")" : std::to_string(v);
  }
  if (type == REG_QWORD && data.size() == 8) {
    ULONGLONG v;
    std::copy(data.begin(), data.end(), reinterpret_cast<BYTE*>(&v));
    return forList ? Hex(v) + " (" + std::to_string(v) + ")" : std::to_string(v);
  }
  static const char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (BYTE b : data) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 0xF];
  }
  return hex;
}

win::RegKey OpenKey(const KeyPath& path, REGSAM sam) {
  win::RegKey key;
  Check(key.Open(path.root, path.subKey, sam), path.text);
  return key;
}

win::RegKey CreateKey(const KeyPath& path) {
  win::RegKey key;
  Check(key.Create(path.root, path.subKey), path.text);
  return key;
}

std::vector<BYTE> QueryValue(HKEY key, const std::wstring& name, DWORD& type) {
  const std::string what = "value '" + (name.empty() ? std::string("@") : com::ToUtf8(name)) + "'";
  DWORD size = 0;
  Check(win::RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size), what);
  for (;;) {
    std::vector<BYTE> data(size);
    const LSTATUS status = win::RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &size);
    if (status == ERROR_MORE_DATA) continue;  // it grew meanwhile; size says by how much
    Check(status, what);
    data.resize(size);
    return data;
  }
}

// A listing that cannot be completed fails as a whole, naming the key.
template <typename F>
auto Names(const std::wstring& shownPath, F&& walk) {
  try {
    return walk();
  } catch (const win::RegistryError& e) {
    throw Failure{com::ToUtf8(shownPath) + ": " + e.what()};
  }
}

void ListKey(const win::RegKey& key, const std::wstring& shownPath) {
  std::cout << com::ToUtf8(shownPath) << '\n';
  for (const std::wstring& name : Names(shownPath, [&] { return key.ValueNames(); })) {
    DWORD type = REG_NONE;
    const auto data = QueryValue(key.Get(), name, type);
    std::cout << "    " << (name.empty() ? std::string("(Default)") : com::ToUtf8(name)) << "    " << TypeName(type)
              << "    " << FormatData(type, data, true) << '\n';
  }
  for (const std::wstring& child : Names(shownPath, [&] { return key.SubKeyNames(); })) {
    const std::wstring childPath = shownPath + L"\\" + child;
    win::RegKey sub;
    Check(sub.Open(key.Get(), child, KEY_READ), com::ToUtf8(childPath));
    ListKey(sub, childPath);
  }
}

int Usage() {
  std::cerr << "usage: vornie-reg set <ROOT\\path> <name|@> <string>\n"
               "       vornie-reg set-dword <ROOT\\path> <name|@> <n>\n"
               "       vornie-reg get <ROOT\\path> <name|@>\n"
               "       vornie-reg list <ROOT\\path>\n"
               "       vornie-reg delete-tree <ROOT\\path>\n"
               "       vornie-reg fill <ROOT\\path> <prefix> <count>\n"
               "ROOT is HKCR, HKCU or HKLM; @ is the default value.\n";
  return 1;
}

int Run(const std::vector<std::string>& args) {
  if (args.empty()) return Usage();
  const std::string& command = args[0];
  const auto expect = [&](size_t n) {
    if (args.size() != n + 1) throw Failure{command + " takes " + std::to_string(n) + " argument(s); see vornie-reg"};
  };
  if (command == "set") {
    expect(3);
    win::RegKey key = CreateKey(ParseKeyPath(args[1]));
    Check(key.SetString(ValueNameArg(args[2]), com::FromUtf8(args[3])), args[1]);
  } else if (command == "set-dword") {
    expect(3);
    const auto n = static_cast<DWORD>(ParseNumber(args[3], 0xFFFFFFFFull));
    win::RegKey key = CreateKey(ParseKeyPath(args[1]));
    Check(key.SetDword(ValueNameArg(args[2]), n), args[1]);
  } else if (command == "get") {
    expect(2);
    win::RegKey key = OpenKey(ParseKeyPath(args[1]), KEY_READ);
    DWORD type = REG_NONE;
    const auto data = QueryValue(key.Get(), ValueNameArg(args[2]), type);
    std::cout << FormatData(type, data, false) << '\n';
  } else if (command == "list") {
    expect(1);
    const KeyPath path = ParseKeyPath(args[1]);
    win::RegKey key = OpenKey(path, KEY_READ);
    ListKey(key, path.rootName + (path.subKey.empty() ? L"" : L"\\" + path.subKey));
  } else if (command == "delete-tree") {
    expect(1);
    const KeyPath path = ParseKeyPath(args[1]);
    if (path.subKey.empty()) throw Failure{"delete-tree needs a key below the root, not '" + args[1] + "'"};
    Check(win::RegDeleteTreeW(path.root, path.subKey.c_str()), args[1]);
  } else if (command == "fill") {
    expect(3);
    const auto count = static_cast<DWORD>(ParseNumber(args[3], 1000000));
    win::RegKey key = CreateKey(ParseKeyPath(args[1]));
    const std::wstring prefix = com::FromUtf8(args[2]);
    for (DWORD i = 0; i < count; ++i) {
      const std::wstring name = prefix + std::to_wstring(i);
      Check(win::RegSetValueExW(key.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&i), sizeof i),
            args[1] + " value " + com::ToUtf8(name));
    }
  } else {
    std::cerr << "vornie-reg: unknown command '" << command << "'\n";
    return Usage();
  }
  return 0;
}

}  // namespace

// Output that never arrived is a failure too (a full disk, a closed pipe).
int FinishOutput(int code) {
  std::cout.flush();
  errno = 0;
  if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::cerr << "vornie-reg: cannot write the output: " << (errno ? std::strerror(errno) : "write error") << '\n';
    return 1;
  }
  return code;
}

int main(int argc, char** argv) {
  try {
    return FinishOutput(Run(std::vector<std::string>(argv + 1, argv + argc)));
  } catch (const Failure& f) {
    std::cerr << "vornie-reg: " << f.message << '\n';
  } catch (const std::exception& e) {
    std::cerr << "vornie-reg: " << e.what() << '\n';
  }
  return 1;
}
