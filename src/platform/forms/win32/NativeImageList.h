// A common-controls image list holding a copy of a TImageList's pictures:
// 32-bit colour with each picture's alpha, and a mask that leaves out the
// fully transparent pixels, so the pictures draw the same in every control.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace forms {

class TImageList;

class TNativeImageList {
 public:
  TNativeImageList() = default;
  // com::ComError when the system cannot make the list or take a picture.
  explicit TNativeImageList(const TImageList& images);
  ~TNativeImageList();
  TNativeImageList(TNativeImageList&& other) noexcept;
  TNativeImageList& operator=(TNativeImageList&& other) noexcept;
  TNativeImageList(const TNativeImageList&) = delete;
  TNativeImageList& operator=(const TNativeImageList&) = delete;

  HIMAGELIST Handle() const { return list_; }

 private:
  void Reset() noexcept;

  HIMAGELIST list_ = nullptr;
};

}  // namespace forms
