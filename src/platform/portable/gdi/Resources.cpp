// A module's bitmaps on the portable system: files in resources/ beside the
// module's file, read into DIB sections (see platform/win/Resources.h).
#include "platform/win/Resources.h"

#include <dlfcn.h>
#include <link.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "platform/com/Text.h"
#include "platform/forms/BmpReader.h"

namespace win {

namespace {

HANDLE Fail(DWORD error) {
  SetLastError(error);
  return nullptr;
}

std::filesystem::path RealPath(const char* path) {
  char resolved[PATH_MAX];
  return std::filesystem::path(realpath(path, resolved) ? resolved : path);
}

std::filesystem::path ProgramFile() {
  char self[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  return n > 0 ? std::filesystem::path(std::string(self, static_cast<std::size_t>(n))) : std::filesystem::path();
}

int CollectName(dl_phdr_info* info, size_t, void* names) {
  static_cast<std::vector<std::string>*>(names)->push_back(info->dlpi_name ? info->dlpi_name : "");
  return 0;
}

// The file of the module an instance handle stands for: a handle that
// LoadLibraryW (dlopen) answered, or an address inside the module.
std::filesystem::path ModuleFileOf(HINSTANCE instance) {
  if (!instance) return {};
  // dlopen is not called while the loader walks its list: the walk holds the
  // loader's lock.
  std::vector<std::string> names;
  dl_iterate_phdr(CollectName, &names);
  for (const std::string& name : names) {
    void* handle = dlopen(name.empty() ? nullptr : name.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (!handle) continue;
    const bool same = handle == static_cast<void*>(instance);
    dlclose(handle);
    if (same) return name.empty() ? ProgramFile() : RealPath(name.c_str());
  }
  Dl_info info{};
  link_map* map = nullptr;
  if (!dladdr1(static_cast<const void*>(instance), &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) || !map)
    return {};
  // The program itself has no name in the loader's list.
  return map->l_name && *map->l_name ? RealPath(map->l_name) : ProgramFile();
}

std::wstring Folded(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
  return s;
}

// The resource file of `name` in the module's folder, found without regard
// to case; the error for the caller when there is none.
std::filesystem::path ResourceFile(HINSTANCE instance, LPCWSTR name, DWORD& error) {
  const std::filesystem::path module = ModuleFileOf(instance);
  if (module.empty()) {
    error = ERROR_INVALID_HANDLE;
    return {};
  }
  std::error_code ec;
  std::filesystem::directory_iterator entries(module.parent_path() / "resources", ec);
  if (ec) {
    error = ERROR_RESOURCE_TYPE_NOT_FOUND;
    return {};
  }
  error = ERROR_RESOURCE_NAME_NOT_FOUND;
  if (IS_INTRESOURCE(name)) return {};
  const std::wstring wanted = Folded(std::wstring(name) + L".bmp");
  for (auto it = entries; it != std::filesystem::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    if (Folded(com::FromUtf8(it->path().filename().string())) == wanted) return it->path();
  }
  return {};
}

bool ReadFile(const std::filesystem::path& file, std::vector<std::uint8_t>& bytes) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  constexpr std::uint64_t kMost = forms::kMaxPicturePixelBytes + (1u << 20);
  bytes.clear();
  char chunk[65536];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    if (bytes.size() > kMost) return false;
  }
  return !in.bad();
}

// A DIB section holding the picture, rows in the file's order.
HBITMAP SectionOf(const forms::BmpPicture& picture) {
  const int bpp = picture.bitCount == 24 ? 24 : 32;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = picture.topDown ? -picture.height : picture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(bpp);
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!section) return nullptr;  // CreateDIBSection set the reason
  if (!bits) {
    DeleteObject(section);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  const std::size_t rowBytes = ((static_cast<std::size_t>(picture.width) * bpp + 31) / 32) * 4;
  for (int y = 0; y < picture.height; ++y) {
    auto* row = static_cast<std::uint8_t*>(bits) +
                rowBytes * static_cast<std::size_t>(picture.topDown ? y : picture.height - 1 - y);
    const std::uint32_t* in = picture.pixels.data() + static_cast<std::size_t>(y) * picture.width;
    for (int x = 0; x < picture.width; ++x) {
      std::uint8_t* p = row + static_cast<std::size_t>(x) * (bpp / 8);
      p[0] = static_cast<std::uint8_t>(in[x]);
      p[1] = static_cast<std::uint8_t>(in[x] >> 8);
      p[2] = static_cast<std::uint8_t>(in[x] >> 16);
      if (bpp == 32) p[3] = picture.hasAlpha ? static_cast<std::uint8_t>(in[x] >> 24) : 0;
    }
  }
  return section;
}

}  // namespace

HANDLE LoadImageW(HINSTANCE hInst, LPCWSTR name, UINT type, int cx, int cy, UINT fuLoad) {
  constexpr UINT kKnown = LR_CREATEDIBSECTION | LR_DEFAULTSIZE | LR_LOADFROMFILE;
  if (!name || type != IMAGE_BITMAP || (fuLoad & ~kKnown) || !(fuLoad & LR_CREATEDIBSECTION) || cx < 0 || cy < 0)
    return Fail(ERROR_INVALID_PARAMETER);
  try {
    std::filesystem::path file;
    if (fuLoad & LR_LOADFROMFILE) {
      if (IS_INTRESOURCE(name)) return Fail(ERROR_INVALID_PARAMETER);
      file = com::ToUtf8(name);
      std::error_code ec;
      if (!std::filesystem::is_regular_file(file, ec)) return Fail(ERROR_FILE_NOT_FOUND);
    } else {
      DWORD error = ERROR_SUCCESS;
      file = ResourceFile(hInst, name, error);
      if (file.empty()) return Fail(error);
    }
    std::vector<std::uint8_t> bytes;
    if (!ReadFile(file, bytes)) return Fail(ERROR_INVALID_DATA);
    forms::BmpPicture picture;
    if (forms::ReadBmp(bytes.data(), bytes.size(), picture)) return Fail(ERROR_INVALID_DATA);
    if ((cx && cx != picture.width) || (cy && cy != picture.height)) return Fail(ERROR_INVALID_PARAMETER);
    return SectionOf(picture);
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  } catch (...) {
    return Fail(ERROR_INVALID_DATA);
  }
}

}  // namespace win
