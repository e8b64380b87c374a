#include "tools/zolt-check/homepage.h"

#include "disc/discfile.h"

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <memory>

namespace zolt::check {
namespace {

struct DocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// "http:", "mailto:", "javascript:", "data:": a scheme of two or more
// letters before any "/", "?" or "#". A single letter is a drive ("C:"),
// which is a local path.
bool HasScheme(std::string_view value) {
  const std::size_t colon = value.find(':');
  if (colon == std::string_view::npos || colon < 2) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    const char c = value[i];
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                    (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
    if (!ok) return false;
  }
  return true;
}

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string LocalPath(std::string_view value) {
  const std::size_t cut = value.find_first_of("?#");
  if (cut != std::string_view::npos) value = value.substr(0, cut);
  std::string path;
  for (std::size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c == '%' && i + 2 < value.size() && Hex(value[i + 1]) >= 0 && Hex(value[i + 2]) >= 0) {
      c = static_cast<char>(Hex(value[i + 1]) * 16 + Hex(value[i + 2]));
      i += 2;
    } else if (c == '\\') {
      c = '/';  // the web view reads a backslash in a file address as a separator
    }
    path.push_back(c);
  }
  return path;
}

bool IsReferenceAttribute(std::string_view element, std::string_view attribute) {
  if (attribute == "src" || attribute == "background" || attribute == "poster") return true;
  if (attribute == "href") return element != "base";
  return attribute == "data" && element == "object";
}

void Collect(xmlNode* node, std::vector<PageReference>& references, bool& hasBase) {
  for (; node != nullptr; node = node->next) {
    if (node->type == XML_ELEMENT_NODE) {
      const std::string element = Lower(reinterpret_cast<const char*>(node->name));
      if (element == "base" && xmlHasProp(node, reinterpret_cast<const xmlChar*>("href")) != nullptr) hasBase = true;
      for (xmlAttr* attribute = node->properties; attribute != nullptr; attribute = attribute->next) {
        const std::string name = Lower(reinterpret_cast<const char*>(attribute->name));
        if (!IsReferenceAttribute(element, name)) continue;
        xmlChar* raw = xmlNodeGetContent(reinterpret_cast<xmlNode*>(attribute));
        if (raw == nullptr) continue;
        std::string value(reinterpret_cast<const char*>(raw));
        xmlFree(raw);
        const std::size_t first = value.find_first_not_of(" \t\r\n");
        const std::size_t last = value.find_last_not_of(" \t\r\n");
        value = first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
        if (value.empty() || value.front() == '#' || value.starts_with("//") || HasScheme(value)) continue;
        std::string path = LocalPath(value);
        if (path.empty()) continue;  // "?page=2": the page itself
        references.push_back({element, std::move(value), std::move(path)});
      }
    }
    Collect(node->children, references, hasBase);
  }
}

}  // namespace

std::vector<PageReference> LocalReferences(std::string_view html) {
  std::vector<PageReference> references;
  if (html.empty()) return references;
  const std::unique_ptr<xmlDoc, DocFree> doc(htmlReadMemory(
      html.data(), static_cast<int>(html.size()), disc::kHomePageFile.data(), nullptr,
      HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET));
  if (!doc) return references;
  bool hasBase = false;
  Collect(xmlDocGetRootElement(doc.get()), references, hasBase);
  if (hasBase) references.clear();
  return references;
}

}  // namespace zolt::check
