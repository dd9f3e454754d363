// A list of pictures of one size, addressed by index (toolbar buttons, menu
// items and actions name theirs by ImageIndex).
//
// Add(bitmap) cuts the bitmap into Width-wide pieces, left to right, and adds
// each as one image (a 48-pixel-wide strip adds three 16-pixel images); rows
// beyond Height are dropped and missing rows are left transparent (0).
// AddStrip and LoadStrip take a strip whose size fits exactly: Height rows
// and a whole number of images, each keeping its alpha (the toolbars' pictures
// are such strips, see resources/icons/toolbar-icons.tsv).
// Changing Width or Height empties the list. Components that show the images
// register for changes and are told after every change.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/forms/TBitmap.h"
#include "platform/forms/TComponent.h"

namespace forms {

class TImageList : public TComponent {
 public:
  explicit TImageList(TComponent* owner);

  int Width() const { return width_; }
  int Height() const { return height_; }
  // EInvalidOperation for a size below 1.
  void SetWidth(int value);
  void SetHeight(int value);
  void SetSize(int width, int height);

  int Count() const { return static_cast<int>(images_.size()); }
  // Index of the first image added; EInvalidOperation for a bitmap narrower
  // than Width or empty (nothing is added then).
  int Add(const TBitmap& bitmap);
  // As Add, for a strip of exactly Height rows and n * Width columns (n >= 1);
  // EInvalidGraphic for any other size (nothing is added then).
  int AddStrip(const TBitmap& strip);
  // Adds the images of the module's bitmap resource `name` (win::LoadImageW,
  // platform/win/Resources.h) as AddStrip does; EInvalidGraphic naming the
  // resource when the module lacks it or it cannot be read.
  int LoadStrip(HINSTANCE instance, const std::wstring& name);
  void Delete(int index);
  void Clear();
  // A copy of the image; EComponentError outside 0..Count()-1.
  TBitmap GetBitmap(int index) const;

  TNotifyEvent OnChange;

  // `client` is told through `changed` after each change until it is freed or unregisters.
  void RegisterChanges(TComponent* client, std::function<void()> changed);
  void UnregisterChanges(TComponent* client);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void Changed();

  int width_ = 16;
  int height_ = 16;
  std::vector<TBitmap> images_;
  std::vector<std::pair<TComponent*, std::function<void()>>> clients_;
};

}  // namespace forms
