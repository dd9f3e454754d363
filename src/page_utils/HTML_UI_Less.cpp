#include "page_utils/HTML_UI_Less.h"

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <array>
#include <span>
#include <string>
#include <string_view>
#include <functional>
#include <utility>

#include "platform/browser/LateBound.h"
#include "platform/com/ComError.h"
#include "platform/com/Variant.h"
#include "platform/win/Strings.h"

namespace vorn {

namespace {

constexpr std::array<const wchar_t*, 2> kExcludedSchemes = {L"javascript", L"mailto"};

struct TagKind {
  const wchar_t* tag;
  const wchar_t* addressMember;
  const wchar_t* titleMember;  // null: no title (images)
  bool normalize;              // links: cut the fragment, leave out scripts and mail
};

constexpr TagKind kLinkTags[] = {
    {L"A", L"href", L"innerText", true},
    {L"AREA", L"href", L"alt", true},
};
constexpr TagKind kImageTags[] = {
    {L"IMG", L"src", nullptr, false},
};

// The case-insensitive sort key of text, into key (whose memory is reused between calls).
void SortKeyInto(const std::wstring& text, std::string& key) {
  const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
  // Sort keys take a few bytes per character: most fit the first guess, the rest are measured.
  key.resize(text.size() * 4 + 16);
  int written = win::LCMapStringW(LOCALE_USER_DEFAULT, flags, text.c_str(), -1, reinterpret_cast<LPWSTR>(key.data()),
                                  static_cast<int>(key.size()));
  if (written <= 0) {
    const int needed = win::LCMapStringW(LOCALE_USER_DEFAULT, flags, text.c_str(), -1, nullptr, 0);
    if (needed <= 0) throw com::ComError(E_UNEXPECTED, L"no sort key for an address");
    key.resize(static_cast<std::size_t>(needed));
    written = win::LCMapStringW(LOCALE_USER_DEFAULT, flags, text.c_str(), -1, reinterpret_cast<LPWSTR>(key.data()),
                                needed);
    if (written <= 0) throw com::ComError(E_UNEXPECTED, L"no sort key for an address");
  }
  key.resize(static_cast<std::size_t>(written));
}

std::wstring CutFragment(const std::wstring& url) {
  const auto hash = url.find(L'#');
  return hash == std::wstring::npos ? url : url.substr(0, hash);
}

// The addresses taken so far, by the hashes of their sort keys. The keys
// themselves are not kept: when a hash matches, the caller compares the key
// with the one of the entry it names again, which happens for duplicates
// only. Eight-byte slots keep the table of a page of 100,000 links small
// enough to be probed without a trip through the page tables for every link.
class KeySet {
 public:
  void Reserve(std::size_t count) {
    std::size_t capacity = slots_.empty() ? 64 : slots_.size();
    while (capacity < 2 * (hashes_.size() + count)) capacity *= 2;
    if (capacity != slots_.size()) Rehash(capacity);
    hashes_.reserve(hashes_.size() + count);
  }

  // Takes the next entry (numbered by the count of entries taken so far)
  // under `hash`, unless sameAs(n) says that an earlier entry n with the same
  // hash has an equal key; false then.
  template <class SameAs>
  bool Insert(std::size_t hash, SameAs&& sameAs) {
    if (2 * (hashes_.size() + 1) > slots_.size()) Rehash(slots_.empty() ? 64 : slots_.size() * 2);
    const std::size_t mask = slots_.size() - 1;
    const std::uint32_t check = Check(hash);
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      Slot& slot = slots_[i];
      if (slot.number == 0) {
        hashes_.push_back(hash);
        slot = Slot{check, static_cast<std::uint32_t>(hashes_.size())};
        return true;
      }
      if (slot.check == check && hashes_[slot.number - 1] == hash && sameAs(slot.number - 1)) return false;
    }
  }

 private:
  struct Slot {
    std::uint32_t check = 0;   // the hash's high bits: most mismatches end here
    std::uint32_t number = 0;  // 1 + the entry's number; 0: a free slot
  };

  static std::uint32_t Check(std::size_t hash) { return static_cast<std::uint32_t>(hash >> (sizeof(hash) * 8 - 32)); }

  void Rehash(std::size_t capacity) {
    std::vector<Slot> fresh(capacity);
    const std::size_t mask = capacity - 1;
    for (std::size_t k = 0; k < hashes_.size(); ++k) {
      std::size_t i = hashes_[k] & mask;
      while (fresh[i].number != 0) i = (i + 1) & mask;
      fresh[i] = Slot{Check(hashes_[k]), static_cast<std::uint32_t>(k + 1)};
    }
    slots_.swap(fresh);
  }

  std::vector<Slot> slots_;
  std::vector<std::size_t> hashes_;  // by entry
};

// One collection pass: the result list in insertion order and the set of
// addresses already taken. Each document's walk absorbs the errors of the
// level they happen at (element, tag, document, frame, frame list).
class Collector {
 public:
  Collector(std::span<const TagKind> tags, bool onlySelection) : tags_(tags), onlySelection_(onlySelection) {}

  void Walk(const VARIANT& document, bool includeFrames) {
    com::ComPtr<IDispatch> main;
    try {
      main = browser::DispatchOf(document);
    } catch (const com::ComError&) {
      return;  // neither the document nor its frames can be reached
    }
    try {
      WalkDocument(main.Get());
    } catch (const com::ComError&) {
      // The document's own part refused; its frames may still answer.
    }
    if (includeFrames) WalkFrames(main.Get());
  }

  // The addresses in the order taken, and beside each (when titles are
  // collected) what the pass keeps of its link.
  std::vector<std::wstring>& Addresses() { return addresses_; }
  std::vector<TURLData>& Data() { return data_; }

 private:
  void WalkFrames(IDispatch* document) {
    com::ComPtr<IDispatch> frames;
    LONG count = 0;
    try {
      frames = browser::GetObjectProperty(document, L"frames");
      count = browser::GetProperty(frames.Get(), L"length").ToLong();
    } catch (const com::ComError&) {
      return;
    }
    for (LONG j = 0; j < count; ++j) {
      try {
        com::ComPtr<IDispatch> item = browser::DispatchOf(browser::CallMethod(frames.Get(), L"item", {com::Variant(j)}));
        com::ComPtr<IDispatch> window = browser::GetObjectProperty(item.Get(), L"window");
        com::ComPtr<IDispatch> frameDocument = browser::GetObjectProperty(window.Get(), L"document");
        WalkDocument(frameDocument.Get());
      } catch (const com::ComError&) {
        // A frame from another domain refuses its document: the others still count.
      }
    }
  }

  void WalkDocument(IDispatch* document) {
    com::ComPtr<IDispatch> selection;
    if (onlySelection_) {
      com::ComPtr<IDispatch> selectionObject = browser::GetObjectProperty(document, L"selection");
      selection = browser::DispatchOf(browser::CallMethod(selectionObject.Get(), L"createRange"));
    }
    com::ComPtr<IDispatch> all = browser::GetObjectProperty(document, L"all");
    for (const TagKind& kind : tags_) {
      try {
        WalkTag(all.Get(), kind, selection.Get());
      } catch (const com::ComError&) {
        // The rest of this tag is lost; the next tag is still walked.
      }
    }
  }

  // The members every element of one tag is asked for.
  struct TagMembers {
    explicit TagMembers(const TagKind& kind)
        : address(kind.addressMember), title(kind.titleMember ? kind.titleMember : L"") {}
    browser::Member item{L"item"};
    browser::Member address;
    browser::Member title;
  };

  void WalkTag(IDispatch* all, const TagKind& kind, IDispatch* selection) {
    com::ComPtr<IDispatch> collection = browser::DispatchOf(browser::CallMethod(all, L"tags", {com::Variant(kind.tag)}));
    const LONG count = browser::GetProperty(collection.Get(), L"length").ToLong();
    // Room for the tag's addresses up front, but not for whatever a hostile page claims.
    if (count > 0) {
      const auto room = static_cast<std::size_t>(std::min<LONG>(count, 1 << 20));
      seen_.Reserve(room);
      addresses_.reserve(addresses_.size() + room);
      if (kind.titleMember) data_.reserve(data_.size() + room);
    }
    TagMembers members(kind);
    const com::Variant omitted = browser::OmittedArgument();
    for (LONG i = 0; i < count; ++i) {
      try {
        com::ComPtr<IDispatch> element = browser::DispatchOf(members.item.Call(collection.Get(), {com::Variant(i), omitted}));
        if (selection && !InSelection(element.Get(), selection)) continue;
        HandleElement(element.Get(), kind, members);
      } catch (const com::ComError&) {
        // This element only.
      }
    }
  }

  static bool InSelection(IDispatch* element, IDispatch* selection) {
    com::Variant parent = browser::GetProperty(element, L"parentTextEdit");
    if (parent.vt() == VT_EMPTY || ((parent.vt() == VT_DISPATCH || parent.vt() == VT_UNKNOWN) && !parent.punkVal))
      return false;
    com::ComPtr<IDispatch> range = browser::DispatchOf(browser::CallMethod(browser::DispatchOf(parent).Get(),
                                                                           L"createTextRange"));
    browser::CallMethod(range.Get(), L"moveToElementText", {com::Variant(element)});
    return browser::CallMethod(selection, L"inRange", {com::Variant(range.Get())}).ToBool();
  }

  void HandleElement(IDispatch* element, const TagKind& kind, TagMembers& members) {
    std::wstring address = members.address.GetString(element);
    if (kind.normalize) {
      if (const auto hash = address.find(L'#'); hash != std::wstring::npos) address.erase(hash);
      if (!IsOpenableURL(address)) return;
    }
    SortKeyInto(address, scratch_);
    const bool fresh = seen_.Insert(std::hash<std::string_view>{}(scratch_), [&](std::size_t entry) {
      SortKeyInto(addresses_[entry], other_);
      return other_ == scratch_;
    });
    if (!fresh) return;
    addresses_.push_back(std::move(address));
    if (!kind.titleMember) return;
    TURLData& data = data_.emplace_back();
    try {
      data.Title = members.title.GetString(element);
    } catch (const com::ComError&) {
      // The address is taken already: the link stays, untitled.
    }
  }

  std::span<const TagKind> tags_;
  bool onlySelection_;
  std::vector<std::wstring> addresses_;
  std::vector<TURLData> data_;
  KeySet seen_;  // numbers its entries as addresses_ does
  std::string scratch_;
  std::string other_;
};

}  // namespace

std::string CaseInsensitiveKey(const std::wstring& text) {
  std::string key;
  SortKeyInto(text, key);
  return key;
}

bool IsOpenableURL(const std::wstring& URL) {
  for (const wchar_t* scheme : kExcludedSchemes) {
    const std::size_t length = std::wcslen(scheme);
    if (URL.size() < length) continue;
    // The URL's first characters, as many as the scheme has, compared as text of their own.
    wchar_t head[16];
    URL.copy(head, length);
    head[length] = L'\0';
    if (win::lstrcmpiW(head, scheme) == 0) return false;
  }
  return true;
}

std::wstring NormalizeLinkURL(const std::wstring& URL) {
  std::wstring cut = CutFragment(URL);
  return IsOpenableURL(cut) ? cut : std::wstring();
}

bool CollectLinks(const VARIANT& Document, bool IncludeFrames, bool OnlySelection, std::vector<std::wstring>& URLs,
                  std::vector<std::wstring>& Titles) {
  Collector collector(kLinkTags, OnlySelection);
  collector.Walk(Document, IncludeFrames);
  // The caller's lists change only now, all at once.
  std::vector<std::wstring> titles;
  titles.reserve(collector.Data().size());
  for (TURLData& data : collector.Data()) titles.push_back(std::move(data.Title));
  URLs.swap(collector.Addresses());
  Titles.swap(titles);
  return true;
}

bool CollectImages(const VARIANT& Document, bool IncludeFrames, bool OnlySelection, std::vector<std::wstring>& URLs) {
  Collector collector(kImageTags, OnlySelection);
  collector.Walk(Document, IncludeFrames);
  URLs.swap(collector.Addresses());
  return true;
}

}  // namespace vorn
