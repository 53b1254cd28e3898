// Replays every saved fuzz case (corpus seeds and the crash cases the fuzzer found) through the same
// entry point as the fuzz target, in the ordinary build.
#include "ResponseHarness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

TEST(FuzzRegression, SavedCasesReplayCleanly) {
  int replayed = 0;
  for (const char* folder : {"corpus", "crashes"}) {
    std::filesystem::path dir = std::filesystem::path(CLIPWAVE_HTTP_FUZZ_CASES) / folder;
    if (!std::filesystem::exists(dir)) continue;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      if (!entry.is_regular_file() || entry.path().filename().string()[0] == '.') continue;
      SCOPED_TRACE(entry.path().string());
      std::ifstream in(entry.path(), std::ios::binary);
      std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      httptest::fuzzOneResponse(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0);
}

}  // namespace
