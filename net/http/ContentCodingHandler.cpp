#include "net/http/ContentCodingHandler.h"

#include "common/Text.h"

#include <cstdio>

namespace http {
namespace {

// The quality with up to three decimals, "." as decimal mark and no trailing zeros: 0.5, 1, 0.125.
std::string formatQuality(float q) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(q));
  std::string s = text;
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s.empty() ? "0" : s;
}

}  // namespace

ContentCodingHandler::ContentCodingHandler(ContentOutput output) : output_(std::move(output)) {
  for (const ContentCodingClass& c : ContentCodingRegistry::instance().items()) {
    items_.push_back(ContentCodingItem{&c, true, c.defaultQuality});
  }
}

void ContentCodingHandler::setEnabled(bool value) {
  if (value != enabled_) headerStale_ = true;
  enabled_ = value;
}

void ContentCodingHandler::setUseQuality(bool value) {
  if (value != useQuality_) headerStale_ = true;
  useQuality_ = value;
}

const std::string& ContentCodingHandler::headerText() {
  if (!enabled_) {
    static const std::string kEmpty;
    return kEmpty;
  }
  if (headerStale_) {
    headerText_.clear();
    for (const ContentCodingItem& item : items_) {
      if (!item.enabled || item.quality <= 0) continue;
      std::string one = item.codingClass->coding;
      if (useQuality_) one += ";q=" + formatQuality(item.quality);
      headerText_ = headerText_.empty() ? one : headerText_ + ", " + one;
    }
    headerStale_ = false;
  }
  return headerText_;
}

void ContentCodingHandler::prepare(const std::string& contentEncoding) {
  chain_.clear();
  if (!enabled_ || contentEncoding.empty()) return;
  std::size_t start = 0;
  while (start <= contentEncoding.size()) {
    std::size_t comma = contentEncoding.find(',', start);
    if (comma == std::string::npos) comma = contentEncoding.size();
    std::string name =
        common::trim(contentEncoding.substr(start, comma - start), common::Trim::SpacesAndTabs);
    const ContentCodingClass* cls = ContentCodingRegistry::instance().find(name);
    if (cls == nullptr) {
      chain_.clear();  // an unknown coding: the body is passed on undecoded
      return;
    }
    ContentOutput next = output_;
    if (!chain_.empty()) {
      ContentCoding* inner = chain_.back().get();
      next = [inner](const char* d, std::size_t n) { inner->writeBuffer(d, n); };
    }
    chain_.push_back(cls->create(std::move(next)));
    start = comma + 1;
  }
}

void ContentCodingHandler::writeBuffer(const char* data, std::size_t len) {
  if (chain_.empty()) {
    output_(data, len);
  } else {
    chain_.back()->writeBuffer(data, len);
  }
}

void ContentCodingHandler::complete() {
  for (auto it = chain_.rbegin(); it != chain_.rend(); ++it) (*it)->complete();
}

}  // namespace http
