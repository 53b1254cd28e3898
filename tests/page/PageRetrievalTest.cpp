// The page-retrieval loop with scripted browser controls: waiting for a readable document, the two
// attempts, the switch to the second control when the text cannot be read, time limits and Stop.
#include "download/PageRetrieval.h"
#include "platform/browser/ScriptedWebBrowser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using download::PageRetrieval;
using platform::PageSource;
using platform::ScriptedWebBrowser;
using Calls = std::vector<std::string>;

constexpr const char* kAddress = "http://video.test/watch?v=abc";

ScriptedWebBrowser::Frame state(int readyState) {
  return {readyState, {}};
}

ScriptedWebBrowser::Frame text(const std::string& text) {
  return {platform::BrowserReadyState::Interactive, {PageSource::Kind::Text, text}};
}

ScriptedWebBrowser::Frame unreadable() {
  return {platform::BrowserReadyState::Complete, {PageSource::Kind::Unreadable, {}}};
}

ScriptedWebBrowser::Page pageOf(std::vector<ScriptedWebBrowser::Frame> frames) {
  return {std::move(frames), false};
}

// Runs the loop with a pump that counts the passes and a pass that reads markers from the page:
// "addr" found, "gone" end the attempt, "age" stop the request.
class PageRetrievalTest : public testing::Test {
 protected:
  PageRetrievalTest() {
    retrieval_.setLimits({/*pollMs=*/200, /*passMs=*/1, /*attempts=*/2});
    retrieval_.setPump([this](int) { ++pumps_; });
  }

  PageRetrieval::Result Run(int stopAfterPumps = -1) {
    return retrieval_.retrieve(
        kAddress,
        [this](const std::string& text) {
          seen_.push_back(text);
          if (text.find("addr") != std::string::npos) return PageRetrieval::PassOutcome::Found;
          if (text.find("gone") != std::string::npos) return PageRetrieval::PassOutcome::EndAttempt;
          if (text.find("age") != std::string::npos) return PageRetrieval::PassOutcome::Stopped;
          return PageRetrieval::PassOutcome::NothingYet;
        },
        [this, stopAfterPumps] { return stopAfterPumps >= 0 && pumps_ >= stopAfterPumps; });
  }

  ScriptedWebBrowser first_;
  ScriptedWebBrowser second_;
  PageRetrieval retrieval_{first_, second_};
  std::vector<std::string> seen_;
  int pumps_ = 0;
};

const std::string kNavigate = std::string("navigate ") + kAddress;

TEST_F(PageRetrievalTest, ReadsOnlyOnceTheDocumentIsInteractiveAndStopsAtTheAddress) {
  first_.setPages({pageOf({state(platform::BrowserReadyState::Uninitialized),
                           state(platform::BrowserReadyState::Loading),
                           state(platform::BrowserReadyState::Loaded),
                           text("<p>half"),
                           {platform::BrowserReadyState::Interactive, {}},
                           text("<p>addr")})});
  EXPECT_EQ(Run(), PageRetrieval::Result::Finished);
  // The frame that made the document interactive was read by the wait; a reading without a document
  // gives the pass empty text.
  EXPECT_EQ(seen_, (std::vector<std::string>{"", "<p>addr"}));
  EXPECT_EQ(first_.calls(), (Calls{kNavigate, "blank"}));
  EXPECT_TRUE(second_.calls().empty());
  EXPECT_EQ(retrieval_.activeBrowser(), 0);
}

TEST_F(PageRetrievalTest, AttemptsEndAtTheTimeLimitOrWhenThePageAsksAndTheSecondLoadsAfresh) {
  struct Case {
    const char* name;
    std::vector<ScriptedWebBrowser::Page> pages;
    Calls calls;
  };
  const std::vector<Case> cases = {
      {"nothing ever found", {pageOf({text("<p>nothing")})}, {kNavigate, "blank", kNavigate, "blank"}},
      {"not available, then found",
       {pageOf({text("gone")}), pageOf({text("addr")})},
       {kNavigate, "blank", kNavigate, "blank"}},
      {"found at once", {pageOf({text("addr")})}, {kNavigate, "blank"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedWebBrowser one;
    ScriptedWebBrowser two;
    PageRetrieval loop(one, two);
    loop.setLimits({/*pollMs=*/30, /*passMs=*/1, /*attempts=*/2});
    one.setPages(c.pages);
    EXPECT_EQ(loop.retrieve(
                  kAddress,
                  [](const std::string& text) {
                    if (text == "addr") return PageRetrieval::PassOutcome::Found;
                    if (text == "gone") return PageRetrieval::PassOutcome::EndAttempt;
                    return PageRetrieval::PassOutcome::NothingYet;
                  },
                  [] { return false; }),
              PageRetrieval::Result::Finished);
    EXPECT_EQ(one.calls(), c.calls);
    EXPECT_TRUE(two.calls().empty());
  }
}

TEST_F(PageRetrievalTest, UnreadableTextMovesThePageToTheSecondControlForGood) {
  first_.setPages({pageOf({unreadable()})});
  second_.setPages({pageOf({text("addr")})});
  EXPECT_EQ(Run(), PageRetrieval::Result::Finished);
  EXPECT_EQ(first_.calls(), (Calls{kNavigate, "blank"}));
  EXPECT_EQ(second_.calls(), (Calls{kNavigate, "blank"}));
  EXPECT_EQ(retrieval_.activeBrowser(), 1);

  // The next page of the same window is loaded in the second control as well.
  EXPECT_EQ(Run(), PageRetrieval::Result::Finished);
  EXPECT_EQ(first_.calls().size(), 2u);
  EXPECT_EQ(second_.calls(), (Calls{kNavigate, "blank", kNavigate, "blank"}));
}

TEST_F(PageRetrievalTest, TextUnreadableInBothControlsEndsTheRetrieval) {
  first_.setPages({pageOf({unreadable()})});
  second_.setPages({pageOf({text("<p>nothing"), text("<p>nothing"), unreadable()})});
  EXPECT_EQ(Run(), PageRetrieval::Result::TextUnreadable);
  EXPECT_EQ(first_.calls(), (Calls{kNavigate, "blank"}));
  EXPECT_EQ(second_.calls(), (Calls{kNavigate}));
  EXPECT_EQ(seen_, (std::vector<std::string>{"<p>nothing"}));
}

TEST_F(PageRetrievalTest, EachAttemptMayReloadOnceWhenTheTextCannotBeRead) {
  first_.setPages({pageOf({unreadable()})});
  // Attempt 1 in the second control runs out of time; attempt 2 cannot read it, reloads it there, and
  // finds the address.
  second_.setPages({pageOf({text("<p>nothing")}), pageOf({unreadable()}), pageOf({text("addr")})});
  EXPECT_EQ(Run(), PageRetrieval::Result::Finished);
  EXPECT_EQ(first_.calls(), (Calls{kNavigate, "blank"}));
  EXPECT_EQ(second_.calls(), (Calls{kNavigate, "blank", kNavigate, "blank", kNavigate, "blank"}));
  EXPECT_EQ(seen_.back(), "addr");
}

TEST_F(PageRetrievalTest, StopEndsTheWaitThePollingAndThePassAtOnce) {
  struct Case {
    const char* name;
    ScriptedWebBrowser::Page page;
    int stopAfterPumps;
    std::size_t passes;
  };
  const std::vector<Case> cases = {
      {"during the wait for a document that never becomes readable",
       pageOf({state(platform::BrowserReadyState::Loading)}), 5, 0},
      {"during the polling", pageOf({text("<p>nothing")}), 3, 2},
      {"by the pass (age check)", pageOf({text("age")}), -1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedWebBrowser one;
    ScriptedWebBrowser two;
    PageRetrieval loop(one, two);
    int pumpCount = 0;
    std::size_t passes = 0;
    loop.setLimits({/*pollMs=*/60000, /*passMs=*/1, /*attempts=*/2});
    loop.setPump([&](int) { ++pumpCount; });
    one.setPages({c.page});
    EXPECT_EQ(loop.retrieve(
                  kAddress,
                  [&](const std::string& text) {
                    ++passes;
                    return text == "age" ? PageRetrieval::PassOutcome::Stopped
                                         : PageRetrieval::PassOutcome::NothingYet;
                  },
                  [&] { return c.stopAfterPumps >= 0 && pumpCount >= c.stopAfterPumps; }),
              PageRetrieval::Result::Stopped);
    EXPECT_EQ(passes, c.passes);
    EXPECT_EQ(one.calls(), (Calls{kNavigate}));  // not even blanked
  }
}

TEST_F(PageRetrievalTest, ARefusedNavigationEndsTheRetrievalWithTheControlsError) {
  ScriptedWebBrowser::Page refused;
  refused.refused = true;
  first_.setPages({refused});
  EXPECT_EQ(Run(), PageRetrieval::Result::BrowserFailed);
  EXPECT_NE(retrieval_.lastError().find(kAddress), std::string::npos);
  EXPECT_TRUE(seen_.empty());
}

TEST_F(PageRetrievalTest, TheDefaultPumpHandlesMessagesBetweenPasses) {
  // No pump set: the pause between passes waits on the thread's messages, and the time limit holds.
  PageRetrieval loop(first_, second_);
  loop.setLimits({/*pollMs=*/40, /*passMs=*/5, /*attempts=*/1});
  first_.setPages({pageOf({text("<p>nothing")})});
  int passes = 0;
  EXPECT_EQ(loop.retrieve(
                kAddress,
                [&](const std::string&) {
                  ++passes;
                  return PageRetrieval::PassOutcome::NothingYet;
                },
                [] { return false; }),
            PageRetrieval::Result::Finished);
  EXPECT_GE(passes, 1);
  EXPECT_LE(passes, 10);  // paced, not spinning
  EXPECT_EQ(first_.calls(), (Calls{kNavigate, "blank"}));
}

}  // namespace
