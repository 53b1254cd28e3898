// One request, from the video page (or local file) to the audio file, without any widget: the state
// the download window shows, and the phases, run from the events the request posts to itself and from
// the conversion's progress records. The window (or a command-line front end, or a test) shows
// the state through a RequestView and forwards Stop and close.
#pragma once

#include "download/ConversionRequest.h"
#include "download/DownloadProgress.h"
#include "download/PageRetrieval.h"
#include "download/PartFile.h"
#include "download/RequestEvents.h"
#include "net/http/FileStream.h"
#include "net/http/HttpClient.h"
#include "platform/Messages.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace download {

enum class Panel { None, FetchPage, Download, Convert };

// What the request shows; implemented by the download window.
class RequestView {
 public:
  virtual ~RequestView() = default;
  virtual void showPanel(Panel panel) = 0;
  virtual void showUrl(const std::string& address) = 0;  // the page being fetched
  // The download panel: the window centred on its owner, the file line (caption and hint), the bar
  // (`total` -1 while the size is unknown) and the size, speed and time remaining texts.
  virtual void centreOnOwner() = 0;
  virtual void showDownloadName(const std::string& text) = 0;
  virtual void showDownloadBar(std::int64_t received, std::int64_t total) = 0;
  virtual void showDownloadDetails(const std::string& received, const std::string& timeLeft,
                                   const std::string& speed) = 0;
  virtual void showConvertName(const std::string& name) = 0;
  virtual void showConvertProgress(int position, const std::string& elapsed,
                                   const std::string& estimated) = 0;
  // Ends the window's modal run with this result (platform::ModalResult::Abort for Stop, ModalResult::Cancel
  // otherwise).
  virtual void closeWindow(int modalResult) = 0;
};

class DownloadRequest {
 public:
  static constexpr int kCutRetries = 3;
  static constexpr int kRetryPauseMs = 1000;

  // `outputFolder` is the main window's output folder text at the time of Start.
  DownloadRequest(const ConversionRequest& request, std::string outputFolder, RequestView& view);
  ~DownloadRequest();  // as onWindowClosed
  DownloadRequest(const DownloadRequest&) = delete;
  DownloadRequest& operator=(const DownloadRequest&) = delete;

  platform::MailboxRef<RequestEvent> mailbox() const { return mailbox_.ref(); }

  // The state the window's hidden edits held.
  std::vector<std::string> sources;
  RequestMode mode;
  std::string targetExt;
  std::string convertArgs;
  std::string fileName = "get_video";  // name of the video file to write in the output folder
  std::string downloadUrl;             // the video stream's address, once found
  std::string title;                   // the video's title from the page, for the audio file's tags
  std::string pageAddress;             // the page the address was found on
  // Request header fields the stream asks for (from the resolver), sent with the download.
  std::vector<std::pair<std::string, std::string>> streamHeaders;
  Panel currentPanel = Panel::None;
  int convertPosition = 0;                    // the conversion progress bar, 0..100
  http::HttpClient httpClient{"httpClient"};  // downloads the video
  DownloadProgress progress;                  // what the download panel shows

  // The two hidden browser controls the page is fetched with (the window owns them). Without them a
  // fetch finds no address.
  void useBrowsers(platform::WebBrowser& first, platform::WebBrowser& second);
  PageRetrieval* retrieval() { return retrieval_.get(); }

  void onWindowShown();
  void onWindowClosed();
  void stop();  // every Stop button

  // The handlers of the request's events.
  // Loads each page of sources in the browser controls and reads it until the video address is found
  // (or the attempts are over), then posts StartDownload. Stop or closing the window ends it.
  void fetchPage();
  // With an address: downloads the video into the output folder, then closes (download only) or converts
  // it (download and convert). The bytes go to the video's part file (PartFile.h), which takes the
  // video's name once it is whole; a part left by an earlier download of the same file is continued. A
  // connection cut inside the body is continued by itself up to kCutRetries times, kRetryPauseMs apart.
  // A failed download is reported and closes the window; after Stop nothing follows and the part
  // received stays beside the video's name for the next download to continue.
  void startDownload();
  void startConvert();
  void onConvertProgress(const convert::ConvertProgress& info);

  // The output folder with a trailing '/'.
  std::string outputFolder() const;
  // The audio file for `video`: the output folder, then the video's file name with targetExt as its
  // extension.
  std::string outputFileFor(const std::string& video) const;

 private:
  void handleEvent(RequestEvent& event);
  void errorBox(const std::string& text) const;  // the request failed: `text` says why
  void notice(const std::string& text) const;
  PageRetrieval::PassOutcome extractionPass(const std::string& page, const std::string& item);
  // Asks the resolver for the stream of `item`. True when the request goes on to the download (with an
  // address, or without one for `sitePage`, whose failure the download step tells); false when it ended.
  bool resolve(const std::string& item, bool sitePage);
  void useStreamHeaders();
  void showPanel(Panel panel);
  void startConversion(const std::string& input);
  void useSystemProxy();
  bool downloadTo(const std::string& target, std::string& failure);
  bool requestInto(http::FileStream& file, std::string& cause);
  void pause(int ms);
  void onBeforeHeaderSend(const std::string& method, std::vector<std::string>& lines) const;
  void onHeaderEnd();
  void onHeaderData();
  void onDocumentData();
  void close(int modalResult);

  // The download attempt under way: the part's bytes it asked to continue from (0: the whole video), the
  // record of the video they belong to, and what the reply meant for the part.
  struct Attempt {
    std::int64_t from = 0;
    VideoValidators video;
    std::optional<RangeReply> reply;
    http::FileStream* file = nullptr;
    const PartFile* part = nullptr;
    std::string failure;  // the part could not be emptied
  };
  Attempt attempt_;
  // What the resolver asks to send with the stream beyond the client's own fields: its Cookie value and
  // other header lines.
  std::string streamCookie_;
  std::vector<std::string> streamLines_;

  std::string outputFolder_;
  RequestView& view_;
  bool closed_ = false;
  std::unique_ptr<PageRetrieval> retrieval_;
  platform::Mailbox<RequestEvent> mailbox_;
};

}  // namespace download
