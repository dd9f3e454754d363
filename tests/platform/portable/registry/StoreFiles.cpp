#include "StoreFiles.h"

namespace storetest {

std::string ToolPath(const char* name) { return std::string(VORN_TOOLS_DIR) + "/" + name; }

}  // namespace storetest
