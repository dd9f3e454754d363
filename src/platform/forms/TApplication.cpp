#include "platform/forms/TApplication.h"

namespace forms {

TApplication& Application() {
  static TApplication application;
  return application;
}

}  // namespace forms
