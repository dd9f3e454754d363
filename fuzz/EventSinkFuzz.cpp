// Feeds the application-event sink calls of every shape a server could make:
// any DISPID, dispatch flags, argument count, named-argument positions and
// variant types (well-formed variants, since they live in the caller's
// memory; what is fuzzed is how the sink reads them). The sink must answer
// each with a code and never read outside the caller's arrays.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/com/ComTypes.h"
#include "server_link/ZRStowlyEvents.h"
#include "platform/app_server/ZRStowly_TLB.h"

namespace {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  int32_t Int() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | Byte();
    return static_cast<int32_t>(v);
  }
  std::wstring Text() {
    std::wstring text;
    for (uint8_t n = Byte() % 12; n > 0; --n) text.push_back(static_cast<wchar_t>(Byte()));
    return text;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// Arguments and what they point to, released at the end of the call.
struct Arguments {
  std::vector<VARIANT> values;
  std::vector<LONG> longs = std::vector<LONG>(16);
  std::vector<BSTR> strings = std::vector<BSTR>(16, nullptr);
  ~Arguments() {
    for (BSTR s : strings) SysFreeString(s);
    for (auto& v : values)
      if (!(v.vt & VT_BYREF)) VariantClear(&v);
  }
};

VARIANT MakeArgument(Input& in, Arguments& args, size_t slot) {
  VARIANT v;
  VariantInit(&v);
  switch (in.Byte() % 12) {
    case 0: v.vt = VT_I4; v.lVal = in.Int(); break;
    case 1: v.vt = VT_BOOL; v.boolVal = static_cast<VARIANT_BOOL>(in.Int()); break;
    case 2: v.vt = VT_BSTR; v.bstrVal = SysAllocString(in.Text().c_str()); break;
    case 3: v.vt = VT_R8; v.dblVal = static_cast<double>(in.Int()) * 1e6; break;
    case 4: v.vt = VT_EMPTY; break;
    case 5: v.vt = VT_NULL; break;
    case 6: v.vt = VT_ERROR; v.scode = DISP_E_PARAMNOTFOUND; break;
    case 7: v.vt = VT_DISPATCH; v.pdispVal = nullptr; break;
    case 8:
      args.longs[slot] = in.Int();
      v.vt = VT_I4 | VT_BYREF;
      v.plVal = &args.longs[slot];
      break;
    case 9:
      args.strings[slot] = SysAllocString(in.Text().c_str());
      v.vt = VT_BSTR | VT_BYREF;
      v.pbstrVal = &args.strings[slot];
      break;
    case 10: {
      SAFEARRAYBOUND bound{in.Byte() % 5u, 0};
      v.vt = VT_ARRAY | VT_UI1;
      v.parray = SafeArrayCreate(VT_UI1, 1, &bound);
      break;
    }
    default: v.vt = VT_UI1; v.bVal = in.Byte(); break;
  }
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input in(data, size);
  vorn::TZRStowlyIGUIServerEvents sink(nullptr);
  int handled = 0;
  sink.OnDocumentDataChange = [&](vorn::TZRStowlyIGUIServerEvents*, LONG, VARIANT_BOOL, const std::wstring& c, LONG,
                                  LONG) { handled += static_cast<int>(c.size()); };
  sink.OnFFSettingsChange = [&](vorn::TZRStowlyIGUIServerEvents*, LONG v) { handled += v & 1; };
  sink.OnFFLogin = [&](vorn::TZRStowlyIGUIServerEvents*, VARIANT_BOOL v) { handled += v & 1; };

  const DISPID id = 200 + in.Byte() % 11;
  const WORD flags = static_cast<WORD>(in.Byte() % 16);
  const UINT count = in.Byte() % 9;
  Arguments args;
  for (UINT i = 0; i < count; ++i) args.values.push_back(MakeArgument(in, args, i));
  UINT named = in.Byte() % (count + 2);
  if (named > count) named = count;
  std::vector<DISPID> names;
  for (UINT j = 0; j < named; ++j) names.push_back(static_cast<int8_t>(in.Byte()));

  DISPPARAMS params{};
  params.cArgs = count;
  params.rgvarg = count ? args.values.data() : nullptr;
  params.cNamedArgs = named;
  params.rgdispidNamedArgs = named ? names.data() : nullptr;
  EXCEPINFO info{};
  UINT argErr = 0;
  const HRESULT hr = sink.Invoke(id, IID_NULL, 0, flags, &params, nullptr, in.Byte() & 1 ? &info : nullptr, &argErr);
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrHelpFile);
  // A failure must name an argument that exists, when it names one.
  if ((hr == DISP_E_TYPEMISMATCH || hr == DISP_E_OVERFLOW) && argErr >= count) __builtin_trap();
  static volatile int g_handled;
  g_handled = handled;
  return 0;
}
