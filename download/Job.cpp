#include "download/Job.h"

#include "common/Files.h"
#include "common/Text.h"
#include "convert/ConvertProcess.h"
#include "download/VideoFileName.h"
#include "download/VideoMetadata.h"
#include "download/sites/PageLocator.h"
#include "download/sites/ResolverLocator.h"
#include "download/sites/SegmentedStream.h"
#include "platform/browser/WebEngineModule.h"
#include "resources/Strings.h"
#include "resources/Translations.h"

#include <algorithm>
#include <filesystem>

namespace download {
namespace {

std::string fileNamePart(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

// Whether the page rules can have a browser: the engine is loaded, or its module is there to be loaded.
bool browserEngineAvailable() {
  if (platform::webEngineModuleLoaded()) return true;
  for (const std::string& path : platform::webEngineModuleCandidates()) {
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error)) return true;
  }
  return false;
}

}  // namespace

JobParts standardJobParts() {
  return {
      .converter = convert::convertProcess,
      .pageRules = []() -> std::unique_ptr<StreamLocator> {
        if (!browserEngineAvailable()) return nullptr;
        return std::make_unique<PageLocator>();
      },
      .resolver = []() -> std::unique_ptr<StreamLocator> {
        if (!isResolverEnabled()) return nullptr;
        return std::make_unique<ResolverLocator>();
      },
      .retryPauseMs = StreamDownload::kRetryPauseMs,
  };
}

Job::Job(JobInput input, JobParts parts, JobListener& listener)
    : input_(std::move(input)),
      parts_(std::move(parts)),
      listener_(listener),
      mode_(input_.mode),
      mailbox_([this](Event& event) { handle(event); }) {}

Job::~Job() {
  if (search_) search_->stop();
  if (download_) download_->stop();
  if (conversion_) conversion_->stop();
  if (cover_) cover_->stop();
}

void Job::start() {
  if (state_ != State::Idle) return;
  if (mode_ == RequestMode::ConvertLocalFile) {
    audioPath_ = audioFileFor(input_.source);
    startConversion(input_.source);
    return;
  }
  state_ = State::Searching;
  listener_.searching(input_.source);
  search_ = std::make_unique<StreamSearch>(parts_.pageRules, parts_.resolver);
  search_->start(
      input_.source, [this](SearchResult result) { mailbox_.post(SearchEnded{std::move(result)}); },
      [this](FoundStream details) { mailbox_.post(LateDetails{std::move(details)}); });
}

void Job::stop() {
  if (state_ == State::Ended || state_ == State::Idle) return;
  std::vector<std::string> kept;
  if (search_) search_->stop();
  if (download_) {
    const std::string part = download_->stop();
    if (!part.empty()) kept.push_back(part);
  }
  // The video is whole once its download has ended: while the page's picture is fetched, or while it is
  // converted (the converter fed while it downloaded, too). Before, only its part is kept.
  const bool videoWhole = state_ == State::FetchingCover || state_ == State::Converting;
  if (cover_) cover_->stop();
  stopConversion();
  if (videoWhole && mode_ != RequestMode::ConvertLocalFile && !videoPath_.empty() && !streamed_)
    kept.push_back(videoPath_);
  converterFeed_.reset();
  finish(JobOutcome::stopped(std::move(kept)));
}

void Job::handle(Event& event) {
  if (startingConversion_) {
    deferred_.push_back(std::move(event));
    return;
  }
  std::visit(platform::Overloaded{
                 [this](SearchEnded& e) { onSearchEnded(e.result); },
                 [this](LateDetails& e) { onLateDetails(e.stream); },
                 [this](DownloadEnded& e) { onDownloadEnded(e.result); },
                 [this](CoverEnded& e) { onCoverEnded(e.result); },
                 [this](ConversionEnded& e) {
                   if (e.run == conversionRun_) onConversionEnded(e.result);
                 },
                 [this](Finished& e) { listener_.finished(e.outcome); },
                 [this](FeedChosen&) { onFeedChosen(); },
             },
             event);
}

// A found stream may still bring the resolver's details later (when the page rules won): the search stays
// until the conversion starts.
void Job::onSearchEnded(SearchResult& result) {
  if (state_ != State::Searching) return;
  if (!result.found) endSearch();
  if (!result.found) {
    finish(JobOutcome::failed(result.cause, std::move(result.message)));
    return;
  }
  stream_ = std::move(result.stream);
  if (stream_.downloadOnly) mode_ = RequestMode::DownloadOnly;
  if (stream_.segmented) {
    startStreamConversion();
    return;
  }
  startDownload();
}

// A stream offered only in segments goes straight to the converter, which reads it: no download, no video
// file, nothing to continue later.
void Job::startStreamConversion() {
  streamed_ = true;
  if (mode_ == RequestMode::DownloadOnly) {
    finish(JobOutcome::failed(
        JobOutcome::Cause::DownloadFailed,
        resources::translate("Job",
                             "This video is offered only in segments (HLS or DASH), which can be converted "
                             "but not kept as a video file.")));
    return;
  }
  std::string refusal;
  std::vector<std::string> options = segmentedInputOptions(stream_, refusal);
  if (!refusal.empty()) {
    finish(JobOutcome::failed(JobOutcome::Cause::DownloadFailed, std::move(refusal)));
    return;
  }
  streamOptions_ = std::move(options);
  // The audio file is named as if a video of the stream's name had been downloaded.
  nameFiles();
  fetchCover();
}

// The video's name and the audio file's fit the file system with the part's endings, and differ. The original
// audio takes its codec's extension only once the video is probed: the video is then named apart from any
// audio file of its own extension, so that no extension the codec brings can make the two names one.
void Job::nameFiles() {
  const std::string fileName = common::removeBadFileChars(stream_.fileName);
  std::string audioExtension = input_.targetExt;
  if (mode_ == RequestMode::DownloadOnly) {
    audioExtension.clear();
  } else if (input_.originalAudio) {
    audioExtension = std::filesystem::path(fileName).extension().string();
    if (audioExtension.empty()) audioExtension = ".audio";
  }
  const DownloadNames names = downloadNames(fileName, audioExtension, PartFile::kLongestEnding);
  videoPath_ = outputFolder() + names.video;
  audioPath_ = names.audio.empty() ? std::string() : outputFolder() + names.audio;
}

// The resolver's title, tags, chapters and picture count while the conversion has not started, whichever
// search found the stream.
void Job::onLateDetails(FoundStream& details) {
  endSearch();
  if (state_ != State::Downloading && state_ != State::FetchingCover) return;
  if (!details.title.empty()) stream_.title = std::move(details.title);
  std::string pagePicture = std::move(stream_.metadata.pictureUrl);
  stream_.metadata = std::move(details.metadata);
  if (stream_.metadata.pictureUrl.empty()) stream_.metadata.pictureUrl = std::move(pagePicture);
}

void Job::endSearch() {
  if (search_) search_->stop();
  search_.reset();
}

void Job::startDownload() {
  state_ = State::Downloading;
  nameFiles();
  listener_.downloading(fileNamePart(videoPath_));
  download_ = std::make_unique<StreamDownload>();
  download_->setRetryPause(parts_.retryPauseMs);
  if (canFeed()) {
    converterFeed_ = std::make_unique<ConverterFeed>(*parts_.converter);
    feed_ = Feed::Judging;
    download_->setStartOverNotice([this] { onPartEmptied(); });
  }
  download_->start(
      {.url = stream_.url,
       .videoPath = videoPath_,
       .headers = stream_.headers,
       .chunkSize = stream_.chunkSize},
      [this](const DownloadFigures& figures) {
        listener_.downloadProgress(figures);
        onDownloadBytes();
      },
      [this](DownloadResult result) { mailbox_.post(DownloadEnded{std::move(result)}); });
  if (converterFeed_ && !converterFeed_->open(download_->partPath())) {
    converterFeed_.reset();
    feed_ = Feed::Off;
  }
  onDownloadBytes();  // a part kept from before may tell at once
}

// One pass suits a plain conversion: what needs the whole video (the original audio's codec, the chapters,
// the loudness measured first) waits for it.
bool Job::canFeed() const {
  return parts_.converter != nullptr && mode_ == RequestMode::DownloadConvert && !input_.originalAudio &&
         !input_.splitChapters && !input_.evenLoudness;
}

// The part has grown: its first bytes decide whether the converter can read it as it comes; a fed converter
// gets what is new.
void Job::onDownloadBytes() {
  if (!converterFeed_ || !converterFeed_->opened() || state_ != State::Downloading) return;
  if (feed_ == Feed::Judging) {
    switch (converterFeed_->judge(false)) {
      case ContainerStart::Readable:
        // The converter starts from the event loop: its overwrite question is not asked inside the
        // client's events.
        feed_ = Feed::Starting;
        mailbox_.post(FeedChosen{});
        return;
      case ContainerStart::NeedsWhole:
        feed_ = Feed::Series;
        return;
      case ContainerStart::NeedMore:
        return;
    }
  }
  if (feed_ == Feed::Feeding) converterFeed_->pump();
}

void Job::onFeedChosen() {
  if (feed_ != Feed::Starting || state_ != State::Downloading) return;
  feed_ = Feed::Feeding;
  startFedConversion();
}

// The conversion starts beside the download (the resolver's details come too late from now on); the page's
// picture is fetched beside them and reaches the tags once it is there.
void Job::startFedConversion() {
  endSearch();
  if (!stream_.metadata.pictureUrl.empty() && !coverAlongside_) {
    coverAlongside_ = true;
    cover_ = std::make_unique<CoverFetch>();
    cover_->start(stream_.metadata.pictureUrl,
                  [this](CoverResult result) { mailbox_.post(CoverEnded{std::move(result)}); });
  }
  ConversionOrder order = conversionOrder(videoPath_);
  order.fedInput = true;
  order.pictureFollows = coverAlongside_ && !coverFetched_;
  order.overwriteAnswered = overwriteAnswered_;
  const int run = ++conversionRun_;
  conversion_ = std::make_unique<AudioConversion>(*parts_.converter);
  conversion_->setNotes({
      .naming =
          [this](const std::string& output) {
            fedOutput_ = output;
            if (state_ == State::Converting) listener_.converting(fileNamePart(output));
          },
      .note = [this](const std::string& text) { listener_.note(text); },
      .chapter = {},
  });
  // The overwrite question is asked inside start(), before the converter gets its first byte.
  startingConversion_ = true;
  conversion_->start(
      order,
      [this](const ConversionFigures& figures) {
        if (state_ == State::Downloading) {
          listener_.conversionAlongside(figures);
        } else {
          listener_.conversionProgress(figures);
        }
      },
      [this, run](ConversionResult result) {
        mailbox_.post(ConversionEnded{std::move(result), run});
      });
  startingConversion_ = false;
  if (restartAfterStart_) {
    restartAfterStart_ = false;
    stopConversion();
    feed_ = Feed::Judging;
  } else {
    converterFeed_->begin();
  }
  for (Event& event : deferred_) mailbox_.post(std::move(event));
  deferred_.clear();
  onDownloadBytes();
}

// The part was emptied to take the video from its first byte again: a fed converter has read bytes of another
// video (or of another copy of it), so it is ended and the new first bytes are judged anew. An audio file the
// user chose to keep stays kept.
void Job::onPartEmptied() {
  if (!converterFeed_ || feed_ == Feed::Off) return;
  if (heldConversion_ && (heldConversion_->status == ConversionResult::Status::Kept ||
                          heldConversion_->status == ConversionResult::Status::InUse))
    return;
  converterFeed_->restart();
  heldConversion_.reset();
  if (startingConversion_) {
    restartAfterStart_ = true;
    return;
  }
  stopConversion();
  feed_ = Feed::Judging;
}

// Ends a conversion under way; its end, if already posted, is no longer heard. The temporary output goes.
void Job::stopConversion() {
  if (!conversion_) return;
  overwriteAnswered_ = overwriteAnswered_ || conversion_->converterStarted();
  conversion_->stop();
  conversion_.reset();
  ++conversionRun_;
}

// The fed video is whole: the conversion goes on for what remains (often nothing), and a conversion that
// ended while the video downloaded is told now, with the whole video there.
void Job::endFedDownload() {
  state_ = State::Converting;
  listener_.converting(fileNamePart(fedOutput_.empty() ? audioPath_ : fedOutput_));
  if (heldConversion_) {
    ConversionResult result = std::move(*heldConversion_);
    heldConversion_.reset();
    if (result.status == ConversionResult::Status::Done)
      listener_.conversionProgress({.percent = 100, .elapsed = {}, .estimated = {}});
    onConversionEnded(result);
    return;
  }
  converterFeed_->inputComplete();
}

// The download stage stays (idle) until the job goes: what its client last did can still be read.
void Job::onDownloadEnded(DownloadResult& result) {
  if (state_ != State::Downloading) return;
  if (result.status != DownloadResult::Status::Complete) {
    // Half a video is no video: nothing is converted or kept under its name (a fed converter is ended, and
    // its temporary output goes).
    stopConversion();
    converterFeed_.reset();
    if (cover_) cover_->stop();
    finish(JobOutcome::failed(JobOutcome::Cause::DownloadFailed, std::move(result.failure)));
    return;
  }
  if (mode_ == RequestMode::DownloadOnly) {
    finish(JobOutcome::done({videoPath_}));
    return;
  }
  if (feed_ == Feed::Feeding) {
    endFedDownload();
    return;
  }
  // Not begun beside the download: the conversion reads the whole video, as it does when its container
  // cannot be read from the start.
  converterFeed_.reset();
  feed_ = Feed::Off;
  fetchCover();
}

// The page's picture, when it has one, is fetched before the conversion (the cover goes into the tags).
void Job::fetchCover() {
  if (stream_.metadata.pictureUrl.empty()) {
    startConversion(videoPath_);
    return;
  }
  state_ = State::FetchingCover;
  cover_ = std::make_unique<CoverFetch>();
  cover_->start(stream_.metadata.pictureUrl,
                [this](CoverResult result) { mailbox_.post(CoverEnded{std::move(result)}); });
}

// Without the picture the job goes on, and says so.
void Job::onCoverEnded(CoverResult& result) {
  cover_.reset();
  if (coverAlongside_) {
    if (state_ == State::Ended) return;
    coverFetched_ = true;
    if (result.fetched) {
      picture_ = std::move(result.picture);
    } else {
      listener_.note(common::fillIn(resources::translate("Job", "No cover picture: %1."), {result.failure}));
    }
    if (conversion_) conversion_->givePicture(picture_);
    return;
  }
  if (state_ != State::FetchingCover) return;
  if (result.fetched) {
    picture_ = std::move(result.picture);
  } else {
    listener_.note(common::fillIn(resources::translate("Job", "No cover picture: %1."), {result.failure}));
  }
  startConversion(videoPath_);
}

// The audio file names its video: a local file keeps its own tags (its name is its title when it has none); a
// page's video gets what the resolver told of it, the page's title and address.
ConversionOrder Job::conversionOrder(const std::string& input) const {
  ConversionOrder order{.input = input,
                        .output = audioPath_,
                        .arguments = input_.convertArgs,
                        .tags = {},
                        .originalAudio = input_.originalAudio,
                        .splitChapters = input_.splitChapters,
                        .evenLoudness = input_.evenLoudness,
                        .localSource = mode_ == RequestMode::ConvertLocalFile,
                        .codecHint = {},
                        .chapters = {},
                        .picture = picture_};
  if (order.localSource) {
    order.tags.title = std::filesystem::path(input).stem().string();
    return order;
  }
  order.tags = videoTags(stream_.metadata, {.pageTitle = stream_.title,
                                            .page = input_.source,
                                            .listPosition = input_.trackNumber.value_or(0),
                                            .listCount = input_.trackCount.value_or(0),
                                            .listName = input_.album});
  order.codecHint = stream_.metadata.audioCodec;
  order.chapters = stream_.metadata.chapters;
  if (streamed_) {
    // The converter reads the stream itself, with the options its server needs.
    order.input = stream_.url;
    order.inputOptions = streamOptions_;
    order.expectedDurationSeconds = stream_.durationSeconds;
  }
  return order;
}

void Job::startConversion(const std::string& input) {
  state_ = State::Converting;
  endSearch();  // the resolver's details come too late now
  if (parts_.converter == nullptr) {
    listener_.converting(fileNamePart(audioPath_));
    finish(JobOutcome::failed(JobOutcome::Cause::ConverterNotStarted,
                              resources::loadString(resources::StringId::ConvertProcessError)));
    return;
  }
  conversion_ = std::make_unique<AudioConversion>(*parts_.converter);
  conversion_->setNotes({
      .naming = [this](const std::string& output) { listener_.converting(fileNamePart(output)); },
      .note = [this](const std::string& text) { listener_.note(text); },
      .chapter = [this](int number, int count,
                        const std::string& title) { listener_.convertingChapter(number, count, title); },
  });
  conversion_->start(
      conversionOrder(input),
      [this](const ConversionFigures& figures) { listener_.conversionProgress(figures); },
      [this](ConversionResult result) { mailbox_.post(ConversionEnded{std::move(result)}); });
}

void Job::onConversionEnded(ConversionResult& result) {
  conversion_.reset();
  if (state_ == State::Downloading && feed_ == Feed::Feeding) {
    // A fed conversion that ended before the download: the video is downloaded to its end all the same, and
    // how the conversion went is told then (a failure with the whole video kept).
    heldConversion_ = std::move(result);
    return;
  }
  if (state_ != State::Converting) return;
  const std::string output = !result.output.empty() ? result.output : audioPath_;
  // The downloaded video goes once the audio file is there, and also when the user kept the older audio
  // file; a local source is never deleted.
  const bool deleteVideo =
      mode_ != RequestMode::ConvertLocalFile && !streamed_ &&
      (result.status == ConversionResult::Status::Done || result.status == ConversionResult::Status::Kept);
  // A video that is itself the audio file made (the original audio of a video named like it) stays.
  const bool videoIsAudio = output == videoPath_ || std::find(result.files.begin(), result.files.end(),
                                                              videoPath_) != result.files.end();
  if (deleteVideo && !videoIsAudio) common::deleteFileSilently(videoPath_);
  switch (result.status) {
    case ConversionResult::Status::Done:
      finish(JobOutcome::done(result.files.empty() ? std::vector<std::string>{output} : result.files));
      return;
    case ConversionResult::Status::Kept:
      finish(JobOutcome::failed(JobOutcome::Cause::OutputKept, output + " has existed, kept it"));
      return;
    case ConversionResult::Status::InUse:
      finish(JobOutcome::failed(JobOutcome::Cause::OutputInUse,
                                resources::loadString(resources::StringId::OutputInUse)));
      return;
    case ConversionResult::Status::NotStarted:
      finish(JobOutcome::failed(JobOutcome::Cause::ConverterNotStarted, std::move(result.message)));
      return;
    case ConversionResult::Status::Failed:
      // The converter failed: the video is kept, and the user is told why.
      finish(JobOutcome::failed(
          JobOutcome::Cause::ConversionFailed,
          common::fillIn(streamed_ ? resources::translate("Job", "The conversion of the stream failed.\n\n%1")
                                   : resources::translate(
                                         "Job", "The conversion failed; the video file was kept.\n\n%1"),
                         {result.message})));
      return;
  }
}

// The outcome is told from the event loop, once.
void Job::finish(JobOutcome outcome) {
  state_ = State::Ended;
  endSearch();
  mailbox_.post(Finished{std::move(outcome)});
}

std::string Job::outputFolder() const {
  std::string folder = input_.outputFolder;
  if (folder.empty() || folder.back() != '/') folder.push_back('/');
  return folder;
}

std::string Job::audioFileFor(const std::string& video) const {
  std::filesystem::path name = std::filesystem::path(video).filename();
  name.replace_extension(input_.targetExt);
  return outputFolder() + name.string();
}

}  // namespace download
