#include "SampleArchive.h"

#include <cstdint>

#include "page_utils/ImageCaptureUnit.h"
#include "platform/browser/ViewObject.h"
#include "standins/browser/BrowserPage.h"

namespace vornie_tools {

std::vector<std::wstring> ArchivePages(standins::ArchiveServer& server, const std::vector<std::wstring>& pages) {
  std::vector<BYTE> site;
  std::vector<std::wstring> urls;
  LONG id = 42;
  for (const std::wstring& address : pages) {
    const standins::BrowserPage page = standins::LoadBrowserPage(address);
    const forms::TBitmap picture =
        vorn::RenderPicture(com::QueryAs<IViewObject>(page.document.Get()).Get(), 640, 480, 25);
    standins::ArchiveServer::Document document{.id = id, .url = page.url, .rating = 1};
    if (id == 42) {
      document.comments = L"Kept for the toolbar's pictures";
      document.status = 2;
      document.rating = 3;
    }
    if (!picture.Empty()) document.picture = standins::ArchiveServer::MakeBitmapFile(picture);
    server.AddDocument(std::move(document));
    for (int shift = 0; shift < 32; shift += 8) site.push_back(static_cast<BYTE>(static_cast<std::uint32_t>(id) >> shift));
    urls.push_back(page.url);
    ++id;
  }
  for (const std::wstring& url : urls) server.SetDomainLinkBytes(url, site);
  return urls;
}

std::vector<standins::ArchiveServer::QuickGroup> QuickGroups(int groups, int links) {
  std::vector<standins::ArchiveServer::QuickGroup> out(static_cast<std::size_t>(groups));
  for (int g = 0; g < groups; ++g) {
    out[g].name = L"Group " + std::to_wstring(g + 1);
    for (int l = 0; l < links; ++l)
      out[g].links.push_back({L"Link " + std::to_wstring(l + 1),
                              L"http://links.example.com/" + std::to_wstring(g + 1) + L"/" + std::to_wstring(l + 1)});
  }
  return out;
}

}  // namespace vornie_tools
