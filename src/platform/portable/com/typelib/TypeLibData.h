// The loaded form of a type library: what the portable ITypeLib and
// ITypeInfo objects answer from. Built once per load and never changed, so
// the objects share it freely between threads.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/com/ComTypes.h"

namespace com::portable {

// References between type infos. The low bits say where the target lives:
// this library's own view of a type, the v-table view of one of its dual
// interfaces, or a type of the standard OLE library (IUnknown, IDispatch, ...).
enum class RefKind : HREFTYPE { Local = 0, LocalVtable = 1, Stdole = 2 };

constexpr HREFTYPE MakeHref(RefKind kind, std::size_t index) {
  return static_cast<HREFTYPE>(index << 2) | static_cast<HREFTYPE>(kind);
}
constexpr RefKind HrefKind(HREFTYPE href) { return static_cast<RefKind>(href & 3u); }
constexpr std::size_t HrefIndex(HREFTYPE href) { return href >> 2; }

// A type as a chain of VARTYPEs: each VT_PTR points at the next entry; a
// final VT_USERDEFINED names its type through href.
struct TypeSpec {
  std::vector<VARTYPE> chain;
  HREFTYPE href = 0;

  static TypeSpec Of(VARTYPE vt) { return TypeSpec{{vt}, 0}; }
};

struct ParamData {
  std::wstring name;
  TypeSpec type;
  USHORT flags = PARAMFLAG_FIN;
};

struct FuncData {
  std::wstring name;
  MEMBERID memid = MEMBERID_NIL;
  std::vector<ParamData> params;
  TypeSpec ret = TypeSpec::Of(VT_HRESULT);
  WORD funcFlags = 0;
  std::wstring doc;
  SHORT slot = 0;  // interface-table slot
};

struct ImplData {
  HREFTYPE href = 0;
  INT flags = 0;  // IMPLTYPEFLAG_*
};

struct TypeData {
  TYPEKIND kind = TKIND_INTERFACE;  // a dual interface is TKIND_DISPATCH with TYPEFLAG_FDUAL
  std::wstring name;
  std::wstring doc;
  GUID guid{};
  WORD flags = 0;
  WORD majorVersion = 0;
  WORD minorVersion = 0;
  std::vector<FuncData> funcs;  // own functions, interface order
  std::vector<ImplData> impls;  // base interface, or a coclass's interfaces

  bool IsDual() const { return (flags & TYPEFLAG_FDUAL) != 0; }
};

struct LibData {
  std::wstring name;
  std::wstring doc;
  std::wstring helpFile;
  std::wstring path;
  GUID guid{};
  LCID lcid = 0;
  SYSKIND syskind = SYS_WIN32;
  WORD majorVersion = 0;
  WORD minorVersion = 0;
  WORD flags = 0;
  std::vector<TypeData> types;
};

// The standard OLE library as far as references into it go: IUnknown,
// IDispatch and the records their methods use.
const std::shared_ptr<const LibData>& StdoleLib();
// Indexes of StdoleLib()'s types.
inline constexpr std::size_t kStdoleIUnknown = 0;
inline constexpr std::size_t kStdoleIDispatch = 1;

// ASCII case folding, as automation's name lookups compare.
bool SameName(const std::wstring& a, const wchar_t* b);

}  // namespace com::portable
