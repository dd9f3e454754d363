// vornie-page: runs the page utilities over an HTML file.
//
//   vornie-page links PAGE.html [--frames] [--selection FROM_ID:TO_ID]
//   vornie-page images PAGE.html [--frames] [--selection FROM_ID:TO_ID]
//   vornie-page highlight PAGE.html [--states FILE]
//
// See Usage() for the output and the states file. Exit code 0 on success, 2
// for bad arguments or input (with a message on stderr).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <tuple>
#include <sstream>
#include <string>
#include <vector>

#include "page_utils/HTML_UI_Less.h"
#include "page_utils/OffUtilsFuncUnit.h"
#include "platform/com/ComError.h"
#include "platform/com/Text.h"
#include "platform/com/Variant.h"
#include "standins/app_server/ArchiveServer.h"
#include "standins/html/HtmlDocument.h"

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

long ParseNumber(const std::string& value, int line) {
  char* end = nullptr;
  const long number = std::strtol(value.c_str(), &end, 10);
  if (value.empty() || *end != '\0') throw Failure{"line " + std::to_string(line) + ": not a number: \"" + value + "\""};
  return number;
}

// COLOUR -> (default flag, OLE colour)
std::pair<bool, OLE_COLOR> ParseColor(std::istringstream& words, int line) {
  std::string word;
  words >> word;
  if (word == "default") return {true, 0};
  if (word == "system") {
    std::string index;
    words >> index;
    return {false, 0x80000000u | static_cast<OLE_COLOR>(ParseNumber(index, line) & 0xFF)};
  }
  if (word.size() == 7 && word[0] == '#') {
    char* end = nullptr;
    const unsigned long rgb = std::strtoul(word.c_str() + 1, &end, 16);
    if (*end == '\0')
      return {false, static_cast<OLE_COLOR>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF))};
  }
  throw Failure{"line " + std::to_string(line) + ": expected #RRGGBB, default or system N, got \"" + word + "\""};
}

struct States {
  standins::ArchiveServer::HighlightSettings settings;
  ULONG browserId = 0;
  std::vector<std::pair<std::wstring, LONG>> states;
};

States ReadStates(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw Failure{"cannot read " + path};
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
      result.settings.decoration = static_cast<LONG>(ParseNumber(value, line));
    } else if (key == "browser-id") {
      result.browserId = static_cast<ULONG>(ParseNumber(value, line));
    } else if (key == "state") {
      std::string address;
      words >> address;
      if (address.empty()) throw Failure{"line " + std::to_string(line) + ": state without an address"};
      result.states.emplace_back(com::FromUtf8(address), static_cast<LONG>(ParseNumber(value, line)));
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
};

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
    } else {
      throw Failure{"unknown option " + arg};
    }
  }
  if (options.command != "links" && options.command != "images" && options.command != "highlight")
    throw Failure{"unknown command " + options.command};
  return options;
}

int Run(const Options& options) {
  standins::html::LoadOptions load;
  load.frames = standins::html::FileLoader();
  com::ComPtr<IDispatch> document = standins::html::LoadDocumentFile(options.page, load);
  if (!document) throw Failure{"cannot read " + options.page};
  if (options.selection) standins::html::SelectRange(document.Get(), options.selection->first, options.selection->second);
  const com::Variant ref(document.Get());

  if (options.command == "links") {
    std::vector<std::wstring> urls, titles;
    vorn::CollectLinks(ref, options.frames, options.selection.has_value(), urls, titles);
    for (std::size_t i = 0; i < urls.size(); ++i) std::cout << Utf8(urls[i]) << '\t' << Utf8(OneLine(titles[i])) << '\n';
    return 0;
  }
  if (options.command == "images") {
    std::vector<std::wstring> urls;
    vorn::CollectImages(ref, options.frames, options.selection.has_value(), urls);
    for (const std::wstring& url : urls) std::cout << Utf8(url) << '\n';
    return 0;
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
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::cout << kUsage;
    return 0;
  }
  try {
    return Run(ParseArguments(argc, argv));
  } catch (const Failure& f) {
    std::cerr << "vornie-page: " << f.message << "\n" << kUsage;
    return 2;
  } catch (const com::ComError& e) {
    std::cerr << "vornie-page: " << e.what() << " (" << Utf8(com::HResultText(e.hr())) << ")\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "vornie-page: " << e.what() << "\n";
    return 1;
  }
}
