#include "platform/forms/TImageList.h"

#include <algorithm>
#include <string>

#include "platform/forms/FormsErrors.h"
#include "platform/win/Resources.h"

namespace forms {

TImageList::TImageList(TComponent* owner) : TComponent(owner) {}

void TImageList::SetWidth(int value) { SetSize(value, height_); }
void TImageList::SetHeight(int value) { SetSize(width_, value); }

void TImageList::SetSize(int width, int height) {
  if (width < 1 || height < 1)
    throw EInvalidOperation(L"Invalid image size " + std::to_wstring(width) + L" x " + std::to_wstring(height));
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  images_.clear();
  Changed();
}

int TImageList::Add(const TBitmap& bitmap) {
  if (bitmap.Empty() || bitmap.Width() < width_)
    throw EInvalidOperation(L"Invalid image size: a " + std::to_wstring(bitmap.Width()) + L" x " +
                            std::to_wstring(bitmap.Height()) + L" bitmap for " + std::to_wstring(width_) + L" x " +
                            std::to_wstring(height_) + L" images");
  const int first = Count();
  for (int x = 0; x + width_ <= bitmap.Width(); x += width_) {
    TBitmap image = bitmap.Slice(x, width_);
    image.SetSize(width_, height_);
    images_.push_back(std::move(image));
  }
  Changed();
  return first;
}

int TImageList::AddStrip(const TBitmap& strip) {
  if (strip.Height() != height_ || strip.Width() < width_ || strip.Width() % width_ != 0)
    throw EInvalidGraphic(L"A strip of " + std::to_wstring(strip.Width()) + L" x " + std::to_wstring(strip.Height()) +
                          L" is no row of " + std::to_wstring(width_) + L" x " + std::to_wstring(height_) + L" images");
  return Add(strip);
}

int TImageList::LoadStrip(HINSTANCE instance, const std::wstring& name) {
  const win::BitmapHandle section(
      static_cast<HBITMAP>(win::LoadImageW(instance, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!section) {
    const DWORD error = win::GetLastError();
    throw EInvalidGraphic(L"Cannot load the bitmap resource " + name + L" (error " + std::to_wstring(error) + L")");
  }
  try {
    return AddStrip(TBitmap::FromDibSection(section.Get()));
  } catch (const EInvalidGraphic& e) {
    throw EInvalidGraphic(L"The bitmap resource " + name + L": " + e.message());
  }
}

void TImageList::Delete(int index) {
  if (index < 0 || index >= Count())
    throw EComponentError(L"Image index out of bounds (" + std::to_wstring(index) + L")");
  images_.erase(images_.begin() + index);
  Changed();
}

void TImageList::Clear() {
  if (images_.empty()) return;
  images_.clear();
  Changed();
}

TBitmap TImageList::GetBitmap(int index) const {
  if (index < 0 || index >= Count())
    throw EComponentError(L"Image index out of bounds (" + std::to_wstring(index) + L")");
  return images_[static_cast<size_t>(index)];
}

void TImageList::RegisterChanges(TComponent* client, std::function<void()> changed) {
  if (!client) return;
  UnregisterChanges(client);
  clients_.emplace_back(client, std::move(changed));
  FreeNotification(client);
}

void TImageList::UnregisterChanges(TComponent* client) {
  clients_.erase(std::remove_if(clients_.begin(), clients_.end(), [client](const auto& e) { return e.first == client; }),
                 clients_.end());
}

void TImageList::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove) UnregisterChanges(component);
}

void TImageList::Changed() {
  const auto clients = clients_;
  for (const auto& entry : clients) {
    const bool registered = std::any_of(clients_.begin(), clients_.end(),
                                        [&](const auto& current) { return current.first == entry.first; });
    if (registered && entry.second) entry.second();
  }
  if (OnChange) OnChange(this);
}

}  // namespace forms
