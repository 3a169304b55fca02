#include "billing/nfe/detail/xml_text.hpp"

namespace zpk::nfe::detail {

std::string_view without_declaration(std::string_view xml) {
  if (xml.starts_with("<?xml")) {
    const auto end = xml.find("?>");
    if (end != std::string_view::npos) xml.remove_prefix(end + 2);
  }
  while (!xml.empty() && (xml.front() == '\n' || xml.front() == '\r' || xml.front() == ' '))
    xml.remove_prefix(1);
  return xml;
}

std::string element_document(const xmlNode* node) {
  XmlDoc out(xmlNewDoc(BAD_CAST "1.0"));
  xmlNode* copy = xmlDocCopyNode(const_cast<xmlNode*>(node), out.get(), 1);
  xmlDocSetRootElement(out.get(), copy);
  xmlReconciliateNs(out.get(), copy);
  xmlBuffer* buffer = xmlBufferCreate();
  xmlNodeDump(buffer, out.get(), copy, 0, 0);
  std::string text(reinterpret_cast<const char*>(xmlBufferContent(buffer)), xmlBufferLength(buffer));
  xmlBufferFree(buffer);
  return text;
}

}  // namespace zpk::nfe::detail
