#include "platform/com/GuidString.h"

namespace com {

std::wstring GuidToString(const GUID& guid) {
  OLECHAR buf[40] = {};
  StringFromGUID2(guid, buf, 40);
  return buf;
}

}  // namespace com
