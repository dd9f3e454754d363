// Feeds the browser event sink calls of every shape a caller could make: any
// of the browser's DISPIDs and a few others, any argument count, named
// arguments, missing arrays, and arguments of every type the handlers read
// or could be confused with, by value and by reference, with and without an
// address. The caller's array is allocated to its exact size, so a read past
// it is caught. The sink must answer each call with a code, run a handler
// only for a call shaped as the browser makes it, and never let a handler's
// error escape.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "platform/browser/WebBrowserEvents.h"
#include "platform/com/ComTypes.h"
#include "server_link/SinkUnit.h"

namespace {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

constexpr DISPID kIds[] = {DISPID_BEFORENAVIGATE2, DISPID_NAVIGATECOMPLETE2, DISPID_DOCUMENTCOMPLETE, DISPID_QUIT,
                           DISPID_DOWNLOADBEGIN,   DISPID_DOWNLOADCOMPLETE,  253, 0, -1, 251};
constexpr UINT kMaxArgs = 10;

// What by-reference arguments point to; lives for the whole call.
struct Storage {
  VARIANT variants[kMaxArgs];
  VARIANT_BOOL bools[kMaxArgs];
  LONG longs[kMaxArgs];
  BSTR strings[kMaxArgs];
  Storage() {
    for (UINT i = 0; i < kMaxArgs; ++i) {
      VariantInit(&variants[i]);
      bools[i] = VARIANT_FALSE;
      longs[i] = 0;
      strings[i] = nullptr;
    }
  }
  ~Storage() {
    for (UINT i = 0; i < kMaxArgs; ++i) {
      VariantClear(&variants[i]);
      SysFreeString(strings[i]);
    }
  }
};

VARIANTARG MakeArgument(Input& in, Storage& store, UINT slot, IDispatch* someDispatch) {
  VARIANTARG v;
  VariantInit(&v);
  switch (in.Byte() % 14) {
    case 0: v.vt = VT_DISPATCH; v.pdispVal = someDispatch; break;
    case 1: v.vt = VT_DISPATCH; v.pdispVal = nullptr; break;
    case 2: v.vt = VT_UNKNOWN; v.punkVal = someDispatch; break;
    case 3:
      store.variants[slot].vt = VT_BSTR;
      store.variants[slot].bstrVal = SysAllocString(L"about:blank");
      v.vt = VT_BYREF | VT_VARIANT;
      v.pvarVal = &store.variants[slot];
      break;
    case 4:
      store.variants[slot].vt = VT_I4;
      store.variants[slot].lVal = in.Byte();
      v.vt = VT_BYREF | VT_VARIANT;
      v.pvarVal = &store.variants[slot];
      break;
    case 5: v.vt = VT_BYREF | VT_VARIANT; v.pvarVal = nullptr; break;
    case 6:
      store.bools[slot] = in.Byte() & 1 ? VARIANT_TRUE : VARIANT_FALSE;
      v.vt = VT_BYREF | VT_BOOL;
      v.pboolVal = &store.bools[slot];
      break;
    case 7: v.vt = VT_BYREF | VT_BOOL; v.pboolVal = nullptr; break;
    case 8: v.vt = VT_BOOL; v.boolVal = VARIANT_TRUE; break;
    case 9: v.vt = VT_BSTR; v.bstrVal = nullptr; break;
    case 10:
      store.longs[slot] = in.Byte();
      v.vt = VT_BYREF | VT_I4;
      v.plVal = &store.longs[slot];
      break;
    case 11:
      store.strings[slot] = SysAllocString(L"x");
      v.vt = VT_BYREF | VT_BSTR;
      v.pbstrVal = &store.strings[slot];
      break;
    case 12: v.vt = VT_I4; v.lVal = in.Byte(); break;
    default: v.vt = VT_EMPTY; break;
  }
  return v;
}

// What a well-formed call of the event looks like, rgvarg order.
bool WellFormed(DISPID id, const std::vector<VARIANTARG>& args, UINT named) {
  std::vector<VARTYPE> declared;
  if (id == DISPID_BEFORENAVIGATE2)
    declared = {VT_BYREF | VT_BOOL,    VT_BYREF | VT_VARIANT, VT_BYREF | VT_VARIANT, VT_BYREF | VT_VARIANT,
                VT_BYREF | VT_VARIANT, VT_BYREF | VT_VARIANT, VT_DISPATCH};
  else if (id == DISPID_NAVIGATECOMPLETE2 || id == DISPID_DOCUMENTCOMPLETE)
    declared = {VT_BYREF | VT_VARIANT, VT_DISPATCH};
  else
    return true;
  if (args.size() != declared.size() || named != 0) return false;
  for (size_t i = 0; i < args.size(); ++i)
    if (args[i].vt != declared[i] || ((args[i].vt & VT_BYREF) && !args[i].byref)) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  auto sink = vorn::TBaseEventHandler::Create<vorn::TWebBrowserEventHandler>();
  const DISPID id = kIds[in.Byte() % (sizeof(kIds) / sizeof(kIds[0]))];
  const uint8_t shape = in.Byte();
  const bool raise = shape & 0x80;
  const UINT count = in.Byte() % (kMaxArgs + 1);
  Storage store;
  // Exactly count variants on the heap: a read past them is an overflow.
  std::vector<VARIANTARG> args;
  args.reserve(count);
  for (UINT i = 0; i < count; ++i) args.push_back(MakeArgument(in, store, i, sink.Get()));
  const UINT named = in.Byte() % 3;
  std::vector<DISPID> names(named, 0);

  int handled = 0;
  auto touch = [&](VARIANT* v) {
    if (v->vt == VT_BSTR) handled += static_cast<int>(SysStringLen(v->bstrVal));
  };
  sink->SetBeforeNavigate2([&](vorn::TWebBrowserEventHandler*, IDispatch*, VARIANT* url, VARIANT* flags,
                               VARIANT* target, VARIANT* postData, VARIANT* headers, VARIANT_BOOL* cancel) {
    for (VARIANT* v : {url, flags, target, postData, headers}) touch(v);
    *cancel = VARIANT_TRUE;
    ++handled;
    if (raise) throw std::runtime_error("handler failed");
  });
  auto complete = [&](vorn::TWebBrowserEventHandler*, IDispatch*, VARIANT* url) {
    touch(url);
    ++handled;
    if (raise) throw std::runtime_error("handler failed");
  };
  sink->SetNavigateComplete2(complete);
  sink->SetDocumentComplete(complete);
  sink->SetQuit([&](vorn::TWebBrowserEventHandler*) {
    ++handled;
    if (raise) throw std::bad_alloc();
  });

  DISPPARAMS params{};
  params.cArgs = count;
  // Now and then a caller that claims arguments without passing an array.
  params.rgvarg = count && (shape & 3) != 0 ? args.data() : nullptr;
  params.cNamedArgs = named;
  params.rgdispidNamedArgs = named ? names.data() : nullptr;
  UINT argErr = 0;
  const bool noParams = (shape & 0x0C) == 0x0C;
  const HRESULT hr = sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, noParams ? nullptr : &params, nullptr, nullptr,
                                  &argErr);

  const bool arrayMissing = noParams || (count && !params.rgvarg);
  const bool mayRun = !arrayMissing && WellFormed(id, args, named);
  // A handler runs only for a call the browser could make, and its error comes back as a code.
  if (handled && !mayRun) __builtin_trap();
  if (handled && raise && SUCCEEDED(hr)) __builtin_trap();
  if (hr == DISP_E_TYPEMISMATCH && argErr >= count) __builtin_trap();
  if (mayRun && !raise && hr != S_OK && hr != E_NOTIMPL) __builtin_trap();
  return 0;
}
