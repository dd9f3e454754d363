// One clipboard per process, and the movable memory blocks its data lives in.
#include "platform/win/Clipboard.h"

#include <array>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/win/Window.h"

namespace win {

namespace {

struct Block {
  std::vector<unsigned char> bytes;
  int locks = 0;
};

std::mutex& BlocksMutex() {
  static auto* mutex = new std::mutex();
  return *mutex;
}
std::unordered_set<Block*>& Blocks() {
  static auto* blocks = new std::unordered_set<Block*>();
  return *blocks;
}

Block* Valid(HGLOBAL h) {
  auto* block = static_cast<Block*>(h);
  return Blocks().count(block) ? block : nullptr;
}

void FreeBlock(HGLOBAL h) {
  std::lock_guard lock(BlocksMutex());
  if (Block* block = Valid(h)) {
    Blocks().erase(block);
    delete block;
  }
}

struct Clipboard {
  std::mutex mutex;
  bool open = false;
  DWORD openThread = 0;
  HWND opener = nullptr;
  bool emptiedByOpener = false;
  HWND owner = nullptr;
  std::map<UINT, HGLOBAL> data;         // what was set
  std::map<UINT, HGLOBAL> synthesized;  // text formats made from the other text format
};

Clipboard& State() {
  static auto* clipboard = new Clipboard();
  return *clipboard;
}

bool OpenedByCaller(const Clipboard& c) { return c.open && c.openThread == GetCurrentThreadId(); }

void DropSynthesized(Clipboard& c) {
  for (auto& [format, h] : c.synthesized) FreeBlock(h);
  c.synthesized.clear();
}

// The ANSI code page: windows-1252. Its 0x80..0x9F row; the rest of the upper half is Latin-1.
constexpr std::array<wchar_t, 32> kHighRow = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char ToAnsi(wchar_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (size_t i = 0; i < kHighRow.size(); ++i)
    if (kHighRow[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}

wchar_t FromAnsi(unsigned char b) { return (b >= 0x80 && b < 0xA0) ? kHighRow[b - 0x80] : static_cast<wchar_t>(b); }

// Text of one format made from the other; null when there is nothing to make it from.
HGLOBAL Synthesize(Clipboard& c, UINT format) {
  std::lock_guard lock(BlocksMutex());
  if (format == CF_TEXT || format == CF_OEMTEXT) {
    auto it = c.data.find(CF_UNICODETEXT);
    if (it == c.data.end()) return nullptr;
    Block* source = Valid(it->second);
    if (!source) return nullptr;
    std::string ansi;
    const size_t units = source->bytes.size() / sizeof(wchar_t);
    for (size_t i = 0; i < units; ++i) {
      wchar_t ch;
      std::memcpy(&ch, source->bytes.data() + i * sizeof(wchar_t), sizeof ch);
      if (ch == 0) break;
      ansi += ToAnsi(ch);
    }
    auto* block = new Block{std::vector<unsigned char>(ansi.begin(), ansi.end()), 0};
    block->bytes.push_back(0);
    Blocks().insert(block);
    return block;
  }
  if (format == CF_UNICODETEXT) {
    auto it = c.data.find(CF_TEXT);
    if (it == c.data.end()) it = c.data.find(CF_OEMTEXT);
    if (it == c.data.end()) return nullptr;
    Block* source = Valid(it->second);
    if (!source) return nullptr;
    std::wstring wide;
    for (unsigned char b : source->bytes) {
      if (b == 0) break;
      wide += FromAnsi(b);
    }
    auto* block = new Block{std::vector<unsigned char>((wide.size() + 1) * sizeof(wchar_t)), 0};
    std::memcpy(block->bytes.data(), wide.c_str(), block->bytes.size());
    Blocks().insert(block);
    return block;
  }
  return nullptr;
}

}  // namespace

BOOL OpenClipboard(HWND hWndNewOwner) {
  Clipboard& c = State();
  std::lock_guard lock(c.mutex);
  if (c.open && c.openThread != GetCurrentThreadId()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (!c.open) c.emptiedByOpener = false;
  c.open = true;
  c.openThread = GetCurrentThreadId();
  c.opener = hWndNewOwner;
  return TRUE;
}

BOOL CloseClipboard() {
  Clipboard& c = State();
  std::lock_guard lock(c.mutex);
  if (!OpenedByCaller(c)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return FALSE;
  }
  c.open = false;
  c.openThread = 0;
  c.emptiedByOpener = false;
  return TRUE;
}

BOOL EmptyClipboard() {
  Clipboard& c = State();
  std::lock_guard lock(c.mutex);
  if (!OpenedByCaller(c)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return FALSE;
  }
  for (auto& [format, h] : c.data) FreeBlock(h);
  c.data.clear();
  DropSynthesized(c);
  c.owner = c.opener;
  c.emptiedByOpener = true;
  return TRUE;
}

HANDLE SetClipboardData(UINT uFormat, HANDLE hMem) {
  Clipboard& c = State();
  std::lock_guard lock(c.mutex);
  if (!OpenedByCaller(c) || !c.emptiedByOpener) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  if (!hMem) return nullptr;  // delayed rendering is not offered
  {
    std::lock_guard blocks(BlocksMutex());
    if (!Valid(hMem)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
    }
  }
  auto it = c.data.find(uFormat);
  if (it != c.data.end() && it->second != hMem) FreeBlock(it->second);
  c.data[uFormat] = hMem;
  DropSynthesized(c);
  return hMem;
}

HANDLE GetClipboardData(UINT uFormat) {
  Clipboard& c = State();
  std::lock_guard lock(c.mutex);
  if (!OpenedByCaller(c)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return nullptr;
  }
  if (auto it = c.data.find(uFormat); it != c.data.end()) return it->second;
  if (auto it = c.synthesized.find(uFormat); it != c.synthesized.end()) return it->second;
  HGLOBAL made = Synthesize(c, uFormat);
  if (made) c.synthesized[uFormat] = made;
  return made;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  Clipboard& c = State();
  std::lock_guard lock(c.mutex);
  if (c.data.count(format)) return TRUE;
  if (format == CF_TEXT || format == CF_OEMTEXT) return c.data.count(CF_UNICODETEXT) ? TRUE : FALSE;
  if (format == CF_UNICODETEXT) return (c.data.count(CF_TEXT) || c.data.count(CF_OEMTEXT)) ? TRUE : FALSE;
  return FALSE;
}

HGLOBAL GlobalAlloc(UINT, SIZE_T dwBytes) {
  try {
    auto* block = new Block{std::vector<unsigned char>(dwBytes), 0};
    std::lock_guard lock(BlocksMutex());
    Blocks().insert(block);
    return block;
  } catch (...) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
}

LPVOID GlobalLock(HGLOBAL hMem) {
  std::lock_guard lock(BlocksMutex());
  Block* block = Valid(hMem);
  if (!block) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (block->bytes.empty()) return nullptr;  // a block of no bytes has no memory to lock
  ++block->locks;
  return block->bytes.data();
}

BOOL GlobalUnlock(HGLOBAL hMem) {
  std::lock_guard lock(BlocksMutex());
  Block* block = Valid(hMem);
  if (!block) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (block->locks == 0) {
    SetLastError(ERROR_NOT_LOCKED);
    return FALSE;
  }
  --block->locks;
  if (block->locks == 0) SetLastError(ERROR_SUCCESS);
  return block->locks != 0 ? TRUE : FALSE;
}

SIZE_T GlobalSize(HGLOBAL hMem) {
  std::lock_guard lock(BlocksMutex());
  Block* block = Valid(hMem);
  if (!block) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return block->bytes.size();
}

HGLOBAL GlobalFree(HGLOBAL hMem) {
  std::lock_guard lock(BlocksMutex());
  Block* block = Valid(hMem);
  if (!block) {
    SetLastError(ERROR_INVALID_HANDLE);
    return hMem;
  }
  Blocks().erase(block);
  delete block;
  return nullptr;
}

}  // namespace win
