// The automation objects over a Dom: document, collections, elements, style,
// selection, text ranges, windows of frames.
#pragma once

#include <memory>

#include "platform/com/ComPtr.h"
#include "standins/html/Dom.h"

namespace standins::html {

com::ComPtr<IDispatch> CreateDocumentObject(std::shared_ptr<Dom> dom);
// The tree behind a document object of ours; null for any other object.
std::shared_ptr<Dom> DomOf(IUnknown* document);
com::ComPtr<IDispatch> ElementObject(const std::shared_ptr<Dom>& dom, int node);

}  // namespace standins::html
