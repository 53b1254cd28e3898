// The client's content-coding handler: builds the decoder chain for each response body from its
// "content-encoding" value and computes the request's Accept-Encoding text. Switched off, every body
// passes straight to the output.
#pragma once

#include "net/http/ContentCoding.h"

#include <memory>
#include <string>
#include <vector>

namespace http {

struct ContentCodingItem {
  const ContentCodingClass* codingClass = nullptr;
  bool enabled = true;
  float quality = 0;
};

class ContentCodingHandler {
 public:
  // `output` receives the decoded bytes (the client's document-data step).
  explicit ContentCodingHandler(ContentOutput output);

  bool enabled() const { return enabled_; }
  void setEnabled(bool value);
  bool useQuality() const { return useQuality_; }
  void setUseQuality(bool value);
  std::vector<ContentCodingItem>& items() { return items_; }
  void itemsChanged() { headerStale_ = true; }

  // The Accept-Encoding value; empty while the handler is switched off.
  const std::string& headerText();
  // Builds the decoder chain for a body sent with this "content-encoding" value.
  void prepare(const std::string& contentEncoding);
  void writeBuffer(const char* data, std::size_t len);
  void complete();

 private:
  ContentOutput output_;
  bool enabled_ = false;
  bool useQuality_ = false;
  std::vector<ContentCodingItem> items_;
  std::string headerText_;
  bool headerStale_ = true;
  std::vector<std::unique_ptr<ContentCoding>> chain_;  // chain_.back() takes the input
};

}  // namespace http
