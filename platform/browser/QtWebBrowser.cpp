#include "platform/browser/QtWebBrowser.h"

#include "platform/browser/BrowserProfile.h"

#include <QDir>
#include <QFile>
#include <QPointer>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QUrl>
#include <QVariant>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
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

// The answer: the document's own mark (given on the first question), its address, its ready state,
// its character set and, once it can be read, the live document as the engine writes it out.
const QString kAsk = QStringLiteral(
    "(function() {"
    "  if (!window.clipwaveDocument)"
    "    window.clipwaveDocument = String(Date.now()) + '-' + String(Math.random()).slice(2);"
    "  var answer = [window.clipwaveDocument, location.href, document.readyState, document.characterSet];"
    "  if (answer[2] !== 'loading' && document.documentElement)"
    "    answer.push(document.documentElement.outerHTML);"
    "  return answer;"
    "})()");

const char* const kBlank = "about:blank";

// The largest page source handed over, in UTF-16 code units; a larger one counts as unreadable.
constexpr qsizetype kMaxSourceUnits = qsizetype{32} * 1024 * 1024;
// The largest text as the server sent it that is kept, in bytes; a larger one is left out.
constexpr qint64 kMaxSentBytes = qint64{32} * 1024 * 1024;
// How long the document's text as the server sent it is waited for once the document can be read;
// after that the live document is handed over alone.
constexpr std::chrono::seconds kSentTextWait{15};

// The text of `bytes` in the character set the engine read the document with (UTF-8 when the engine
// names a set that cannot be decoded here); a byte sequence that is not valid becomes U+FFFD.
std::string decodeSentText(const QByteArray& bytes, const QString& characterSet) {
  QStringDecoder decoder(characterSet.toLatin1().constData(), QStringConverter::Flag::Stateless);
  if (!decoder.isValid()) decoder = QStringDecoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  const QString text = decoder.decode(bytes);
  return text.toStdString();
}

int readyStateOf(const QString& name) {
  if (name == QLatin1String("interactive")) return BrowserReadyState::Interactive;
  if (name == QLatin1String("complete")) return BrowserReadyState::Complete;
  return BrowserReadyState::Loading;
}

}  // namespace

struct QtWebBrowser::State {
  // Fetching the document as the server sent it. The engine hands over only the live document, which
  // it writes out anew (an "&" inside an attribute comes out as "&amp;"); the server's own text is
  // asked for once more through the engine's download, in the same profile (the same cookies and
  // sign-in), as soon as the document can be read.
  enum class SentText { NotAsked, Fetching, Ready, Missing };

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
  SentText sent = SentText::NotAsked;
  QString sentDocument;                       // the document whose text that is
  QUrl sentUrl;                               // the document's address, asked for once more
  QPointer<QWebEngineDownloadRequest> fetch;  // that request while it runs
  std::chrono::steady_clock::time_point fetchStarted;
  QString characterSet;                   // what the engine read the document with
  std::string sentText;                   // the server's text, decoded
  std::unique_ptr<QTemporaryDir> folder;  // where the engine writes what it fetched

  void cancelFetch() {
    if (fetch) fetch->cancel();
    fetch = nullptr;
  }
};

QtWebBrowser::QtWebBrowser() : state_(std::make_shared<State>()) {}

// Answers still open are dropped with the page; the state they refer to is shared and outlives them.
QtWebBrowser::~QtWebBrowser() {
  state_->cancelFetch();
}

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
  state.cancelFetch();
  state.sent = State::SentText::NotAsked;
  state.sentText.clear();
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
  // The profile offers every download of every page; this control takes only the one it asked for.
  QObject::connect(&sharedBrowserProfile(), &QWebEngineProfile::downloadRequested, state.page.get(),
                   [weak](QWebEngineDownloadRequest* request) {
                     auto s = weak.lock();
                     if (!s || request->page() != s->page.get() || s->sent != State::SentText::Fetching ||
                         s->fetch || request->url() != s->sentUrl)
                       return;
                     acceptFetch(*s, weak, request);
                   });
}

void QtWebBrowser::startFetch(State& state, const QUrl& address) {
  state.sent = State::SentText::Missing;
  if (address.scheme() != QLatin1String("http") && address.scheme() != QLatin1String("https")) return;
  if (!state.folder) {
    state.folder =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/clipwave-page-XXXXXX"));
    if (!state.folder->isValid()) {
      state.folder.reset();
      return;
    }
  }
  state.sent = State::SentText::Fetching;
  state.sentUrl = address.adjusted(QUrl::RemoveFragment);
  state.fetchStarted = std::chrono::steady_clock::now();
  state.page->download(state.sentUrl);
}

void QtWebBrowser::acceptFetch(State& state, const std::weak_ptr<State>& weak,
                               QWebEngineDownloadRequest* request) {
  state.fetch = request;
  request->setDownloadDirectory(state.folder->path());
  request->setDownloadFileName(QStringLiteral("page-%1.html").arg(state.navigation));
  const std::uint64_t navigation = state.navigation;
  QObject::connect(request, &QWebEngineDownloadRequest::receivedBytesChanged, request, [request] {
    if (request->receivedBytes() > kMaxSentBytes) request->cancel();
  });
  QObject::connect(
      request, &QWebEngineDownloadRequest::isFinishedChanged, request, [weak, request, navigation] {
        if (!request->isFinished()) return;
        const QString path = request->downloadDirectory() + QLatin1Char('/') + request->downloadFileName();
        QFile file(path);
        auto s = weak.lock();
        if (s && s->navigation == navigation && s->fetch == request) {
          s->fetch = nullptr;
          s->sent = State::SentText::Missing;
          if (request->state() == QWebEngineDownloadRequest::DownloadCompleted &&
              file.size() <= kMaxSentBytes && file.open(QIODevice::ReadOnly)) {
            s->sentText = decodeSentText(file.readAll(), s->characterSet);
            s->sent = State::SentText::Ready;
            s->asking = false;  // the next look takes it in
          }
        }
        file.remove();
        request->deleteLater();
      });
  request->accept();
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

// The page text handed over is the document as the server sent it, then the live document, so that
// what the page's scripts add later is found too, while a marker found in both counts where the
// server wrote it.
void QtWebBrowser::take(State& state, const QVariantList& answer) {
  if (answer.size() < 4) return;  // no answer: the document was being replaced
  const QString document = answer.at(0).toString();
  // The document the navigation is leaving, or the empty one a new page starts out with.
  if (document == state.leftDocument) return;
  const QString address = answer.at(1).toString();
  if (!state.toBlank && address == QLatin1String(kBlank)) return;
  state.answeringDocument = document;
  state.readyState = readyStateOf(answer.at(2).toString());
  if (state.readyState < BrowserReadyState::Interactive) return;
  if (answer.size() < 5 || answer.at(4).toString().size() > kMaxSourceUnits) {
    state.source = {PageSource::Kind::Unreadable, {}};
    return;
  }
  if (state.sent != State::SentText::NotAsked && document != state.sentDocument) {
    // The page has gone on to another document of its own (a script or a refresh moved it on).
    state.cancelFetch();
    state.sent = State::SentText::NotAsked;
    state.sentText.clear();
  }
  if (state.sent == State::SentText::NotAsked) {
    state.sentDocument = document;
    state.characterSet = answer.at(3).toString();
    if (state.toBlank)
      state.sent = State::SentText::Missing;
    else
      startFetch(state, QUrl(address));
  }
  if (state.sent == State::SentText::Fetching) {
    if (std::chrono::steady_clock::now() - state.fetchStarted < kSentTextWait) {
      // Not readable yet: the live document alone could give a marker as the engine rewrote it.
      state.readyState = BrowserReadyState::Loaded;
      return;
    }
    state.cancelFetch();  // the live document goes alone
    state.sent = State::SentText::Missing;
  }
  std::string text = state.sent == State::SentText::Ready ? state.sentText + "\n" : std::string();
  text += answer.at(4).toString().toStdString();
  state.source = {PageSource::Kind::Text, std::move(text)};
}

}  // namespace platform
