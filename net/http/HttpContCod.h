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

using TContentOutput = std::function<void(const char* data, std::size_t len)>;

class EHttpContentCodingException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One decoder of a response body: takes coded bytes and hands decoded bytes to its output.
class THttpContentCoding {
 public:
  explicit THttpContentCoding(TContentOutput output) : output_(std::move(output)) {}
  virtual ~THttpContentCoding() = default;

  // The coding's name; a class that does not give one raises "GetCoding must be overriden in <class>".
  virtual std::string GetCoding() const;
  virtual const char* ClassName() const { return "THttpContentCoding"; }
  virtual bool IsUsable() const { return true; }
  virtual void WriteBuffer(const char* data, std::size_t len) = 0;
  virtual void Complete() {}

 protected:
  TContentOutput output_;
};

class THttpCCodIdentity : public THttpContentCoding {
 public:
  using THttpContentCoding::THttpContentCoding;
  std::string GetCoding() const override { return "identity"; }
  const char* ClassName() const override { return "THttpCCodIdentity"; }
  void WriteBuffer(const char* data, std::size_t len) override { output_(data, len); }
};

class THttpCCodStar : public THttpContentCoding {
 public:
  using THttpContentCoding::THttpContentCoding;
  std::string GetCoding() const override { return "*"; }
  const char* ClassName() const override { return "THttpCCodStar"; }
  void WriteBuffer(const char* data, std::size_t len) override { output_(data, len); }
};

// A registered coding class.
struct TContCodingClass {
  std::string Coding;
  float DefaultQuality = 0;
  std::function<std::unique_ptr<THttpContentCoding>(TContentOutput)> Create;
};

// The registry of coding classes, one for the whole process, created on first use.
class TContCodingsList {
 public:
  static TContCodingsList& Instance();

  template <class Coding>
  void Register(float defaultQuality) {
    auto create = [](TContentOutput out) -> std::unique_ptr<THttpContentCoding> {
      return std::make_unique<Coding>(std::move(out));
    };
    Add(create(nullptr)->GetCoding(), defaultQuality, create);
  }
  // The newest registration of the coding `name` (letter case ignored), or nullptr.
  const TContCodingClass* Find(const std::string& name) const;
  const std::vector<TContCodingClass>& Items() const { return items_; }

 private:
  TContCodingsList();
  void Add(const std::string& coding, float quality,
           std::function<std::unique_ptr<THttpContentCoding>(TContentOutput)> create);

  std::vector<TContCodingClass> items_;
};

}  // namespace http
