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
  bool Enabled = true;
  float Quality = 0;
};

class ContentCodingHandler {
 public:
  // `output` receives the decoded bytes (the client's document-data step).
  explicit ContentCodingHandler(ContentOutput output);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  bool UseQuality() const { return useQuality_; }
  void SetUseQuality(bool value);
  std::vector<ContentCodingItem>& Items() { return items_; }
  void ItemsChanged() { headerStale_ = true; }

  // The Accept-Encoding value; empty while the handler is switched off.
  const std::string& HeaderText();
  // Builds the decoder chain for a body sent with this "content-encoding" value.
  void Prepare(const std::string& contentEncoding);
  void WriteBuffer(const char* data, std::size_t len);
  void Complete();

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
