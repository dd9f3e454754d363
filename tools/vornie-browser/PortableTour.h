// vornie-browser --tour DIR on the portable build: a guided tour of the
// product as a person would take it, headless. The archive application's
// stand-in serves in this process; the pointer, clicks and typed keys go to
// the real windows through the portable window system's driver, and time
// passes on its virtual clock. Each step saves DIR/NN-name.png (the browser
// frame with the windows over it: hints, cards and the menu held open) and
// adds a line to DIR/tour.log saying what was done and what was checked.
#pragma once

#include <string>

namespace vornie_browser {

// samples: the folder of the sample pages. Answers 0 when every check held,
// 1 otherwise (each failure is in the log and on stderr; the tour goes on).
int RunTour(const std::wstring& dir, const std::wstring& samples);

}  // namespace vornie_browser
