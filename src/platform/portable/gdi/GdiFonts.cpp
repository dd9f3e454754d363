// FreeType behind the portable GDI's fonts. One FT_Library per process and
// faces cached by (file, pixel size), all under the GDI table's mutex.
#include "platform/portable/gdi/GdiFonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <tuple>
#include <utility>

namespace win::portable::gdi {

namespace {

constexpr int kDefaultEm = 11;

const std::vector<std::string>& SystemFolders() {
  static const std::vector<std::string> folders{
      "/usr/share/fonts/truetype/liberation2",
      "/usr/share/fonts/truetype/liberation",
      "/usr/share/fonts/truetype/dejavu",
  };
  return folders;
}

enum class Family { kSans, kSerif, kMono };

std::wstring Lower(const WCHAR* name) {
  std::wstring s;
  for (int i = 0; i < LF_FACESIZE && name[i]; ++i) {
    WCHAR c = name[i];
    if (c >= L'A' && c <= L'Z') c = static_cast<WCHAR>(c - L'A' + L'a');
    s.push_back(c);
  }
  return s;
}

// As Wine substitutes on a system without Microsoft's fonts: the metric-compatible
// Liberation families, Sans for every name it does not know.
Family FamilyOf(const LOGFONTW& lf) {
  const std::wstring name = Lower(lf.lfFaceName);
  static const wchar_t* const kMono[] = {L"courier new", L"courier", L"fixedsys", L"terminal", L"lucida console",
                                         L"consolas", L"liberation mono", L"dejavu sans mono"};
  static const wchar_t* const kSerif[] = {L"times new roman", L"times", L"ms serif", L"liberation serif",
                                          L"dejavu serif", L"georgia"};
  for (const wchar_t* n : kMono)
    if (name == n) return Family::kMono;
  for (const wchar_t* n : kSerif)
    if (name == n) return Family::kSerif;
  if (name.empty() && (lf.lfPitchAndFamily & 0x3) == FIXED_PITCH) return Family::kMono;
  return Family::kSans;
}

// File names to try for a family and style, best first: the styled files,
// then the regular ones (the style is then made up by FreeType).
std::vector<std::pair<std::string, bool>> Candidates(Family family, bool bold, bool italic) {
  static const char* const kLiberation[] = {"LiberationSans", "LiberationSerif", "LiberationMono"};
  static const char* const kDejaVu[] = {"DejaVuSans", "DejaVuSerif", "DejaVuSansMono"};
  const int f = static_cast<int>(family);
  const bool serif = family == Family::kSerif;
  std::string lib = std::string(kLiberation[f]) + "-" + (bold ? (italic ? "BoldItalic" : "Bold") : (italic ? "Italic" : "Regular"));
  std::string dv = std::string(kDejaVu[f]);
  if (bold || italic) dv += std::string("-") + (bold ? "Bold" : "") + (italic ? (serif ? "Italic" : "Oblique") : "");
  std::vector<std::pair<std::string, bool>> out{{lib + ".ttf", true}, {dv + ".ttf", true}};
  if (bold || italic) {
    out.emplace_back(std::string(kLiberation[f]) + "-Regular.ttf", false);
    out.emplace_back(std::string(kDejaVu[f]) + ".ttf", false);
  }
  return out;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

class Face final : public SizedFace {
 public:
  Face(FT_Face face, int em, bool mono, bool emboldenMissing, bool slantMissing, const LOGFONTW& lf)
      : face_(face), mono_(mono), embolden_(emboldenMissing), slant_(slantMissing) {
    FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(em));
    const double scale = static_cast<double>(em) / face_->units_per_EM;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    double asc = face_->ascender, desc = -face_->descender;
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
      asc = os2->usWinAscent;
      desc = os2->usWinDescent;
    }
    m_.em = em;
    m_.ascent = static_cast<int>(std::lround(asc * scale));
    m_.descent = static_cast<int>(std::lround(desc * scale));
    m_.height = m_.ascent + m_.descent;
    m_.internalLeading = std::max(0, m_.height - em);
    m_.aveCharWidth = os2 && os2->xAvgCharWidth > 0 ? static_cast<int>(std::lround(os2->xAvgCharWidth * scale))
                                                    : std::max(1, em / 2);
    m_.maxCharWidth = static_cast<int>(std::lround((face_->bbox.xMax - face_->bbox.xMin) * scale));
    m_.fixedPitch = FT_IS_FIXED_WIDTH(face_);
    if (embolden_) {
      m_.aveCharWidth += 1;
      m_.maxCharWidth += 1;
    }
    m_.underlineThickness = std::max(1, static_cast<int>(std::lround(face_->underline_thickness * scale)));
    m_.underlineTop = m_.ascent + std::max(1, static_cast<int>(std::lround(-face_->underline_position * scale)));
    if (m_.underlineTop + m_.underlineThickness > m_.height) m_.underlineTop = m_.height - m_.underlineThickness;
    m_.strikeThickness = m_.underlineThickness;
    const double strike = os2 && os2->yStrikeoutPosition > 0 ? os2->yStrikeoutPosition : face_->units_per_EM / 4.0;
    m_.strikeTop = m_.ascent - static_cast<int>(std::lround(strike * scale));
    (void)lf;
  }
  ~Face() override { FT_Done_Face(face_); }
  Face(const Face&) = delete;
  Face& operator=(const Face&) = delete;

  const FontMetrics& Metrics() const override { return m_; }

  int Advance(char32_t c) override {
    auto it = advances_.find(c);
    if (it != advances_.end()) return it->second;
    int advance = 0;
    if (Load(c)) advance = static_cast<int>((face_->glyph->advance.x + 32) >> 6);
    advances_.emplace(c, advance);
    return advance;
  }

  bool Render(char32_t c, Glyph& out) override {
    if (!Load(c)) return false;
    if (FT_Render_Glyph(face_->glyph, mono_ ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return false;
    const FT_Bitmap& bm = face_->glyph->bitmap;
    out.left = face_->glyph->bitmap_left;
    out.top = face_->glyph->bitmap_top;
    out.width = static_cast<int>(bm.width);
    out.rows = static_cast<int>(bm.rows);
    out.pitch = bm.pitch;
    out.mono = bm.pixel_mode == FT_PIXEL_MODE_MONO;
    out.buffer = bm.buffer;
    return bm.pixel_mode == FT_PIXEL_MODE_MONO || bm.pixel_mode == FT_PIXEL_MODE_GRAY;
  }

 private:
  bool Load(char32_t c) {
    const FT_UInt index = FT_Get_Char_Index(face_, static_cast<FT_ULong>(c));
    const FT_Int32 flags = FT_LOAD_NO_BITMAP | (mono_ ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (FT_Load_Glyph(face_, index, flags) != 0) return false;
    if (slant_) FT_GlyphSlot_Oblique(face_->glyph);
    if (embolden_) FT_GlyphSlot_Embolden(face_->glyph);
    return true;
  }

  FT_Face face_;
  bool mono_;
  bool embolden_;
  bool slant_;
  FontMetrics m_;
  std::unordered_map<char32_t, int> advances_;
};

class Library {
 public:
  static Library& Instance() {
    static Library* library = new Library();  // faces may be asked for while statics go
    return *library;
  }

  void SetFolders(const std::vector<std::string>& folders) {
    folders_ = folders;
    faces_.clear();
    cellPerEm_.clear();
    files_.clear();
  }

  SizedFace* Get(const LOGFONTW& lf) {
    if (!ready_) return nullptr;
    const bool bold = lf.lfWeight >= FW_SEMIBOLD;
    const bool italic = lf.lfItalic != 0;
    const bool mono = lf.lfQuality == NONANTIALIASED_QUALITY;
    // The files of a family and style are looked for once: every text
    // measured asks for its face, and the folders do not change meanwhile.
    const FileKey fileKey{static_cast<int>(FamilyOf(lf)), bold, italic};
    auto found = files_.find(fileKey);
    if (found == files_.end()) found = files_.emplace(fileKey, UsableFiles(FamilyOf(lf), bold, italic)).first;
    for (const auto& [path, styled] : found->second) {
      const int em = EmPixels(lf, CellPerEm(path));
      const bool emboldenMissing = bold && !styled;
      const bool slantMissing = italic && !styled;
      const Key key{path, em, mono, emboldenMissing, slantMissing};
      auto it = faces_.find(key);
      if (it != faces_.end()) return it->second.get();
      FT_Face face = nullptr;
      if (FT_New_Face(library_, path.c_str(), 0, &face) != 0) continue;
      auto sized = std::make_unique<Face>(face, em, mono, emboldenMissing, slantMissing, lf);
      SizedFace* result = sized.get();
      faces_.emplace(key, std::move(sized));
      return result;
    }
    return nullptr;
  }

 private:
  Library() { ready_ = FT_Init_FreeType(&library_) == 0; }

  // The font files of the family and style that exist and can be read, best first, with
  // whether each has the style itself.
  std::vector<std::pair<std::string, bool>> UsableFiles(Family family, bool bold, bool italic) {
    std::vector<std::pair<std::string, bool>> usable;
    for (const auto& [file, styled] : Candidates(family, bold, italic))
      for (const std::string& folder : folders_.empty() ? SystemFolders() : folders_) {
        const std::string path = folder + "/" + file;
        if (FileExists(path) && CellPerEm(path) > 0) usable.emplace_back(path, styled);
      }
    return usable;
  }

  // The face's cell height (Windows' ascent + descent) per em; 0 when it cannot be read.
  double CellPerEm(const std::string& path) {
    auto it = cellPerEm_.find(path);
    if (it != cellPerEm_.end()) return it->second;
    double ratio = 0;
    FT_Face face = nullptr;
    if (FT_New_Face(library_, path.c_str(), 0, &face) == 0) {
      const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
      const double cell = os2 && os2->usWinAscent + os2->usWinDescent > 0
                              ? static_cast<double>(os2->usWinAscent + os2->usWinDescent)
                              : static_cast<double>(face->ascender - face->descender);
      if (face->units_per_EM > 0) ratio = cell / face->units_per_EM;
      FT_Done_Face(face);
    }
    cellPerEm_[path] = ratio;
    return ratio;
  }

  using Key = std::tuple<std::string, int, bool, bool, bool>;
  using FileKey = std::tuple<int, bool, bool>;
  std::map<FileKey, std::vector<std::pair<std::string, bool>>> files_;
  FT_Library library_ = nullptr;
  bool ready_ = false;
  std::vector<std::string> folders_;
  std::map<Key, std::unique_ptr<Face>> faces_;
  std::map<std::string, double> cellPerEm_;
};

}  // namespace

int EmPixels(const LOGFONTW& lf, double cellPerEm) {
  if (lf.lfHeight < 0) return std::max(1, static_cast<int>(-lf.lfHeight));
  if (lf.lfHeight == 0) return kDefaultEm;
  return std::max(1, static_cast<int>(std::lround(lf.lfHeight / cellPerEm)));
}

SizedFace* FaceFor(const LOGFONTW& lf) { return Library::Instance().Get(lf); }

FontMetrics FallbackMetrics(const LOGFONTW& lf) {
  FontMetrics m;
  m.em = EmPixels(lf, 1.0);
  m.height = m.em;
  m.ascent = m.em - m.em / 5;
  m.descent = m.height - m.ascent;
  m.aveCharWidth = std::max(1, m.em / 2);
  m.maxCharWidth = m.aveCharWidth;
  m.underlineTop = std::min(m.ascent + 1, m.height - 1);
  m.strikeTop = m.ascent / 2;
  m.fixedPitch = true;
  return m;
}

void SetFontFolders(const std::vector<std::string>& folders) { Library::Instance().SetFolders(folders); }

}  // namespace win::portable::gdi
