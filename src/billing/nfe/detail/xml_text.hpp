// What the NF-e's web-service code does with XML text on the way in and out:
// a message put inside another without its declaration, and one element of
// a parsed answer taken out as a document of its own.
#pragma once

#include <libxml/tree.h>

#include <memory>
#include <string>
#include <string_view>

namespace zpk::nfe::detail {

struct XmlDocFree {
  void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
using XmlDoc = std::unique_ptr<xmlDoc, XmlDocFree>;

// The document without its XML declaration and the blanks after it, so that
// it can stand inside another element.
std::string_view without_declaration(std::string_view xml);

// The element and everything in it as a document of its own, without
// declaration; the namespaces declared above it are carried down to it.
std::string element_document(const xmlNode* node);

}  // namespace zpk::nfe::detail
