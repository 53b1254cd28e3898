// The coding registry and the handler's decoder chain.
#include "net/http/ContentCodingHandler.h"

#include <gtest/gtest.h>

namespace {

using namespace http;

// A decoder that marks what passes through it, to see the order of the chain.
template <char Mark>
class MarkCoding : public ContentCoding {
 public:
  using ContentCoding::ContentCoding;
  std::string codingName() const override { return std::string("mark-") + Mark; }
  void writeBuffer(const char* data, std::size_t len) override {
    std::string s(data, len);
    s += Mark;
    output_(s.data(), s.size());
  }
  void complete() override { output_("|", 1); }
};

class Nameless : public ContentCoding {
 public:
  using ContentCoding::ContentCoding;
  void writeBuffer(const char*, std::size_t) override {}
  const char* className() const override { return "Nameless"; }
};

TEST(ContentCoding, RegistryHoldsIdentityAndStar) {
  auto& list = ContentCodingRegistry::instance();
  ASSERT_NE(list.find("IDENTITY"), nullptr);
  ASSERT_NE(list.find("*"), nullptr);
  EXPECT_EQ(list.find("gzip"), nullptr);
  EXPECT_THROW(
      {
        try {
          list.registerCoding<Nameless>(1);
        } catch (const ContentCodingException& e) {
          EXPECT_STREQ(e.what(), "GetCoding must be overriden in Nameless");
          throw;
        }
      },
      ContentCodingException);
}

TEST(ContentCoding, ChainUndoesCodingsInReverseAndUnknownPassesThrough) {
  ContentCodingRegistry::instance().registerCoding<MarkCoding<'a'>>(0.5f);
  ContentCodingRegistry::instance().registerCoding<MarkCoding<'b'>>(1);
  std::string out;
  ContentCodingHandler handler([&](const char* d, std::size_t n) { out.append(d, n); });

  handler.prepare("mark-a, mark-b");  // switched off: passes straight through
  handler.writeBuffer("x", 1);
  EXPECT_EQ(out, "x");

  handler.setEnabled(true);
  out.clear();
  handler.prepare("mark-a, mark-b");
  handler.writeBuffer("x", 1);
  handler.complete();
  // "b" was applied last, so it is undone first; finishing runs last-created first, its mark through "a".
  EXPECT_EQ(out, "xba|a|");

  out.clear();
  handler.prepare("mark-a, gzip");
  handler.writeBuffer("x", 1);
  EXPECT_EQ(out, "x");

  EXPECT_EQ(handler.headerText(), "mark-a, mark-b");
  handler.setUseQuality(true);
  EXPECT_EQ(handler.headerText(), "mark-a;q=0.5, mark-b;q=1");
  handler.setEnabled(false);
  EXPECT_EQ(handler.headerText(), "");
}

}  // namespace
