// Reading Windows BMP file images: every layout a file may use, and files
// that lie about themselves.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"
#include "platform/forms/TBitmap.h"

namespace {

using forms::TBitmap;

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  out[at] = static_cast<std::uint8_t>(v);
  out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A test picture of width x height whose colours come from `colors` by position.
std::vector<std::uint32_t> Picture(int width, int height, const std::vector<std::uint32_t>& colors) {
  std::vector<std::uint32_t> p;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) p.push_back(colors[static_cast<std::size_t>(x * 3 + y * 5) % colors.size()]);
  return p;
}

struct BmpLayout {
  int width = 5, height = 3;
  int bpp = 24;
  bool topDown = false;
  std::uint32_t headerSize = 40;
  std::uint32_t compression = 0;  // BI_RGB
  std::vector<std::uint32_t> masks;  // written for BI_BITFIELDS
  std::vector<std::uint32_t> palette;
};

// Writes the picture (0x00RRGGBB per pixel, or palette indexes for <= 8 bits) as a BMP file.
std::vector<std::uint8_t> WriteBmp(const BmpLayout& s, const std::vector<std::uint32_t>& pixels) {
  const bool core = s.headerSize == 12;
  const std::size_t entry = core ? 3 : 4;
  const std::size_t maskBytes = (s.compression == 3 && s.headerSize == 40) ? 12 : 0;
  const std::size_t tableBytes = s.palette.size() * entry;
  const std::size_t offBits = 14 + s.headerSize + maskBytes + tableBytes;
  const std::size_t rowBytes = ((static_cast<std::size_t>(s.width) * s.bpp + 31) / 32) * 4;
  std::vector<std::uint8_t> out(offBits + rowBytes * s.height, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, static_cast<std::uint32_t>(out.size()));
  Put32(out, 10, static_cast<std::uint32_t>(offBits));
  Put32(out, 14, s.headerSize);
  if (core) {
    Put16(out, 18, s.width);
    Put16(out, 20, s.height);
    Put16(out, 22, 1);
    Put16(out, 24, s.bpp);
  } else {
    Put32(out, 18, s.width);
    Put32(out, 22, static_cast<std::uint32_t>(s.topDown ? -s.height : s.height));
    Put16(out, 26, 1);
    Put16(out, 28, s.bpp);
    Put32(out, 30, s.compression);
    Put32(out, 46, static_cast<std::uint32_t>(s.palette.size()));
    // Inside a larger header or right after a 40-byte one: the same place.
    for (std::size_t i = 0; i < s.masks.size(); ++i) Put32(out, 54 + 4 * i, s.masks[i]);
  }
  for (std::size_t i = 0; i < s.palette.size(); ++i) {
    const std::size_t at = 14 + s.headerSize + maskBytes + i * entry;
    out[at] = static_cast<std::uint8_t>(s.palette[i]);
    out[at + 1] = static_cast<std::uint8_t>(s.palette[i] >> 8);
    out[at + 2] = static_cast<std::uint8_t>(s.palette[i] >> 16);
  }
  for (int y = 0; y < s.height; ++y) {
    const int fileRow = s.topDown ? y : s.height - 1 - y;
    std::uint8_t* row = out.data() + offBits + rowBytes * fileRow;
    for (int x = 0; x < s.width; ++x) {
      const std::uint32_t v = pixels[static_cast<std::size_t>(y) * s.width + x];
      switch (s.bpp) {
        case 1: row[x / 8] |= static_cast<std::uint8_t>(v << (7 - x % 8)); break;
        case 4: row[x / 2] |= static_cast<std::uint8_t>(v << (x % 2 ? 0 : 4)); break;
        case 8: row[x] = static_cast<std::uint8_t>(v); break;
        case 16: row[2 * x] = static_cast<std::uint8_t>(v); row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8); break;
        case 24:
          row[3 * x] = static_cast<std::uint8_t>(v);
          row[3 * x + 1] = static_cast<std::uint8_t>(v >> 8);
          row[3 * x + 2] = static_cast<std::uint8_t>(v >> 16);
          break;
        default: std::memcpy(row + 4 * x, &v, 4);
      }
    }
  }
  return out;
}

std::vector<std::uint32_t> Opaque(std::vector<std::uint32_t> colors) {
  for (auto& c : colors) c |= 0xFF000000u;
  return colors;
}

TEST(TBitmapBmp, ReadsEveryUncompressedLayout) {
  const std::vector<std::uint32_t> colors = {0x102030, 0xFFFFFF, 0x000000, 0xC0FFEE, 0x7F0080, 0x00A000};
  for (bool topDown : {false, true}) {
    // Direct colours: 24 bits and 32 bits, plain and with masks in and after the header.
    struct Direct {
      BmpLayout layout;
      forms::TPixelFormat format;
    } const direct[] = {
        {{.bpp = 24, .topDown = topDown}, forms::pf24bit},
        {{.bpp = 32, .topDown = topDown}, forms::pf32bit},
        {{.bpp = 32, .topDown = topDown, .compression = 3, .masks = {0xFF0000, 0xFF00, 0xFF}}, forms::pf32bit},
        {{.bpp = 32, .topDown = topDown, .headerSize = 108, .compression = 3, .masks = {0xFF0000, 0xFF00, 0xFF}},
         forms::pf32bit},
        {{.bpp = 32, .topDown = topDown, .headerSize = 124, .compression = 3, .masks = {0xFF0000, 0xFF00, 0xFF}},
         forms::pf32bit},
    };
    for (const Direct& d : direct) {
      SCOPED_TRACE(testing::Message() << d.layout.bpp << " bits, header " << d.layout.headerSize << ", top-down "
                                      << topDown);
      const auto picture = Picture(d.layout.width, d.layout.height, colors);
      TBitmap b;
      b.LoadFromBytes(WriteBmp(d.layout, picture));
      EXPECT_EQ(b.Width(), d.layout.width);
      EXPECT_EQ(b.Height(), d.layout.height);
      EXPECT_EQ(b.Pixels(), Opaque(picture));
      EXPECT_EQ(b.PixelFormat(), d.format);
    }
    // Palettes of 1, 4 and 8 bits, and the OS/2 core header (always bottom-up).
    for (int bpp : {1, 4, 8}) {
      for (std::uint32_t header : {40u, 12u}) {
        if (header == 12 && topDown) continue;
        SCOPED_TRACE(testing::Message() << bpp << " bits, header " << header << ", top-down " << topDown);
        BmpLayout layout{.width = 11, .height = 3, .bpp = bpp, .topDown = topDown, .headerSize = header};
        layout.palette.assign(colors.begin(), colors.begin() + (bpp == 1 ? 2 : 6));
        if (header == 12) layout.palette.resize(static_cast<std::size_t>(1) << bpp, 0x0000FF);
        std::vector<std::uint32_t> indexes;
        for (int i = 0; i < 33; ++i) indexes.push_back(static_cast<std::uint32_t>(i * 7 % (bpp == 1 ? 2 : 6)));
        TBitmap b;
        b.LoadFromBytes(WriteBmp(layout, indexes));
        ASSERT_EQ(b.Pixels().size(), 33u);
        for (int i = 0; i < 33; ++i)
          EXPECT_EQ(b.Pixels()[static_cast<std::size_t>(i)], 0xFF000000u | layout.palette[indexes[static_cast<std::size_t>(i)]]);
        EXPECT_EQ(b.PixelFormat(), bpp == 1 ? forms::pf1bit : bpp == 4 ? forms::pf4bit : forms::pf8bit);
        EXPECT_EQ(b.Palette(), layout.palette);  // the file's own colours
      }
    }
  }
}

// Plain 32-bit files carry alpha in the fourth byte when any pixel sets it
// (files whose fourth bytes are all 0 are opaque: ReadsEveryUncompressedLayout).
TEST(TBitmapBmp, PlainThirtyTwoBitFilesKeepTheirAlpha) {
  const std::vector<std::uint32_t> pixels = {0xFF102030u, 0x80FF0000u, 0x00000000u, 0x4000FF00u, 0x01FFFFFFu, 0xFF000000u};
  for (bool topDown : {false, true}) {
    SCOPED_TRACE(topDown);
    TBitmap b;
    b.LoadFromBytes(WriteBmp({.width = 3, .height = 2, .bpp = 32, .topDown = topDown}, pixels));
    EXPECT_EQ(b.Pixels(), pixels);
    EXPECT_EQ(b.PixelFormat(), forms::pf32bit);
  }
}

TEST(TBitmapBmp, ReadsSixteenBitMasks) {
  // 5-5-5 without masks, 5-6-5 with them; pure red and a mid grey.
  BmpLayout plain{.width = 2, .height = 1, .bpp = 16};
  TBitmap b;
  b.LoadFromBytes(WriteBmp(plain, {0x7C00, 0x4210}));
  EXPECT_EQ(b.Pixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(b.Pixel(1, 0), 0xFF848484u);  // 10000 repeated
  EXPECT_EQ(b.PixelFormat(), forms::pf15bit);

  BmpLayout masked{.width = 2, .height = 1, .bpp = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F}};
  b.LoadFromBytes(WriteBmp(masked, {0x07E0, 0x001F}));
  EXPECT_EQ(b.Pixel(0, 0), 0xFF00FF00u);
  EXPECT_EQ(b.Pixel(1, 0), 0xFF0000FFu);
  EXPECT_EQ(b.PixelFormat(), forms::pf16bit);
}

TEST(TBitmapBmp, ReadsRunLengthData) {
  BmpLayout layout{.width = 6, .height = 2, .bpp = 8, .compression = 1, .palette = {0x000000, 0xFF0000, 0x00FF00}};
  // Bottom row: 4 x index 1, 1 x index 2, 1 x index 1; end of line. Top row:
  // the absolute run 2, 0, 1 (padded to a word), a delta of (1, 0), 1 x index 2;
  // end of bitmap.
  std::vector<std::uint8_t> file = WriteBmp(layout, std::vector<std::uint32_t>(12, 0));
  const std::size_t offBits = file[10] | (file[11] << 8);
  file.resize(offBits);
  for (std::uint8_t v : {4, 1, 1, 2, 1, 1, 0, 0, 0, 3, 2, 0, 1, 0, 0, 2, 1, 0, 1, 2, 0, 1}) file.push_back(v);
  Put32(file, 34, static_cast<std::uint32_t>(file.size() - offBits));
  TBitmap b;
  b.LoadFromBytes(file);
  const std::uint32_t k = 0xFF000000, r = 0xFFFF0000, g = 0xFF00FF00;
  EXPECT_EQ(b.Pixels(), (std::vector<std::uint32_t>{g, k, r, k, g, k, r, r, r, r, g, r}));

  BmpLayout layout4{.width = 4, .height = 1, .bpp = 4, .compression = 2, .palette = {0x000000, 0xFF0000, 0x00FF00}};
  file = WriteBmp(layout4, std::vector<std::uint32_t>(4, 0));
  file.resize(offBits);  // the same header and palette size as above
  for (std::uint8_t v : {3, 0x12, 0, 1}) file.push_back(v);  // 1, 2, 1 then end; the fourth pixel keeps colour 0
  b.LoadFromBytes(file);
  EXPECT_EQ(b.Pixels(), (std::vector<std::uint32_t>{r, g, r, k}));
}

TEST(TBitmapBmp, RefusesBadFilesAndKeepsThePicture) {
  const BmpLayout good{.width = 4, .height = 2, .bpp = 24};
  const std::vector<std::uint8_t> file = WriteBmp(good, Picture(4, 2, {0x123456, 0x654321}));
  auto with = [&](std::size_t at, std::uint32_t value, int bytes = 4) {
    std::vector<std::uint8_t> f = file;
    if (bytes == 4) Put32(f, at, value); else Put16(f, at, value);
    return f;
  };
  BmpLayout eightBit{.width = 2, .height = 2, .bpp = 8, .palette = {0, 0xFFFFFF}};
  std::vector<std::uint8_t> tooManyColours = WriteBmp(eightBit, {0, 1, 1, 0});
  Put32(tooManyColours, 46, 257);
  BmpLayout rle{.width = 2, .height = 2, .bpp = 8, .topDown = true, .compression = 1, .palette = {0, 0xFFFFFF}};
  BmpLayout overlapping{.width = 2, .height = 1, .bpp = 32, .compression = 3, .masks = {0xFF0000, 0xFFFF00, 0xFF}};
  BmpLayout gappy{.width = 2, .height = 1, .bpp = 32, .compression = 3, .masks = {0xF0F000, 0xF00, 0xFF}};
  BmpLayout wide16{.width = 2, .height = 1, .bpp = 16, .compression = 3, .masks = {0xF8000, 0x07E0, 0x001F}};
  std::vector<std::uint8_t> truncatedRle = WriteBmp({.width = 4, .height = 1, .bpp = 8, .compression = 1,
                                                     .palette = {0, 0xFFFFFF}}, std::vector<std::uint32_t>(4, 0));
  truncatedRle.resize(14 + 40 + 8);
  for (std::uint8_t v : {0, 4, 1}) truncatedRle.push_back(v);  // an absolute run of 4 with 1 byte left

  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  } const cases[] = {
      {"empty", {}},
      {"not a bitmap", with(0, 0x4D41, 2)},
      {"unknown header size", with(14, 44)},
      {"zero width", with(18, 0)},
      {"negative width", with(18, static_cast<std::uint32_t>(-4))},
      {"zero height", with(22, 0)},
      {"side beyond the limit", with(18, 20000)},
      {"pixels beyond the limit", [&] { auto f = with(18, 9000); Put32(f, 22, 9000); return f; }()},
      {"two planes", with(26, 2, 2)},
      {"odd bit count", with(28, 7, 2)},
      {"JPEG inside", with(30, 4)},
      {"bit fields with 24 bits", with(30, 3)},
      {"pixel data beyond the end", with(10, 4000)},
      {"pixel data inside the header", with(10, 20)},
      {"more colours than 8 bits hold", tooManyColours},
      {"top-down run-length data", WriteBmp(rle, {0, 1, 1, 0})},
      {"overlapping masks", WriteBmp(overlapping, {0, 0})},
      {"mask with a gap", WriteBmp(gappy, {0, 0})},
      {"mask outside 16 bits", WriteBmp(wide16, {0, 0})},
      {"truncated run", truncatedRle},
  };
  const TBitmap before(3, 3, 0xFFABCDEF);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TBitmap b = before;
    EXPECT_THROW(b.LoadFromBytes(c.bytes), forms::EInvalidGraphic);
    EXPECT_EQ(b, before);
  }
  // Every truncation of a good file is refused the same way.
  for (std::size_t size = 0; size < file.size(); ++size) {
    TBitmap b = before;
    EXPECT_THROW(b.LoadFromBytes(file.data(), size), forms::EInvalidGraphic) << size;
    EXPECT_EQ(b, before);
  }
  TBitmap b = before;
  b.LoadFromBytes(file);
  EXPECT_EQ(b.Width(), 4);
}

// A stream over bytes that can be told to fail after some reads.
class ByteStream : public com::ComObject<IStream> {
  VORN_INTERFACE_TABLE_BEGIN(ByteStream)
  VORN_ENTRY(IStream)
  VORN_INTERFACE_TABLE_END
 public:
  ByteStream(std::vector<std::uint8_t> bytes, int failAt) : bytes_(std::move(bytes)), failAt_(failAt) {}
  HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override {
    if (reads_++ == failAt_) return E_FAIL;
    const ULONG n = static_cast<ULONG>(std::min<std::size_t>(cb, bytes_.size() - at_));
    std::memcpy(pv, bytes_.data() + at_, n);
    at_ += n;
    if (pcbRead) *pcbRead = n;
    return n < cb ? S_FALSE : S_OK;
  }
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t at_ = 0;
  int reads_ = 0;
  int failAt_;
};

TEST(TBitmapBmp, LoadsFromAStream) {
  // Larger than one read, so that the stream is read in pieces.
  BmpLayout layout{.width = 300, .height = 100, .bpp = 24};
  const auto picture = Picture(300, 100, {0x010203, 0xA0B0C0, 0x00FF00});
  const std::vector<std::uint8_t> file = WriteBmp(layout, picture);
  ASSERT_GT(file.size(), 65536u);
  com::ComPtr<IStream> good;
  ASSERT_EQ(com::CreateComObject<ByteStream>(good.ReleaseAndGetAddressOf(), file, -1), S_OK);
  TBitmap b;
  b.LoadFromStream(good.Get());
  EXPECT_EQ(b.Pixels(), Opaque(picture));

  com::ComPtr<IStream> failing;
  ASSERT_EQ(com::CreateComObject<ByteStream>(failing.ReleaseAndGetAddressOf(), file, 1), S_OK);
  TBitmap kept(1, 1, 7);
  EXPECT_THROW(kept.LoadFromStream(failing.Get()), forms::EInvalidGraphic);
  EXPECT_EQ(kept, TBitmap(1, 1, 7));
  EXPECT_THROW(kept.LoadFromStream(nullptr), forms::EInvalidGraphic);
}

}  // namespace
