// One job, from the video page (or local file) to the audio file, without any widget: a small state machine
// of three stages, each a class of its own with private state: finding the stream (StreamSearch), downloading
// it (StreamDownload) and converting it (AudioConversion). Data moves between the stages as their results;
// the stages' ends come back through the job's mailbox, so a stage is never destroyed inside its own call.
// A front end (the download window, the command line, a test) starts the job, may stop it, and reads its
// progress and its one outcome through a JobListener.
#pragma once

#include "download/AudioConversion.h"
#include "download/ConverterFeed.h"
#include "download/CoverFetch.h"
#include "download/JobInput.h"
#include "download/JobListener.h"
#include "download/StreamDownload.h"
#include "download/StreamSearch.h"
#include "platform/Messages.h"

#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace convert {
class ConvertProcess;
}

namespace download {

// What a job works with. Front ends take the standard parts; tests put in their own (scripted browsers,
// a locator that knows the stream, a shorter retry pause).
struct JobParts {
  convert::ConvertProcess* converter = nullptr;  // the conversion object
  LocatorFactory pageRules;                      // the known sites' page rules
  LocatorFactory resolver;                       // the resolver for other sites' pages
  int retryPauseMs = StreamDownload::kRetryPauseMs;
};

// The program's own: the engine's browser controls, yt-dlp while it is enabled, the program's one conversion
// object.
JobParts standardJobParts();

class Job {
 public:
  // `listener` outlives the job.
  Job(JobInput input, JobParts parts, JobListener& listener);
  ~Job();  // as stop(), without an outcome
  Job(const Job&) = delete;
  Job& operator=(const Job&) = delete;

  // Starts the first stage: the search for a page's stream, or the conversion of a local file (whose
  // overwrite question is asked inside this call). Progress may be reported inside start(); the outcome
  // never is.
  void start();
  // Stop: the stage under way ends at once (the part downloaded stays for the next download of the same
  // video, the converter is ended, nothing is written under the audio file's name); the outcome is Stopped.
  // Does nothing once the job has ended.
  void stop();

  const JobInput& input() const { return input_; }
  bool ended() const { return state_ == State::Ended; }
  // The download stage once it has begun, kept until the job goes (tests look at its client); nullptr before.
  const StreamDownload* download() const { return download_.get(); }

 private:
  enum class State { Idle, Searching, Downloading, FetchingCover, Converting, Ended };
  struct SearchEnded {
    SearchResult result;
  };
  struct LateDetails {  // what the resolver found after the page rules had won
    FoundStream stream;
  };
  struct DownloadEnded {
    DownloadResult result;
  };
  struct CoverEnded {
    CoverResult result;
  };
  struct ConversionEnded {
    ConversionResult result;
    int run = 0;  // the conversion it ends (a converter restarted with the video makes a new one)
  };
  struct Finished {
    JobOutcome outcome;
  };
  struct FeedChosen {};  // the video's first bytes can be converted while the rest arrives
  using Event = std::variant<SearchEnded, LateDetails, DownloadEnded, CoverEnded, ConversionEnded, Finished,
                             FeedChosen>;

  // The conversion beside the download (one pass): not tried; the first bytes being judged; the converter
  // about to start; fed; or the conversion waits for the whole video (series).
  enum class Feed { Off, Judging, Starting, Feeding, Series };

  void handle(Event& event);
  void onSearchEnded(SearchResult& result);
  void onLateDetails(FoundStream& details);
  void endSearch();
  void onDownloadEnded(DownloadResult& result);
  void onConversionEnded(ConversionResult& result);
  bool canFeed() const;
  void onDownloadBytes();
  void onFeedChosen();
  void startFedConversion();
  void onPartEmptied();
  void restartFedConversion();
  void endFedDownload();
  void stopConversion();
  void nameFiles();
  void startDownload();
  void fetchCover();
  void onCoverEnded(CoverResult& result);
  ConversionOrder conversionOrder(const std::string& input) const;
  void startConversion(const std::string& input);
  void startStreamConversion();
  void finish(JobOutcome outcome);
  std::string outputFolder() const;  // with a trailing '/'
  std::string audioFileFor(const std::string& video) const;

  JobInput input_;
  JobParts parts_;
  JobListener& listener_;
  State state_ = State::Idle;
  RequestMode mode_;
  FoundStream stream_;
  std::string videoPath_;  // the downloaded video, once the download has begun
  bool streamed_ = false;  // the converter reads a segmented stream itself: there is no video file
  std::vector<std::string> streamOptions_;  // the converter's options for that stream
  std::string audioPath_;                   // the audio file, once its name is known (never the video's name)
  std::unique_ptr<StreamSearch> search_;
  std::unique_ptr<StreamDownload> download_;
  std::unique_ptr<CoverFetch> cover_;
  std::string picture_;  // the page's picture, once fetched
  std::unique_ptr<AudioConversion> conversion_;
  int conversionRun_ = 0;  // counts the conversions started, so that an old one's end is told apart
  // One pass: the feed from the part to the converter, and a conversion's end that came before the download's
  // (told once the video is whole).
  Feed feed_ = Feed::Off;
  std::unique_ptr<ConverterFeed> converterFeed_;
  std::optional<ConversionResult> heldConversion_;
  std::string fedOutput_;           // the audio file the fed conversion makes
  bool overwriteAnswered_ = false;  // a fed converter was started: a restarted one asks no more
  bool coverAlongside_ = false;     // the page's picture is fetched beside the download
  bool coverFetched_ = false;       // ... and has come (or is known not to)
  // While a conversion starts (its overwrite question may run a window's own loop), the job's events wait
  // and a part emptied meanwhile restarts the conversion once it has started.
  bool startingConversion_ = false;
  bool restartAfterStart_ = false;
  std::vector<Event> deferred_;
  platform::Mailbox<Event> mailbox_;
};

}  // namespace download
