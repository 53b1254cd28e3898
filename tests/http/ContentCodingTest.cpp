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
  void WriteBuffer(const char* data, std::size_t len) override {
    std::string s(data, len);
    s += Mark;
    output_(s.data(), s.size());
  }
  void Complete() override { output_("|", 1); }
};

class Nameless : public ContentCoding {
 public:
  using ContentCoding::ContentCoding;
  void WriteBuffer(const char*, std::size_t) override {}
  const char* ClassName() const override { return "Nameless"; }
};

TEST(ContentCoding, RegistryHoldsIdentityAndStar) {
  auto& list = ContentCodingRegistry::Instance();
  ASSERT_NE(list.Find("IDENTITY"), nullptr);
  ASSERT_NE(list.Find("*"), nullptr);
  EXPECT_EQ(list.Find("gzip"), nullptr);
  EXPECT_THROW(
      {
        try {
          list.Register<Nameless>(1);
        } catch (const ContentCodingException& e) {
          EXPECT_STREQ(e.what(), "GetCoding must be overriden in Nameless");
          throw;
        }
      },
      ContentCodingException);
}

TEST(ContentCoding, ChainUndoesCodingsInReverseAndUnknownPassesThrough) {
  ContentCodingRegistry::Instance().Register<MarkCoding<'a'>>(0.5f);
  ContentCodingRegistry::Instance().Register<MarkCoding<'b'>>(1);
  std::string out;
  ContentCodingHandler handler([&](const char* d, std::size_t n) { out.append(d, n); });

  handler.Prepare("mark-a, mark-b");  // switched off: passes straight through
  handler.WriteBuffer("x", 1);
  EXPECT_EQ(out, "x");

  handler.SetEnabled(true);
  out.clear();
  handler.Prepare("mark-a, mark-b");
  handler.WriteBuffer("x", 1);
  handler.Complete();
  // "b" was applied last, so it is undone first; finishing runs last-created first, its mark through "a".
  EXPECT_EQ(out, "xba|a|");

  out.clear();
  handler.Prepare("mark-a, gzip");
  handler.WriteBuffer("x", 1);
  EXPECT_EQ(out, "x");

  EXPECT_EQ(handler.HeaderText(), "mark-a, mark-b");
  handler.SetUseQuality(true);
  EXPECT_EQ(handler.HeaderText(), "mark-a;q=0.5, mark-b;q=1");
  handler.SetEnabled(false);
  EXPECT_EQ(handler.HeaderText(), "");
}

}  // namespace
