// The archive the tools show the toolbars against: sample pages kept with
// their pictures, and quick-link groups of a chosen size. Shared by the
// archive server's own process and the portable browser's tour, which serves
// the archive in its own process.
#pragma once

#include <string>
#include <vector>

#include "standins/app_server/ArchiveServer.h"

namespace vornie_tools {

// The pages (paths or addresses, as the stand-in browser is given them) join
// the archive under the addresses the browser gives them once loaded, each
// with its picture (the page drawn at 640 x 480, shrunk to a quarter). The
// first has comments and a rating; together they are one site: each one's
// domain links are all of them. Answers the addresses they were kept under.
std::vector<std::wstring> ArchivePages(standins::ArchiveServer& server, const std::vector<std::wstring>& pages);

// `groups` visible groups named "Group N" of `links` links each.
std::vector<standins::ArchiveServer::QuickGroup> QuickGroups(int groups, int links);

}  // namespace vornie_tools
