// The page retrieval with scripted browser controls: waiting for a readable document, the two attempts, the
// switch to the second control when the text cannot be read, time limits and Stop, all from the event loop.
#include "download/sites/PageRetrieval.h"
#include "platform/browser/ScriptedWebBrowser.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <optional>
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

// Runs `loop` over `address` with `pass` until it reports its result; nullopt when it never does within the
// limit.
std::optional<PageRetrieval::Result> retrieve(PageRetrieval& loop, const PageRetrieval::Extraction& pass,
                                              int limitMs = 10000) {
  std::optional<PageRetrieval::Result> result;
  loop.start(kAddress, pass, [&result](PageRetrieval::Result r) { result = r; });
  testing_support::waitFor([&] { return result.has_value(); }, limitMs);
  loop.stop();
  return result;
}

// Runs the retrieval with a pass that reads markers from the page: "addr" found, "gone" end the attempt,
// "age" end the retrieval.
class PageRetrievalTest : public testing::Test {
 protected:
  PageRetrievalTest() { retrieval_.setLimits({/*pollMs=*/200, /*passMs=*/1, /*attempts=*/2}); }

  std::optional<PageRetrieval::Result> Run() {
    return retrieve(retrieval_, [this](const std::string& text) {
      seen_.push_back(text);
      if (text.find("addr") != std::string::npos) return PageRetrieval::PassOutcome::Found;
      if (text.find("gone") != std::string::npos) return PageRetrieval::PassOutcome::EndAttempt;
      if (text.find("age") != std::string::npos) return PageRetrieval::PassOutcome::EndRetrieval;
      return PageRetrieval::PassOutcome::NothingYet;
    });
  }

  ScriptedWebBrowser first_;
  ScriptedWebBrowser second_;
  PageRetrieval retrieval_{first_, second_};
  std::vector<std::string> seen_;
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
    EXPECT_EQ(retrieve(loop,
                       [](const std::string& text) {
                         if (text == "addr") return PageRetrieval::PassOutcome::Found;
                         if (text == "gone") return PageRetrieval::PassOutcome::EndAttempt;
                         return PageRetrieval::PassOutcome::NothingYet;
                       }),
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

// Stop during the wait for a document or during the polling ends the retrieval at once, with no result and
// the control left as it is; a pass that has seen enough ends it with its own result.
TEST_F(PageRetrievalTest, StopEndsTheWaitAndThePollingAndThePassEndsTheRetrieval) {
  struct Case {
    const char* name;
    ScriptedWebBrowser::Page page;
    int stopAfterPasses;  // 0: stopped while waiting for the document; -1: never stopped
    std::size_t passes;
    std::optional<PageRetrieval::Result> result;
  };
  const std::vector<Case> cases = {
      {"during the wait for a document that never becomes readable",
       pageOf({state(platform::BrowserReadyState::Loading)}), 0, 0, std::nullopt},
      {"during the polling", pageOf({text("<p>nothing")}), 2, 2, std::nullopt},
      {"by the pass (age check)", pageOf({text("age")}), -1, 1, PageRetrieval::Result::EndedByPass},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedWebBrowser one;
    ScriptedWebBrowser two;
    PageRetrieval loop(one, two);
    std::size_t passes = 0;
    loop.setLimits({/*pollMs=*/60000, /*passMs=*/1, /*attempts=*/2});
    one.setPages({c.page});
    std::optional<PageRetrieval::Result> result;
    loop.start(
        kAddress,
        [&](const std::string& text) {
          ++passes;
          if (c.stopAfterPasses > 0 && passes == static_cast<std::size_t>(c.stopAfterPasses)) loop.stop();
          return text == "age" ? PageRetrieval::PassOutcome::EndRetrieval
                               : PageRetrieval::PassOutcome::NothingYet;
        },
        [&](PageRetrieval::Result r) { result = r; });
    testing_support::waitFor([&] { return result.has_value(); }, 100);
    if (c.stopAfterPasses == 0) {
      EXPECT_GE(one.reads(), 5);  // it waited, looking again and again
      loop.stop();
    }
    testing_support::waitFor([] { return false; }, 30);  // nothing comes after a stop
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(passes, c.passes);
    // A page still loading or being read when stopped is released; one the pass ended is left as it is.
    EXPECT_EQ(one.calls(), (c.result ? Calls{kNavigate} : Calls{kNavigate, "blank"}));
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

// A page that never becomes readable ends the retrieval at the readable limit, naming the address.
TEST_F(PageRetrievalTest, APageNeverReadableEndsAtTheReadableLimit) {
  retrieval_.setReadableLimit(60);
  first_.setPages({pageOf({state(platform::BrowserReadyState::Loading)})});
  EXPECT_EQ(Run(), PageRetrieval::Result::BrowserFailed);
  EXPECT_EQ(retrieval_.lastError(), std::string("Unable get html from ") + kAddress);
  EXPECT_EQ(first_.calls(), (Calls{kNavigate, "blank"}));
  EXPECT_TRUE(seen_.empty());
}

TEST_F(PageRetrievalTest, PassesArePacedByTheTimerAndTheTimeLimitHolds) {
  PageRetrieval loop(first_, second_);
  loop.setLimits({/*pollMs=*/40, /*passMs=*/5, /*attempts=*/1});
  first_.setPages({pageOf({text("<p>nothing")})});
  int passes = 0;
  EXPECT_EQ(retrieve(loop,
                     [&](const std::string&) {
                       ++passes;
                       return PageRetrieval::PassOutcome::NothingYet;
                     }),
            PageRetrieval::Result::Finished);
  EXPECT_GE(passes, 1);
  EXPECT_LE(passes, 10);  // paced, not spinning
  EXPECT_EQ(first_.calls(), (Calls{kNavigate, "blank"}));
}

}  // namespace
