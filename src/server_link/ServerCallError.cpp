#include "server_link/ServerCallError.h"

#include <string>

namespace vorn {

HRESULT CheckServerCall(HRESULT hr, const wchar_t* method) {
  if (FAILED(hr)) throw EServerCallFailed(hr, std::wstring(method) + L" failed: " + com::HResultText(hr));
  return hr;
}

}  // namespace vorn
