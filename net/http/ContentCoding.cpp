#include "net/http/ContentCoding.h"

#include "common/Text.h"
#include "net/http/ContentCodingHandler.h"

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
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    if (common::equalsNoCase(it->coding, name)) return &*it;
  }
  return nullptr;
}

}  // namespace http
