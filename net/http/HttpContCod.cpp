#include "net/http/HttpContCod.h"

#include "net/http/HttpContCodHandler.h"

#include <algorithm>
#include <cctype>

namespace http {

std::string THttpContentCoding::GetCoding() const {
  throw EHttpContentCodingException(std::string("GetCoding must be overriden in ") + ClassName());
}

TContCodingsList& TContCodingsList::Instance() {
  static TContCodingsList list;
  return list;
}

TContCodingsList::TContCodingsList() {
  Register<THttpCCodIdentity>(0);
  Register<THttpCCodStar>(0);
}

void TContCodingsList::Add(const std::string& coding, float quality,
                           std::function<std::unique_ptr<THttpContentCoding>(TContentOutput)> create) {
  items_.push_back(TContCodingClass{coding, quality, std::move(create)});
}

const TContCodingClass* TContCodingsList::Find(const std::string& name) const {
  auto same = [&](const std::string& coding) {
    return std::equal(coding.begin(), coding.end(), name.begin(), name.end(), [](char a, char b) {
      return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
  };
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    if (same(it->Coding)) return &*it;
  }
  return nullptr;
}

}  // namespace http
