// Owners of GDI handles, so that a handle is owned from the moment GDI hands
// it out and no later failure (a constructor that throws halfway, say) can
// leak it. Each frees its handle when it goes; they move, never copy.
//
// Members that work together are declared in the order DC, object, selection:
// they then go in the reverse order, the selection being undone before the
// object and the DC are deleted.
#pragma once

#include <utility>

#include "platform/win/Gdi.h"

namespace win {

// A memory device context (CreateCompatibleDC), deleted with DeleteDC.
class DcHandle {
 public:
  DcHandle() = default;
  explicit DcHandle(HDC dc) noexcept : dc_(dc) {}
  DcHandle(DcHandle&& other) noexcept : dc_(std::exchange(other.dc_, nullptr)) {}
  DcHandle& operator=(DcHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      dc_ = std::exchange(other.dc_, nullptr);
    }
    return *this;
  }
  DcHandle(const DcHandle&) = delete;
  DcHandle& operator=(const DcHandle&) = delete;
  ~DcHandle() { Reset(); }

  HDC Get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }
  void Reset() noexcept {
    if (dc_) DeleteDC(dc_);
    dc_ = nullptr;
  }

 private:
  HDC dc_ = nullptr;
};

// A bitmap, brush or other object, deleted with DeleteObject.
template <class Handle>
class GdiObjectHandle {
 public:
  GdiObjectHandle() = default;
  explicit GdiObjectHandle(Handle object) noexcept : object_(object) {}
  GdiObjectHandle(GdiObjectHandle&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  GdiObjectHandle& operator=(GdiObjectHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }
  GdiObjectHandle(const GdiObjectHandle&) = delete;
  GdiObjectHandle& operator=(const GdiObjectHandle&) = delete;
  ~GdiObjectHandle() { Reset(); }

  Handle Get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  void Reset() noexcept {
    if (object_) DeleteObject(object_);
    object_ = nullptr;
  }

 private:
  Handle object_ = nullptr;
};

using BitmapHandle = GdiObjectHandle<HBITMAP>;

// An object selected into a DC; the object the DC held before is selected
// back when this goes. Neither the DC nor the object is owned here.
class SelectedObject {
 public:
  SelectedObject() = default;
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;
  ~SelectedObject() { Undo(); }

  // Selects `object` into `dc` (undoing an earlier selection first); false when GDI refused.
  bool Select(HDC dc, HGDIOBJ object) noexcept {
    Undo();
    HGDIOBJ previous = SelectObject(dc, object);
    if (!previous || previous == HGDI_ERROR) return false;
    dc_ = dc;
    previous_ = previous;
    return true;
  }
  void Undo() noexcept {
    if (dc_) SelectObject(dc_, previous_);
    dc_ = nullptr;
    previous_ = nullptr;
  }

 private:
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

// The DC's state (selected objects, colours, origin, clipping) saved now and
// restored when this goes.
class SavedDcState {
 public:
  explicit SavedDcState(HDC dc) noexcept : dc_(dc), saved_(SaveDC(dc)) {}
  ~SavedDcState() {
    if (saved_) RestoreDC(dc_, saved_);
  }
  SavedDcState(const SavedDcState&) = delete;
  SavedDcState& operator=(const SavedDcState&) = delete;
  bool Saved() const { return saved_ != 0; }

 private:
  HDC dc_;
  int saved_;
};

// The description of a 32-bit BI_RGB DIB, top-down: rows from the top, as
// the toolkit's pictures keep them.
inline BITMAPINFO TopDownDibInfo(LONG width, LONG height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

}  // namespace win
