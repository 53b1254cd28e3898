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

ScriptedWebBrowser::Frame State(int readyState) {
  return {readyState, {}};
}

ScriptedWebBrowser::Frame Text(const std::string& text) {
  return {platform::BrowserReadyState::Interactive, {PageSource::Kind::Text, text}};
}

ScriptedWebBrowser::Frame Unreadable() {
  return {platform::BrowserReadyState::Complete, {PageSource::Kind::Unreadable, {}}};
}

ScriptedWebBrowser::Page PageOf(std::vector<ScriptedWebBrowser::Frame> frames) {
  return {std::move(frames), false};
}

// Runs the loop with a pump that counts the passes and a pass that reads markers from the page:
// "addr" found, "gone" end the attempt, "age" stop the request.
class PageRetrievalTest : public testing::Test {
 protected:
  PageRetrievalTest() {
    retrieval.SetLimits({/*PollMs=*/200, /*PassMs=*/1, /*Attempts=*/2});
    retrieval.SetPump([this](int) { ++pumps; });
  }

  PageRetrieval::Result Run(int stopAfterPumps = -1) {
    return retrieval.Retrieve(
        kAddress,
        [this](const std::string& text) {
          seen.push_back(text);
          if (text.find("addr") != std::string::npos) return PageRetrieval::PassOutcome::Found;
          if (text.find("gone") != std::string::npos) return PageRetrieval::PassOutcome::EndAttempt;
          if (text.find("age") != std::string::npos) return PageRetrieval::PassOutcome::Stopped;
          return PageRetrieval::PassOutcome::NothingYet;
        },
        [this, stopAfterPumps] { return stopAfterPumps >= 0 && pumps >= stopAfterPumps; });
  }

  ScriptedWebBrowser first;
  ScriptedWebBrowser second;
  PageRetrieval retrieval{first, second};
  std::vector<std::string> seen;
  int pumps = 0;
};

const std::string kNavigate = std::string("navigate ") + kAddress;

TEST_F(PageRetrievalTest, ReadsOnlyOnceTheDocumentIsInteractiveAndStopsAtTheAddress) {
  first.SetPages({PageOf({State(platform::BrowserReadyState::Uninitialized),
                          State(platform::BrowserReadyState::Loading),
                          State(platform::BrowserReadyState::Loaded),
                          Text("<p>half"),
                          {platform::BrowserReadyState::Interactive, {}},
                          Text("<p>addr")})});
  EXPECT_EQ(Run(), PageRetrieval::Result::Finished);
  // The frame that made the document interactive was read by the wait; a reading without a document
  // gives the pass empty text.
  EXPECT_EQ(seen, (std::vector<std::string>{"", "<p>addr"}));
  EXPECT_EQ(first.Calls(), (Calls{kNavigate, "blank"}));
  EXPECT_TRUE(second.Calls().empty());
  EXPECT_EQ(retrieval.ActiveBrowser(), 0);
}

TEST_F(PageRetrievalTest, AttemptsEndAtTheTimeLimitOrWhenThePageAsksAndTheSecondLoadsAfresh) {
  struct Case {
    const char* name;
    std::vector<ScriptedWebBrowser::Page> pages;
    Calls calls;
  };
  const std::vector<Case> cases = {
      {"nothing ever found", {PageOf({Text("<p>nothing")})}, {kNavigate, "blank", kNavigate, "blank"}},
      {"not available, then found",
       {PageOf({Text("gone")}), PageOf({Text("addr")})},
       {kNavigate, "blank", kNavigate, "blank"}},
      {"found at once", {PageOf({Text("addr")})}, {kNavigate, "blank"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedWebBrowser one;
    ScriptedWebBrowser two;
    PageRetrieval loop(one, two);
    loop.SetLimits({/*PollMs=*/30, /*PassMs=*/1, /*Attempts=*/2});
    one.SetPages(c.pages);
    EXPECT_EQ(loop.Retrieve(
                  kAddress,
                  [](const std::string& text) {
                    if (text == "addr") return PageRetrieval::PassOutcome::Found;
                    if (text == "gone") return PageRetrieval::PassOutcome::EndAttempt;
                    return PageRetrieval::PassOutcome::NothingYet;
                  },
                  [] { return false; }),
              PageRetrieval::Result::Finished);
    EXPECT_EQ(one.Calls(), c.calls);
    EXPECT_TRUE(two.Calls().empty());
  }
}

TEST_F(PageRetrievalTest, UnreadableTextMovesThePageToTheSecondControlForGood) {
  first.SetPages({PageOf({Unreadable()})});
  second.SetPages({PageOf({Text("addr")})});
  EXPECT_EQ(Run(), PageRetrieval::Result::Finished);
  EXPECT_EQ(first.Calls(), (Calls{kNavigate, "blank"}));
  EXPECT_EQ(second.Calls(), (Calls{kNavigate, "blank"}));
  EXPECT_EQ(retrieval.ActiveBrowser(), 1);

  // The next page of the same window is loaded in the second control as well.
  EXPECT_EQ(Run(), PageRetrieval::Result::Finished);
  EXPECT_EQ(first.Calls().size(), 2u);
  EXPECT_EQ(second.Calls(), (Calls{kNavigate, "blank", kNavigate, "blank"}));
}

TEST_F(PageRetrievalTest, TextUnreadableInBothControlsEndsTheRetrieval) {
  first.SetPages({PageOf({Unreadable()})});
  second.SetPages({PageOf({Text("<p>nothing"), Text("<p>nothing"), Unreadable()})});
  EXPECT_EQ(Run(), PageRetrieval::Result::TextUnreadable);
  EXPECT_EQ(first.Calls(), (Calls{kNavigate, "blank"}));
  EXPECT_EQ(second.Calls(), (Calls{kNavigate}));
  EXPECT_EQ(seen, (std::vector<std::string>{"<p>nothing"}));
}

TEST_F(PageRetrievalTest, EachAttemptMayReloadOnceWhenTheTextCannotBeRead) {
  first.SetPages({PageOf({Unreadable()})});
  // Attempt 1 in the second control runs out of time; attempt 2 cannot read it, reloads it there, and
  // finds the address.
  second.SetPages({PageOf({Text("<p>nothing")}), PageOf({Unreadable()}), PageOf({Text("addr")})});
  EXPECT_EQ(Run(), PageRetrieval::Result::Finished);
  EXPECT_EQ(first.Calls(), (Calls{kNavigate, "blank"}));
  EXPECT_EQ(second.Calls(), (Calls{kNavigate, "blank", kNavigate, "blank", kNavigate, "blank"}));
  EXPECT_EQ(seen.back(), "addr");
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
       PageOf({State(platform::BrowserReadyState::Loading)}), 5, 0},
      {"during the polling", PageOf({Text("<p>nothing")}), 3, 2},
      {"by the pass (age check)", PageOf({Text("age")}), -1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedWebBrowser one;
    ScriptedWebBrowser two;
    PageRetrieval loop(one, two);
    int pumpCount = 0;
    std::size_t passes = 0;
    loop.SetLimits({/*PollMs=*/60000, /*PassMs=*/1, /*Attempts=*/2});
    loop.SetPump([&](int) { ++pumpCount; });
    one.SetPages({c.page});
    EXPECT_EQ(loop.Retrieve(
                  kAddress,
                  [&](const std::string& text) {
                    ++passes;
                    return text == "age" ? PageRetrieval::PassOutcome::Stopped
                                         : PageRetrieval::PassOutcome::NothingYet;
                  },
                  [&] { return c.stopAfterPumps >= 0 && pumpCount >= c.stopAfterPumps; }),
              PageRetrieval::Result::Stopped);
    EXPECT_EQ(passes, c.passes);
    EXPECT_EQ(one.Calls(), (Calls{kNavigate}));  // not even blanked
  }
}

TEST_F(PageRetrievalTest, ARefusedNavigationEndsTheRetrievalWithTheControlsError) {
  ScriptedWebBrowser::Page refused;
  refused.Refused = true;
  first.SetPages({refused});
  EXPECT_EQ(Run(), PageRetrieval::Result::BrowserFailed);
  EXPECT_NE(retrieval.LastError().find(kAddress), std::string::npos);
  EXPECT_TRUE(seen.empty());
}

TEST_F(PageRetrievalTest, TheDefaultPumpHandlesMessagesBetweenPasses) {
  // No pump set: the pause between passes waits on the thread's messages, and the time limit holds.
  PageRetrieval loop(first, second);
  loop.SetLimits({/*PollMs=*/40, /*PassMs=*/5, /*Attempts=*/1});
  first.SetPages({PageOf({Text("<p>nothing")})});
  int passes = 0;
  EXPECT_EQ(loop.Retrieve(
                kAddress,
                [&](const std::string&) {
                  ++passes;
                  return PageRetrieval::PassOutcome::NothingYet;
                },
                [] { return false; }),
            PageRetrieval::Result::Finished);
  EXPECT_GE(passes, 1);
  EXPECT_LE(passes, 10);  // paced, not spinning
  EXPECT_EQ(first.Calls(), (Calls{kNavigate, "blank"}));
}

}  // namespace
