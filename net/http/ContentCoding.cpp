#include "net/http/ContentCoding.h"

#include "net/http/ContentCodingHandler.h"

#include <algorithm>
#include <cctype>

namespace http {

std::string ContentCoding::codingName() const {
  throw ContentCodingException(std::string("GetCoding must be overriden in ") + className());
}

ContentCodingRegistry& ContentCodingRegistry::instance() {
  static ContentCodingRegistry list;
  return list;
}

ContentCodingRegistry::ContentCodingRegistry() {
  registerCoding<IdentityCoding>(0);
  registerCoding<WildcardCoding>(0);
}

void ContentCodingRegistry::add(const std::string& coding, float quality,
                                std::function<std::unique_ptr<ContentCoding>(ContentOutput)> create) {
  items_.push_back(ContentCodingClass{coding, quality, std::move(create)});
}

const ContentCodingClass* ContentCodingRegistry::find(const std::string& name) const {
  auto same = [&](const std::string& coding) {
    return std::equal(coding.begin(), coding.end(), name.begin(), name.end(), [](char a, char b) {
      return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
  };
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    if (same(it->coding)) return &*it;
  }
  return nullptr;
}

}  // namespace http
