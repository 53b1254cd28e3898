#include "platform/browser/QtWebBrowser.h"

#include "platform/browser/BrowserProfile.h"

#include <QUrl>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include <chrono>
#include <cstdint>

namespace platform {
namespace {

// The questions run in a script world of their own, which the page's scripts can neither see nor alter.
constexpr quint32 kWorld = QWebEngineScript::ApplicationWorld;

// A question that has had no answer for this long is asked again: the engine may drop questions
// asked while one document replaces another.
constexpr std::chrono::milliseconds kAskAgainAfter{250};

// The answer: the document's own mark (given on the first question), its address, its ready state
// and, once it can be read, its source.
const QString kAsk = QStringLiteral(
    "(function() {"
    "  if (!window.clipwaveDocument)"
    "    window.clipwaveDocument = String(Date.now()) + '-' + String(Math.random()).slice(2);"
    "  var answer = [window.clipwaveDocument, location.href, document.readyState];"
    "  if (answer[2] !== 'loading' && document.documentElement)"
    "    answer.push(document.documentElement.outerHTML);"
    "  return answer;"
    "})()");

const char* const kBlank = "about:blank";

// The largest page source handed over, in UTF-16 code units; a larger one counts as unreadable.
constexpr qsizetype kMaxSourceUnits = qsizetype{32} * 1024 * 1024;

int readyStateOf(const QString& name) {
  if (name == QLatin1String("interactive")) return BrowserReadyState::Interactive;
  if (name == QLatin1String("complete")) return BrowserReadyState::Complete;
  return BrowserReadyState::Loading;
}

}  // namespace

struct QtWebBrowser::State {
  std::unique_ptr<QWebEnginePage> page;
  std::uint64_t navigation = 0;  // navigations started; answers to questions of older ones are dropped
  bool toBlank = false;          // the last navigation went to the empty page
  // The document the last answer came from, and the one that was current when the last navigation
  // started: until the navigation has replaced it, that one still answers and is not listened to.
  QString answeringDocument;
  QString leftDocument;
  bool asking = false;
  std::chrono::steady_clock::time_point askedAt;
  int readyState = BrowserReadyState::Uninitialized;
  PageSource source;
};

QtWebBrowser::QtWebBrowser() : state_(std::make_shared<State>()) {}

// Answers still open are dropped with the page; the state they refer to is shared and outlives them.
QtWebBrowser::~QtWebBrowser() = default;

void QtWebBrowser::navigate(const std::string& address) {
  const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
  if (!url.isValid() || url.isRelative()) throw BrowserError("not a web address: " + address);
  load(address);
}

void QtWebBrowser::navigateBlank() {
  load(kBlank);
}

void QtWebBrowser::load(const std::string& address) {
  State& state = *state_;
  if (!state.page) createPage();
  ++state.navigation;
  state.toBlank = address == kBlank;
  state.leftDocument = state.answeringDocument;
  state.asking = false;
  state.readyState = BrowserReadyState::Loading;
  state.source = {};
  state.page->load(QUrl(QString::fromStdString(address)));
}

void QtWebBrowser::createPage() {
  State& state = *state_;
  state.page = std::make_unique<QWebEnginePage>(&sharedBrowserProfile());
  std::weak_ptr<State> weak = state_;
  // Ask again as soon as the loading moves on, rather than wait for an answer that may not come.
  const auto askAgain = [weak] {
    if (auto s = weak.lock()) s->asking = false;
  };
  QObject::connect(state.page.get(), &QWebEnginePage::loadProgress, askAgain);
  QObject::connect(state.page.get(), &QWebEnginePage::loadFinished, askAgain);
  // A page whose renderer has died has nothing left to copy out until the next navigation.
  QObject::connect(state.page.get(), &QWebEnginePage::renderProcessTerminated, [weak] {
    if (auto s = weak.lock()) {
      s->readyState = BrowserReadyState::Complete;
      s->source = {PageSource::Kind::Unreadable, {}};
    }
  });
}

int QtWebBrowser::readyState() {
  ask();
  return state_->readyState;
}

PageSource QtWebBrowser::source() {
  ask();
  return state_->source;
}

void QtWebBrowser::ask() {
  State& state = *state_;
  if (!state.page || state.source.state == PageSource::Kind::Unreadable) return;
  const auto now = std::chrono::steady_clock::now();
  if (state.asking && now - state.askedAt < kAskAgainAfter) return;
  state.asking = true;
  state.askedAt = now;
  std::weak_ptr<State> weak = state_;
  const std::uint64_t navigation = state.navigation;
  state.page->runJavaScript(kAsk, kWorld, [weak, navigation](const QVariant& answer) {
    auto s = weak.lock();
    if (!s || s->navigation != navigation) return;
    s->asking = false;
    take(*s, answer.toList());
  });
}

void QtWebBrowser::take(State& state, const QVariantList& answer) {
  if (answer.size() < 3) return;  // no answer: the document was being replaced
  const QString document = answer.at(0).toString();
  // The document the navigation is leaving, or the empty one a new page starts out with.
  if (document == state.leftDocument) return;
  if (!state.toBlank && answer.at(1).toString() == QLatin1String(kBlank)) return;
  state.answeringDocument = document;
  state.readyState = readyStateOf(answer.at(2).toString());
  if (state.readyState < BrowserReadyState::Interactive) return;
  const QString source = answer.size() > 3 ? answer.at(3).toString() : QString();
  if (answer.size() > 3 && source.size() <= kMaxSourceUnits)
    state.source = {PageSource::Kind::Text, source.toStdString()};
  else
    state.source = {PageSource::Kind::Unreadable, {}};
}

}  // namespace platform
