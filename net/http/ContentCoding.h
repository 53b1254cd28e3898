// Content codings: the decoder classes, and the process-wide registry of the codings the client can
// undo. "identity" and "*" are registered from the start and pass bytes through unchanged.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace http {

using ContentOutput = std::function<void(const char* data, std::size_t len)>;

class ContentCodingException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One decoder of a response body: takes coded bytes and hands decoded bytes to its output.
class ContentCoding {
 public:
  explicit ContentCoding(ContentOutput output) : output_(std::move(output)) {}
  virtual ~ContentCoding() = default;

  // The coding's name; a class that does not give one raises "GetCoding must be overriden in <class>".
  virtual std::string codingName() const;
  virtual const char* className() const { return "ContentCoding"; }
  virtual bool isUsable() const { return true; }
  virtual void writeBuffer(const char* data, std::size_t len) = 0;
  virtual void complete() {}

 protected:
  ContentOutput output_;
};

class IdentityCoding : public ContentCoding {
 public:
  using ContentCoding::ContentCoding;
  std::string codingName() const override { return "identity"; }
  const char* className() const override { return "IdentityCoding"; }
  void writeBuffer(const char* data, std::size_t len) override { output_(data, len); }
};

class WildcardCoding : public ContentCoding {
 public:
  using ContentCoding::ContentCoding;
  std::string codingName() const override { return "*"; }
  const char* className() const override { return "WildcardCoding"; }
  void writeBuffer(const char* data, std::size_t len) override { output_(data, len); }
};

// A registered coding class.
struct ContentCodingClass {
  std::string coding;
  float defaultQuality = 0;
  std::function<std::unique_ptr<ContentCoding>(ContentOutput)> create;
};

// The registry of coding classes, one for the whole process, created on first use.
class ContentCodingRegistry {
 public:
  static ContentCodingRegistry& instance();

  template <class Coding>
  void registerCoding(float defaultQuality) {
    auto create = [](ContentOutput out) -> std::unique_ptr<ContentCoding> {
      return std::make_unique<Coding>(std::move(out));
    };
    add(create(nullptr)->codingName(), defaultQuality, create);
  }
  // The newest registration of the coding `name` (letter case ignored), or nullptr.
  const ContentCodingClass* find(const std::string& name) const;
  const std::vector<ContentCodingClass>& items() const { return items_; }

 private:
  ContentCodingRegistry();
  void add(const std::string& coding, float quality,
           std::function<std::unique_ptr<ContentCoding>(ContentOutput)> create);

  std::vector<ContentCodingClass> items_;
};

}  // namespace http
