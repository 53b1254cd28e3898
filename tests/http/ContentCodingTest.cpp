// The coding registry and the handler's decoder chain.
#include "net/http/HttpContCodHandler.h"

#include <gtest/gtest.h>

namespace {

using namespace http;

// A decoder that marks what passes through it, to see the order of the chain.
template <char Mark>
class MarkCoding : public THttpContentCoding {
 public:
  using THttpContentCoding::THttpContentCoding;
  std::string GetCoding() const override { return std::string("mark-") + Mark; }
  void WriteBuffer(const char* data, std::size_t len) override {
    std::string s(data, len);
    s += Mark;
    output_(s.data(), s.size());
  }
  void Complete() override { output_("|", 1); }
};

class Nameless : public THttpContentCoding {
 public:
  using THttpContentCoding::THttpContentCoding;
  void WriteBuffer(const char*, std::size_t) override {}
  const char* ClassName() const override { return "Nameless"; }
};

TEST(ContentCoding, RegistryHoldsIdentityAndStar) {
  auto& list = TContCodingsList::Instance();
  ASSERT_NE(list.Find("IDENTITY"), nullptr);
  ASSERT_NE(list.Find("*"), nullptr);
  EXPECT_EQ(list.Find("gzip"), nullptr);
  EXPECT_THROW(
      {
        try {
          list.Register<Nameless>(1);
        } catch (const EHttpContentCodingException& e) {
          EXPECT_STREQ(e.what(), "GetCoding must be overriden in Nameless");
          throw;
        }
      },
      EHttpContentCodingException);
}

TEST(ContentCoding, ChainUndoesCodingsInReverseAndUnknownPassesThrough) {
  TContCodingsList::Instance().Register<MarkCoding<'a'>>(0.5f);
  TContCodingsList::Instance().Register<MarkCoding<'b'>>(1);
  std::string out;
  THttpContCodHandler handler([&](const char* d, std::size_t n) { out.append(d, n); });

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
