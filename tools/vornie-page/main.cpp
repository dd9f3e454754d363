// vornie-page: runs the page utilities over an HTML file.
//
//   vornie-page links PAGE.html [--frames] [--selection FROM_ID:TO_ID]
//   vornie-page images PAGE.html [--frames] [--selection FROM_ID:TO_ID]
//   vornie-page highlight PAGE.html [--states FILE]
//   vornie-page capture PAGE.html --window WxH --scale PERCENT --format CODE -o OUT.gif
//
// See kUsage for the output, the states file and the exit codes.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <tuple>
#include <sstream>
#include <string>
#include <vector>

#include "page_utils/HTML_UI_Less.h"
#include "page_utils/ImageCaptureUnit.h"
#include "page_utils/OffUtilsFuncUnit.h"
#include "platform/browser/ViewObject.h"
#include "platform/com/ComError.h"
#include "platform/com/SafeArray.h"
#include "platform/com/Text.h"
#include "platform/com/Variant.h"
#include "standins/app_server/ArchiveServer.h"
#include "standins/html/HtmlDocument.h"
#include "standins/html/PageFile.h"

namespace {

struct Failure {
  std::string message;
};

const char kUsage[] = R"(usage:
  vornie-page links PAGE.html [--frames] [--selection FROM_ID:TO_ID]
      One line per distinct link: its address, a TAB, its title (UTF-8; line
      breaks and TABs in a title become spaces).
  vornie-page images PAGE.html [--frames] [--selection FROM_ID:TO_ID]
      One line per distinct image address.
  vornie-page highlight PAGE.html [--states FILE]
      Marks the page's links as a server with the settings and link states of
      FILE asks, and writes the page's HTML with the new inline styles to
      stdout. Without --states there is no server: every mark is cleared.
  vornie-page capture PAGE.html --window WxH --scale PERCENT --format CODE -o OUT.gif
      Draws the page (frames are loaded from disk but not drawn) as a window
      of W x H pixels shows it, scales the picture by PERCENT and writes it
      as a GIF file of the colour depth CODE: 0 the display's, 1 1-bit,
      2 4-bit (16-colour system palette), 3 8-bit (halftone palette), 4 15-bit,
      5 16-bit, 6 24-bit, 7 32-bit. Exit code 1 and no file when no picture
      results (an unknown CODE: "Invalid pixel format"; an empty window or
      picture; a scale below zero; a picture too large).

  --frames      also walk the page's frames (one level deep), read from disk
  --selection   select the text from the element with id FROM_ID to the one
                with id TO_ID and take only what lies inside it

States file: one entry per line; blank lines and lines starting with "#" are
ignored. Booleans are true/false, colours #RRGGBB, "default" or "system N"
(the Windows system colour N).
  enabled true|false          highlighting on for this browser (true)
  mark-archived true|false    mark archived (state >= 0) or unarchived (-1) links (true)
  text-color COLOUR           (default)
  back-color COLOUR           (#FFFF00)
  bold true|false             (false)
  decoration N                0 none, 1 overline, 2 line-through, 3 underline (3)
  browser-id N                the browser identifier passed along (0)
  state N ADDRESS             the state of a link address (others: -1)
Numbers are decimal: N and the state a 32-bit integer, browser-id 0 to 4294967295,
a system colour 0 to 255.

Input: PAGE.html, the states file and the files of frames must be regular files
of at most 256 MiB. A page or states file that is missing, is a directory, a
device, a pipe or a socket, or is larger, is an error; such a frame is skipped
(left empty), as a browser leaves a frame it cannot load.

Exit codes: 0 success; 2 bad arguments, or a page or states file that cannot
be read or parsed; 1 no picture (capture), standard output or the picture file
cannot be written, or the page utilities fail. Every error is reported on
stderr.
)";

std::string Utf8(const std::wstring& text) { return com::ToUtf8(text); }

std::wstring OneLine(std::wstring text) {
  for (wchar_t& c : text)
    if (c == L'\r' || c == L'\n' || c == L'\t') c = L' ';
  return text;
}

bool ParseBool(const std::string& value, int line) {
  if (value == "true") return true;
  if (value == "false") return false;
  throw Failure{"line " + std::to_string(line) + ": expected true or false, got \"" + value + "\""};
}

// A decimal integer within [least, most]; anything else, however close, is an error.
long long ParseNumber(const std::string& value, int line, long long least, long long most) {
  char* end = nullptr;
  errno = 0;
  const long long number = std::strtoll(value.c_str(), &end, 10);
  if (value.empty() || *end != '\0') throw Failure{"line " + std::to_string(line) + ": not a number: \"" + value + "\""};
  if (errno == ERANGE || number < least || number > most)
    throw Failure{"line " + std::to_string(line) + ": " + value + " is out of range (" + std::to_string(least) +
                  " to " + std::to_string(most) + ")"};
  return number;
}

LONG ParseLongEntry(const std::string& value, int line) {
  return static_cast<LONG>(ParseNumber(value, line, -2147483648LL, 2147483647LL));
}

// COLOUR -> (default flag, OLE colour)
std::pair<bool, OLE_COLOR> ParseColor(std::istringstream& words, int line) {
  std::string word;
  words >> word;
  if (word == "default") return {true, 0};
  if (word == "system") {
    std::string index;
    words >> index;
    return {false, 0x80000000u | static_cast<OLE_COLOR>(ParseNumber(index, line, 0, 255))};
  }
  if (word.size() == 7 && word[0] == '#' &&
      word.find_first_not_of("0123456789abcdefABCDEF", 1) == std::string::npos) {
    const unsigned long rgb = std::strtoul(word.c_str() + 1, nullptr, 16);
    return {false, static_cast<OLE_COLOR>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF))};
  }
  throw Failure{"line " + std::to_string(line) + ": expected #RRGGBB, default or system N, got \"" + word + "\""};
}

// A page or states file, read as pages are: a regular file of bounded size.
std::string ReadInputFile(const std::string& path) {
  try {
    return standins::html::ReadPageFile(std::filesystem::u8path(path));
  } catch (const standins::html::PageFileError& e) {
    throw Failure{e.what()};
  }
}

struct States {
  standins::ArchiveServer::HighlightSettings settings;
  ULONG browserId = 0;
  std::vector<std::pair<std::wstring, LONG>> states;
};

States ReadStates(const std::string& path) {
  std::istringstream in(ReadInputFile(path));
  States result;
  result.settings.backColorDefault = false;
  result.settings.backColor = 0x00FFFF;
  std::string text;
  int line = 0;
  while (std::getline(in, text)) {
    ++line;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    std::istringstream words(text);
    std::string key;
    if (!(words >> key) || key[0] == '#') continue;
    std::string value;
    if (key == "text-color") {
      std::tie(result.settings.textColorDefault, result.settings.textColor) = ParseColor(words, line);
      continue;
    }
    if (key == "back-color") {
      std::tie(result.settings.backColorDefault, result.settings.backColor) = ParseColor(words, line);
      continue;
    }
    words >> value;
    if (key == "enabled") {
      result.settings.enabled = ParseBool(value, line);
    } else if (key == "mark-archived") {
      result.settings.markArchived = ParseBool(value, line);
    } else if (key == "bold") {
      result.settings.bold = ParseBool(value, line);
    } else if (key == "decoration") {
      result.settings.decoration = ParseLongEntry(value, line);
    } else if (key == "browser-id") {
      result.browserId = static_cast<ULONG>(ParseNumber(value, line, 0, 4294967295LL));
    } else if (key == "state") {
      std::string address;
      words >> address;
      if (address.empty()) throw Failure{"line " + std::to_string(line) + ": state without an address"};
      result.states.emplace_back(com::FromUtf8(address), ParseLongEntry(value, line));
    } else {
      throw Failure{"line " + std::to_string(line) + ": unknown entry \"" + key + "\""};
    }
  }
  return result;
}

struct Options {
  std::string command;
  std::string page;
  bool frames = false;
  std::optional<std::pair<std::wstring, std::wstring>> selection;
  std::optional<std::string> states;
  // capture
  std::optional<std::pair<LONG, LONG>> window;
  std::optional<LONG> scale, format;
  std::string output;
};

LONG ParseLong(const std::string& value, const std::string& option) {
  char* end = nullptr;
  errno = 0;
  const long long number = std::strtoll(value.c_str(), &end, 10);
  if (value.empty() || *end != '\0' || errno != 0 || number < -2147483648LL || number > 2147483647LL)
    throw Failure{option + " wants a 32-bit integer, got \"" + value + "\""};
  return static_cast<LONG>(number);
}

std::pair<LONG, LONG> ParseSize(const std::string& value) {
  const auto x = value.find_first_of("xX");
  if (x == std::string::npos) throw Failure{"--window wants WxH, got \"" + value + "\""};
  return {ParseLong(value.substr(0, x), "--window"), ParseLong(value.substr(x + 1), "--window")};
}

Options ParseArguments(int argc, char** argv) {
  if (argc < 3) throw Failure{"missing arguments"};
  Options options;
  options.command = argv[1];
  options.page = argv[2];
  for (int i = 3; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--frames") {
      options.frames = true;
    } else if (arg == "--selection" && i + 1 < argc) {
      const std::string range = argv[++i];
      const auto colon = range.find(':');
      if (colon == std::string::npos) throw Failure{"--selection wants FROM_ID:TO_ID"};
      options.selection.emplace(com::FromUtf8(range.substr(0, colon)), com::FromUtf8(range.substr(colon + 1)));
    } else if (arg == "--states" && i + 1 < argc) {
      options.states = argv[++i];
    } else if (arg == "--window" && i + 1 < argc) {
      options.window = ParseSize(argv[++i]);
    } else if (arg == "--scale" && i + 1 < argc) {
      options.scale = ParseLong(argv[++i], "--scale");
    } else if (arg == "--format" && i + 1 < argc) {
      options.format = ParseLong(argv[++i], "--format");
    } else if (arg == "-o" && i + 1 < argc) {
      options.output = argv[++i];
    } else {
      throw Failure{"unknown option " + arg};
    }
  }
  if (options.command != "links" && options.command != "images" && options.command != "highlight" &&
      options.command != "capture")
    throw Failure{"unknown command " + options.command};
  if (options.command == "capture" && (!options.window || !options.scale || !options.format || options.output.empty()))
    throw Failure{"capture wants --window, --scale, --format and -o"};
  return options;
}

// Why CapturePicture gave nothing, as far as the arguments tell.
std::string NoPictureReason(const Options& options) {
  try {
    vorn::PixelFormatOfCode(*options.format);
  } catch (const com::ComError& e) {
    return Utf8(e.message());
  }
  const auto [width, height] = *options.window;
  if (width <= 0 || height <= 0) return "the window is empty";
  if (*options.scale < 0) return "the scale is negative";
  if (vorn::ScaledSide(width, *options.scale) == 0 || vorn::ScaledSide(height, *options.scale) == 0)
    return "the scaled picture is empty";
  return "the picture could not be made (too large, or drawing or encoding failed)";
}

int Capture(IDispatch* document, const Options& options) {
  auto view = com::QueryAs<IViewObject>(document);
  if (!view) throw Failure{"the page has no view"};
  com::Variant data;
  vorn::CapturePicture(view.Get(), options.window->first, options.window->second, *options.scale, *options.format,
                       data);
  std::vector<BYTE> bytes;
  com::SafeArray array;
  if (data.vt() == VT_EMPTY || FAILED(com::SafeArray::FromVariant(data, &array)) || FAILED(array.ToBytes(&bytes)) ||
      bytes.empty()) {
    std::cerr << "vornie-page: no picture: " << NoPictureReason(options) << "\n";
    return 1;
  }
  std::ofstream out(options.output, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::cerr << "vornie-page: cannot write " << options.output << "\n";
    return 1;
  }
  return 0;
}

// Output that cannot be written (a full disk, a closed pipe) is a failure, not a quiet success.
int FinishOutput() {
  std::cout.flush();
  if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::cerr << "vornie-page: cannot write standard output\n";
    return 1;
  }
  return 0;
}

int Run(const Options& options) {
  standins::html::LoadOptions load;
  load.frames = standins::html::FileLoader();
  com::ComPtr<IDispatch> document;
  try {
    document = standins::html::OpenDocumentFile(options.page, load);
  } catch (const standins::html::PageFileError& e) {
    throw Failure{e.what()};
  }
  if (options.selection) standins::html::SelectRange(document.Get(), options.selection->first, options.selection->second);
  const com::Variant ref(document.Get());

  if (options.command == "links") {
    std::vector<std::wstring> urls, titles;
    vorn::CollectLinks(ref, options.frames, options.selection.has_value(), urls, titles);
    for (std::size_t i = 0; i < urls.size(); ++i) std::cout << Utf8(urls[i]) << '\t' << Utf8(OneLine(titles[i])) << '\n';
    return FinishOutput();
  }
  if (options.command == "capture") return Capture(document.Get(), options);
  if (options.command == "images") {
    std::vector<std::wstring> urls;
    vorn::CollectImages(ref, options.frames, options.selection.has_value(), urls);
    for (const std::wstring& url : urls) std::cout << Utf8(url) << '\n';
    return FinishOutput();
  }
  com::ComPtr<standins::ArchiveServer> server;
  ULONG browserId = 0;
  if (options.states) {
    const States states = ReadStates(*options.states);
    server = standins::ArchiveServer::Create();
    server->SetHighlightSettings(states.settings);
    for (const auto& [address, state] : states.states) server->SetLinkState(address, state);
    browserId = states.browserId;
  }
  vorn::HighlightDocument(browserId, document.Get(),
                          server ? static_cast<vorn::IGUIServer*>(server.Get()) : nullptr);
  std::cout << standins::html::SerializeHtml(document.Get());
  return FinishOutput();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::cout << kUsage;
    return FinishOutput();
  }
  Options options;
  try {
    options = ParseArguments(argc, argv);
  } catch (const Failure& f) {
    std::cerr << "vornie-page: " << f.message << "\n" << kUsage;
    return 2;
  }
  try {
    return Run(options);
  } catch (const Failure& f) {
    std::cerr << "vornie-page: " << f.message << "\n";
    return 2;
  } catch (const com::ComError& e) {
    std::cerr << "vornie-page: " << e.what() << " (" << Utf8(com::HResultText(e.hr())) << ")\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "vornie-page: " << e.what() << "\n";
    return 1;
  }
}
