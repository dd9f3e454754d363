// Facts about the system a test program runs on, for the few checks where Wine
// answers differently from Windows and the test accepts both.
#pragma once

namespace testing_support {

// True when the Windows build runs under Wine; always false on the portable build.
bool RunningUnderWine();

}  // namespace testing_support
