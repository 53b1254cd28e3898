// The cookie rules a download sends cookies by, where the list of public suffixes is missing, and the saved
// inputs of their fuzz target replayed.
#include "CookieRulesFuzzCheck.h"

#include "download/StreamCookies.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

// Without the list, a domain cookie of fewer than three labels goes to its own host only: ".co.uk" could
// be anyone's, and a signed-in ".youtube.com" session stays home.
TEST(CookieRules, WithoutTheSuffixListShortDomainsStayHome) {
  download::usePublicSuffixList("/nonexistent/public_suffix_list.dat");
  const struct {
    const char* domain;
    const char* address;
    bool sent;
  } cases[] = {
      {".co.uk", "http://shop.co.uk/", false},
      {".youtube.com", "https://www.youtube.com/", false},
      {".youtube.com", "https://youtube.com/", true},
      {"youtube.com", "https://youtube.com/", true},
      {".example.co.uk", "http://www.example.co.uk/", true},
      {".a.example.com", "http://b.a.example.com/", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(download::cookieHeaderFor({{"a", "v", c.domain, "/", false, -1}}, c.address, 0),
              c.sent ? "a=v" : "")
        << c.domain << " to " << c.address;
  }
  download::usePublicSuffixList({});
  EXPECT_EQ(
      download::cookieHeaderFor({{"a", "v", ".youtube.com", "/", false, -1}}, "https://www.youtube.com/", 0),
      "a=v")
      << "with the list, the domain's own hosts get it";
}

TEST(CookieRules, SavedFuzzInputsPass) {
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(CLIPWAVE_COOKIE_RULES_FUZZ_CASES)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string input((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(fuzzing::checkCookieRules(reinterpret_cast<const std::uint8_t*>(input.data()), input.size()),
              "")
        << entry.path();
    ++replayed;
  }
  EXPECT_GT(replayed, 0);
}

}  // namespace
