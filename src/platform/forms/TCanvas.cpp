#include "platform/forms/TCanvas.h"

#include <algorithm>
#include <vector>

#include "platform/win/GdiHandles.h"
#include "platform/win/System.h"

namespace forms {

namespace {

// Each call saves the DC's state (win::SavedDcState) and puts it back when it
// is over; the objects the call made are declared before the saved state and
// so deleted after they left the DC.

win::GdiObjectHandle<HPEN> MakePen(const TPen& pen) {
  if (pen.Style == psClear) return win::GdiObjectHandle<HPEN>(win::CreatePen(PS_NULL, 0, 0));
  return win::GdiObjectHandle<HPEN>(win::CreatePen(PS_SOLID, std::max(pen.Width, 1), TCanvas::ToColorRef(pen.Color)));
}

win::GdiObjectHandle<HBRUSH> MakeBrush(const TBrush& brush) {
  return win::GdiObjectHandle<HBRUSH>(win::CreateSolidBrush(TCanvas::ToColorRef(brush.Color)));
}

HGDIOBJ NullBrush() { return win::GetStockObject(NULL_BRUSH); }

// A picture as GDI's source: a memory DC holding a copy of its pixels.
struct SourcePicture {
  explicit SourcePicture(TBitmap pixels) : copy(std::move(pixels)), dc(copy) { dc.Discard(); }
  TBitmap copy;
  TBitmapDC dc;
};

bool HasTranslucency(const TBitmap& picture) {
  if (picture.PixelFormat() != pf32bit) return false;
  return std::any_of(picture.Pixels().begin(), picture.Pixels().end(), [](std::uint32_t p) { return (p >> 24) != 0xFF; });
}

// AlphaBlend takes premultiplied colours.
TBitmap Premultiplied(const TBitmap& picture) {
  TBitmap result(picture.Width(), picture.Height());
  result.SetPixelFormat(pf32bit);
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) {
      const std::uint32_t p = picture.Pixel(x, y);
      const std::uint32_t a = p >> 24;
      auto channel = [&](int shift) { return ((((p >> shift) & 0xFF) * a + 127) / 255) << shift; };
      result.SetPixel(x, y, (a << 24) | channel(16) | channel(8) | channel(0));
    }
  return result;
}

}  // namespace

std::uint32_t TCanvas::Resolve(TColor color) {
  return TBitmap::FromColor(static_cast<TColor>(ToColorRef(color)));
}

COLORREF TCanvas::ToColorRef(TColor color) {
  const auto value = static_cast<std::uint32_t>(color);
  if ((value & 0xFF000000u) == 0xFF000000u) return win::GetSysColor(static_cast<int>(value & 0xFF));
  return value & 0xFFFFFFu;
}

template <class Body>
void TCanvas::Paint(Body&& body) {
  if (dc_) {
    body(dc_);
    return;
  }
  if (!target_ || target_->Empty()) return;
  TBitmapDC lent(*target_);
  body(lent.Handle());
}

void TCanvas::FillRect(const RECT& rect) {
  if (Brush.Style == bsClear) return;
  Paint([&](HDC dc) {
    const auto brush = MakeBrush(Brush);
    win::FillRect(dc, &rect, brush.Get());
  });
}

void TCanvas::FrameRect(const RECT& rect) {
  Paint([&](HDC dc) {
    const auto brush = MakeBrush(Brush);
    win::FrameRect(dc, &rect, brush.Get());
  });
}

template <class Shape>
void TCanvas::OutlineAndFill(Shape&& shape) {
  Paint([&](HDC dc) {
    const auto pen = MakePen(Pen);
    const auto brush = MakeBrush(Brush);
    win::SavedDcState saved(dc);
    win::SelectObject(dc, pen.Get());
    win::SelectObject(dc, Brush.Style == bsClear ? NullBrush() : brush.Get());
    shape(dc);
  });
}

void TCanvas::Rectangle(const RECT& rect) {
  OutlineAndFill([&](HDC dc) { win::Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom); });
}

void TCanvas::Polygon(const POINT* points, int count) {
  if (!points || count < 2) return;
  OutlineAndFill([&](HDC dc) { win::Polygon(dc, points, count); });
}

void TCanvas::Line(POINT from, POINT to) {
  Paint([&](HDC dc) {
    const auto pen = MakePen(Pen);
    win::SavedDcState saved(dc);
    win::SelectObject(dc, pen.Get());
    win::MoveToEx(dc, from.x, from.y, nullptr);
    win::LineTo(dc, to.x, to.y);
  });
}

void TCanvas::Frame3D(RECT& rect, TColor topLeft, TColor bottomRight, int width) {
  const TBrush saved = Brush;
  for (int i = 0; i < width && rect.right - rect.left > 0 && rect.bottom - rect.top > 0; ++i) {
    Brush = TBrush{topLeft, bsSolid};
    FillRect(RECT{rect.left, rect.top, rect.right - 1, rect.top + 1});
    FillRect(RECT{rect.left, rect.top, rect.left + 1, rect.bottom - 1});
    Brush = TBrush{bottomRight, bsSolid};
    FillRect(RECT{rect.left, rect.bottom - 1, rect.right, rect.bottom});
    FillRect(RECT{rect.right - 1, rect.top, rect.right, rect.bottom});
    rect = RECT{rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1};
  }
  Brush = saved;
}

void TCanvas::StretchDraw(const RECT& rect, const TBitmap& picture) {
  if (picture.Empty()) return;
  SourcePicture source(picture);
  Paint([&](HDC dc) {
    const int previous = win::SetStretchBltMode(dc, HALFTONE);
    win::StretchBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, source.dc.Handle(), 0, 0,
                    picture.Width(), picture.Height(), SRCCOPY);
    if (previous) win::SetStretchBltMode(dc, previous);
  });
}

void TCanvas::Draw(int x, int y, const TBitmap& picture) {
  if (picture.Empty()) return;
  const bool blend = HasTranslucency(picture);
  SourcePicture source(blend ? Premultiplied(picture) : picture);
  Paint([&](HDC dc) {
    if (blend) {
      BLENDFUNCTION how{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
      win::AlphaBlend(dc, x, y, picture.Width(), picture.Height(), source.dc.Handle(), 0, 0, picture.Width(),
                      picture.Height(), how);
    } else {
      win::BitBlt(dc, x, y, picture.Width(), picture.Height(), source.dc.Handle(), 0, 0, SRCCOPY);
    }
  });
}

void TCanvas::DrawTransparent(int x, int y, const TBitmap& picture, TColor transparent) {
  if (picture.Empty()) return;
  // GDI compares whole pixels with the key, and its own pixels carry 0 in the
  // fourth byte: so must the source, or no pixel ever matches.
  TBitmap colours(picture.Width(), picture.Height());
  for (int py = 0; py < picture.Height(); ++py)
    for (int px = 0; px < picture.Width(); ++px) colours.SetPixel(px, py, picture.Pixel(px, py) & 0xFFFFFFu);
  colours.SetPixelFormat(pf32bit);
  SourcePicture source(std::move(colours));
  Paint([&](HDC dc) {
    win::TransparentBlt(dc, x, y, picture.Width(), picture.Height(), source.dc.Handle(), 0, 0, picture.Width(),
                        picture.Height(), ToColorRef(transparent));
  });
}

namespace {

// Selects the font and the text colours the canvas draws text with.
class TextSelection {
 public:
  TextSelection(HDC dc, const TFont& font, const TBrush& brush) : font_(MakeFont(font)), saved_(dc) {
    if (font_) win::SelectObject(dc, font_.Get());
    win::SetTextColor(dc, TCanvas::ToColorRef(font.Color));
    if (brush.Style == bsClear) {
      win::SetBkMode(dc, TRANSPARENT);
    } else {
      win::SetBkMode(dc, OPAQUE);
      win::SetBkColor(dc, TCanvas::ToColorRef(brush.Color));
    }
  }
  bool Opaque(const TBrush& brush) const { return brush.Style != bsClear; }

 private:
  win::GdiObjectHandle<HFONT> font_;
  win::SavedDcState saved_;
};

}  // namespace

void TCanvas::TextOut(int x, int y, const std::wstring& text) {
  Paint([&](HDC dc) {
    TextSelection selection(dc, Font, Brush);
    win::TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
  });
}

void TCanvas::TextRect(const RECT& rect, int x, int y, const std::wstring& text) {
  Paint([&](HDC dc) {
    TextSelection selection(dc, Font, Brush);
    const UINT options = ETO_CLIPPED | (selection.Opaque(Brush) ? ETO_OPAQUE : 0);
    win::ExtTextOutW(dc, x, y, options, &rect, text.c_str(), static_cast<UINT>(text.size()), nullptr);
  });
}

void TCanvas::TextCentred(const RECT& rect, const std::wstring& text) {
  Paint([&](HDC dc) {
    TextSelection selection(dc, Font, Brush);
    RECT r = rect;
    win::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
                   DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  });
}

void TCanvas::TextAligned(const RECT& rect, const std::wstring& text, TAlignment alignment, bool centreVertically) {
  const std::vector<std::wstring_view> lines = TextLines(text);
  const int lineHeight = TextExtent(L"").cy;
  int y = rect.top;
  if (centreVertically) y += (rect.bottom - rect.top - lineHeight * static_cast<int>(lines.size())) / 2;
  for (const std::wstring_view view : lines) {
    const std::wstring line(view);
    const int width = TextExtent(line).cx;
    int x = rect.left;
    if (alignment == taCenter) x += (rect.right - rect.left - width) / 2;
    if (alignment == taRightJustify) x = rect.right - width;
    if (!line.empty()) TextRect(rect, x, y, line);
    y += lineHeight;
  }
}

TTextSize TCanvas::TextExtent(const std::wstring& text) const {
  return dc_ ? TextExtentIn(dc_, Font, text) : forms::TextExtent(Font, text);
}

}  // namespace forms
