#include "download/AudioConversion.h"

#include "common/Files.h"
#include "common/FrontEnd.h"
#include "common/Text.h"
#include "convert/ConvertError.h"
#include "convert/CoverPicture.h"
#include "convert/Loudness.h"
#include "convert/OutputParser.h"
#include "download/VideoFileName.h"
#include "download/VideoMetadata.h"
#include "resources/Translations.h"

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace download {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCopyArguments = "-vn -acodec copy ";
constexpr const char* kFlacArguments = "-vn -acodec flac ";
constexpr const char* kOpusArguments = "-vn -acodec libopus -ab 160kbit/s -ar 48000 ";

// Seconds as the converter takes them: "83.250".
std::string secondsText(double seconds) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.3f", std::max(0.0, seconds));
  return buffer;
}

// The year of a date the file's tags hold ("2019-05-01", "2019"); 0 for none.
int yearOf(const std::string& date) {
  if (date.size() < 4 ||
      !std::all_of(date.begin(), date.begin() + 4, [](char c) { return c >= '0' && c <= '9'; }))
    return 0;
  return std::stoi(date.substr(0, 4));
}

// "3" or "3/12" into the track and the count.
void readTrack(const std::string& text, tags::TagSet& tags) {
  int track = 0, count = 0;
  if (std::sscanf(text.c_str(), "%d/%d", &track, &count) >= 1 && track > 0) {
    tags.track = track;
    tags.trackCount = count > 0 ? count : 0;
  }
}

bool writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::string readFile(const std::string& path, std::size_t cap) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes;
  char buffer[65536];
  while (in && bytes.size() <= cap) {
    in.read(buffer, sizeof buffer);
    bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
  }
  return bytes.size() > cap ? std::string() : bytes;
}

}  // namespace

OriginalTarget originalTargetFor(const std::string& codec) {
  if (codec == "aac") return {".m4a", kCopyArguments, {}};
  if (codec == "opus") return {".opus", kCopyArguments, {}};
  if (codec == "vorbis") return {".ogg", kCopyArguments, {}};
  if (codec == "mp3") return {".mp3", kCopyArguments, {}};
  if (codec == "flac") return {".flac", kCopyArguments, {}};
  if (codec.rfind("pcm_", 0) == 0 || codec == "alac")
    return {".flac", kFlacArguments,
            common::fillIn(resources::translate("AudioConversion",
                                                "The original audio (%1) has no container of its own; it was "
                                                "converted to FLAC, without loss."),
                           {codec})};
  return {".opus", kOpusArguments,
          common::fillIn(resources::translate(
                             "AudioConversion",
                             "The original audio (%1) cannot be kept as it is; it was converted to Opus."),
                         {codec})};
}

std::string chapterFileName(int number, int count, const std::string& title, const std::string& extension) {
  const int digits = count > 99 ? 3 : 2;
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "%0*d", digits, number);
  // A title with nothing usable in a file name is named as an untitled chapter is.
  std::string safeTitle = makeFileName(title, "");
  if (safeTitle.empty()) safeTitle = "Chapter " + std::to_string(number);
  std::string name = makeFileName(std::string(prefix) + " - " + safeTitle, extension);
  return name.empty() ? std::string(prefix) + extension : name;
}

AudioConversion::AudioConversion(convert::ConvertProcess& converter)
    : converter_(converter), records_([this](convert::ConvertProgress& record) { onRecord(record); }) {}

AudioConversion::~AudioConversion() {
  stop();
}

void AudioConversion::start(const ConversionOrder& order, Progress progress, Done done) {
  order_ = order;
  progress_ = std::move(progress);
  done_ = std::move(done);
  running_ = true;
  asked_ = converted_ = folder_ = planAfterProbe_ = probing_ = false;
  tags_ = order.tags;
  output_ = order.output;
  arguments_ = order.arguments;
  loudness_.clear();
  pieces_.clear();
  made_.clear();
  next_ = 0;
  jpeg_.clear();
  pictureStep_ = PictureStep::None;
  asked_ = order.overwriteAnswered;
  if (!order.picture.empty()) {
    startPicture(nullptr);  // made beside the conversion
  } else if (order.pictureFollows) {
    pictureStep_ = PictureStep::Awaited;
  }
  // What the video holds decides the conversion for the original audio, the chapters and the loudness; for a
  // local file's own tags and picture it is needed only when the tags are written.
  planAfterProbe_ = order.originalAudio || order.splitChapters || order.evenLoudness;
  probing_ = planAfterProbe_ || order.localSource;
  if (probing_) probe();
  if (planAfterProbe_) return;
  // A plain conversion: the converter starts at once and asks its own overwrite question.
  pieces_.push_back({.output = output_, .start = 0, .end = 0, .title = {}});
  if (notes_.naming) notes_.naming(output_);
  convertNext();
}

void AudioConversion::stop() {
  progress_ = nullptr;
  done_ = nullptr;
  probe_.stop();
  measureRun_.stop();
  pictureRun_.stop();
  if (!running_) return;
  running_ = false;
  if (converter_.active) converter_.kill(0);
}

void AudioConversion::givePicture(std::string picture) {
  if (!running_ || pictureStep_ != PictureStep::Awaited) return;
  if (picture.empty()) {
    pictureDone({});
    return;
  }
  order_.picture = std::move(picture);
  startPicture(nullptr);
}

void AudioConversion::probe() {
  probe_.start(convert::probeCommand(order_.input),
               [this](convert::ToolResult result) { onProbed(std::move(result)); });
}

void AudioConversion::onProbed(convert::ToolResult result) {
  if (!running_) return;
  const convert::MediaInfo info =
      result.exitedWell ? convert::readProbeOutput(result.output) : convert::MediaInfo{};
  probing_ = false;
  if (order_.localSource) takeOwnTags(info);
  if (planAfterProbe_) {
    plan(info);
  } else if (converted_) {
    tagAll();
  }
}

// A local file keeps its own tags and picture; what it lacks comes from the order (its name as its title).
void AudioConversion::takeOwnTags(const convert::MediaInfo& info) {
  const convert::FileTags& own = info.tags;
  if (!own.title.empty()) tags_.title = own.title;
  if (!own.artist.empty()) tags_.artist = own.artist;
  if (!own.album.empty()) tags_.album = own.album;
  if (!own.albumArtist.empty()) tags_.albumArtist = own.albumArtist;
  if (!own.comment.empty()) tags_.comment = own.comment;
  if (const int year = yearOf(own.date)) tags_.year = year;
  if (!own.track.empty()) readTrack(own.track, tags_);
  if (order_.picture.empty() && info.pictureStream >= 0) startPicture(&info);
}

// What to make, now that the video's content is known: the file's name (the original audio's container), its
// tags (a local file's own), the pieces (chapters), then the overwrite question and the measurement.
void AudioConversion::plan(const convert::MediaInfo& info) {
  std::vector<std::string> notes;  // told once the audio file is named
  duration_ = info.duration;
  sampleRate_ = info.sampleRate;
  if (order_.originalAudio) {
    if (info.readable && !info.hasAudio) {
      finish({.status = ConversionResult::Status::Failed,
              .message = resources::translate("AudioConversion", "The video has no sound."),
              .output = {},
              .files = {}});
      return;
    }
    const std::string codec = info.readable ? info.audioCodec : codecFamily(order_.codecHint);
    if (codec.empty()) {
      finish({.status = ConversionResult::Status::Failed,
              .message =
                  resources::translate("AudioConversion", "The audio of the video could not be told apart."),
              .output = {},
              .files = {}});
      return;
    }
    const OriginalTarget target = originalTargetFor(codec);
    output_ = fs::path(output_).replace_extension(target.extension).string();
    arguments_ = target.arguments;
    if (!target.note.empty()) notes.push_back(target.note);
    if (order_.evenLoudness)
      notes.push_back(resources::translate(
          "AudioConversion",
          "Even loudness does not apply to the original audio: it would need re-encoding."));
  }
  const std::vector<convert::Chapter> chapters =
      convert::usableChapters(order_.chapters.empty() ? info.chapters : order_.chapters, duration_);
  if (order_.splitChapters && !chapters.empty()) {
    folder_ = true;
    const fs::path audio(output_);
    const std::string extension = audio.extension().string();
    output_ = (audio.parent_path() / audio.stem()).string();
    const int count = static_cast<int>(chapters.size());
    for (int k = 0; k < count; ++k) {
      const convert::Chapter& c = chapters[static_cast<std::size_t>(k)];
      pieces_.push_back(
          {.output = (fs::path(output_) / chapterFileName(k + 1, count, c.title, extension)).string(),
           .start = c.start,
           .end = c.end,
           .title = c.title});
    }
  } else {
    pieces_.push_back({.output = output_, .start = 0, .end = 0, .title = {}});
  }
  if (notes_.naming) notes_.naming(output_);
  for (const std::string& text : notes) note(text);
  if (!askOverwrite()) return;
  if (order_.evenLoudness && !order_.originalAudio) {
    measureRun_.start(convert::measureCommand(order_.input),
                      [this](convert::ToolResult result) { onMeasured(std::move(result)); });
    return;
  }
  convertNext();
}

// The audio file, or the chapters' folder, is asked about once; the converter then replaces without asking.
bool AudioConversion::askOverwrite() {
  asked_ = true;
  std::error_code error;
  // The audio file never replaces its own source (a local file's original audio in its own folder): that
  // would lose the user's file whatever the overwrite answer.
  std::error_code notSame;
  if (fs::equivalent(output_, order_.input, notSame) && !notSame) {
    finish({.status = ConversionResult::Status::Failed,
            .message = resources::translate(
                "AudioConversion",
                "The audio file would replace the video file itself: choose another output folder or "
                "format."),
            .output = output_,
            .files = {}});
    return false;
  }
  if (fs::exists(fs::symlink_status(output_, error))) {
    // A queued job's conversion object answers by itself; the program's front end asks otherwise.
    common::FrontEnd& asked = converter_.frontEnd != nullptr ? *converter_.frontEnd : common::frontEnd();
    if (!asked.confirmOverwrite(output_)) {
      finish({.status = ConversionResult::Status::Kept, .message = {}, .output = output_, .files = {}});
      return false;
    }
    if (folder_ && !fs::is_directory(output_, error)) {
      finish({.status = ConversionResult::Status::Failed,
              .message = common::fillIn(
                  resources::translate("AudioConversion", "%1 is a file, not a folder for the chapters."),
                  {output_}),
              .output = output_,
              .files = {}});
      return false;
    }
  }
  if (folder_ && !fs::create_directories(output_, error) && error) {
    finish({.status = ConversionResult::Status::Failed,
            .message = common::fillIn(
                resources::translate("AudioConversion", "The folder %1 could not be created: %2"),
                {output_, error.message()}),
            .output = output_,
            .files = {}});
    return false;
  }
  return true;
}

void AudioConversion::onMeasured(convert::ToolResult result) {
  if (!running_) return;
  const convert::LoudnessMeasure measure =
      result.exitedWell ? convert::readLoudnessSummary(result.errors) : convert::LoudnessMeasure{};
  loudness_ =
      convert::loudnessWords(measure, sampleRate_, (" " + arguments_).find(" -ar ") != std::string::npos);
  if (!measure.valid)
    note(common::fillIn(
        resources::translate("AudioConversion",
                             "The loudness could not be measured (%1); it was left as it is."),
        {result.failure.empty() ? resources::translate("AudioConversion", "no summary") : result.failure}));
  convertNext();
}

void AudioConversion::convertNext() {
  if (!running_) return;
  if (next_ >= pieces_.size()) {
    converted_ = true;
    tagAll();
    return;
  }
  const Piece& piece = pieces_[next_];
  if (folder_ && notes_.chapter)
    notes_.chapter(static_cast<int>(next_) + 1, static_cast<int>(pieces_.size()), piece.title);
  converter_.active = true;
  converter_.inputFile = order_.input;
  converter_.feedInput = order_.fedInput;
  if (!order_.fedInput) converter_.inputWritable = nullptr;
  converter_.outputFile = piece.output;
  converter_.notifyTarget = records_.ref();
  converter_.arguments = arguments_;
  converter_.askBeforeReplacing = !asked_;
  converter_.expectedDurationSeconds = order_.expectedDurationSeconds;
  convert::ExtraWords extra;
  extra.beforeInput = order_.inputOptions;
  if (piece.end > 0)
    extra.beforeInput.insert(extra.beforeInput.end(),
                             {"-ss", secondsText(piece.start), "-to", secondsText(piece.end)});
  // The tags are written afterwards; the video's own would only be in the way.
  extra.afterArguments = {"-map_metadata", "-1"};
  if (folder_) extra.afterArguments.insert(extra.afterArguments.end(), {"-map_chapters", "-1"});
  extra.afterArguments.insert(extra.afterArguments.end(), loudness_.begin(), loudness_.end());
  converter_.extraWords = extra;
  try {
    converter_.run();
  } catch (const convert::ConvertError& error) {
    converter_.active = false;
    finish({.status = ConversionResult::Status::NotStarted,
            .message = error.what(),
            .output = output_,
            .files = {}});
    return;
  }
  // No converter runs when the audio file was kept or is in use: the end record says which.
  converterStarted_ = converter_.processId() != 0;
}

void AudioConversion::onRecord(convert::ConvertProgress& record) {
  if (!running_) return;
  using Status = convert::ConvertProgress::Status;
  if (record.status == Status::Failed) {
    finish({.status = ConversionResult::Status::Failed,
            .message = record.message,
            .output = output_,
            .files = made_});
    return;
  }
  if (record.status == Status::InUse) {
    finish({.status = ConversionResult::Status::InUse, .message = {}, .output = output_, .files = {}});
    return;
  }
  // The end record of a conversion that never ran (the audio file was kept) is no progress of one.
  if (!converterStarted_) {
    finish({.status = ConversionResult::Status::Kept, .message = {}, .output = output_, .files = {}});
    return;
  }
  const int percent = std::clamp(record.percent, 0, 100);
  if (percent < 100) {
    // A chapter's converter counts its position against the whole video's length: its start comes first.
    int overall = percent;
    if (folder_ && duration_ > 0)
      overall = std::clamp(static_cast<int>(pieces_[next_].start * 100 / duration_) + percent, 0, 99);
    if (progress_) progress_({.percent = overall, .elapsed = record.elapsed, .estimated = record.estimated});
    return;
  }
  made_.push_back(pieces_[next_].output);
  ++next_;
  converterStarted_ = false;
  QTimer::singleShot(0, &context_, [this] { convertNext(); });
}

void AudioConversion::startPicture(const convert::MediaInfo* info) {
  scratch_ = std::make_unique<QTemporaryDir>();
  if (!scratch_->isValid()) {
    pictureStep_ = PictureStep::Ready;
    scratch_.reset();
    note(resources::translate("AudioConversion", "No cover picture: no temporary folder for it."));
    return;
  }
  const auto done = [this](convert::ToolResult result) { pictureStep(std::move(result)); };
  if (info == nullptr) {
    // The page's picture: checked to be one picture, then cropped when it is letterboxed.
    pictureSource_ = scratch_->filePath("picture").toStdString();
    if (!writeFile(pictureSource_, order_.picture)) {
      pictureDone(resources::translate("AudioConversion", "it could not be saved for the converter"));
      return;
    }
    pictureStream_ = -1;
    pictureStep_ = PictureStep::Probe;
    pictureRun_.start(convert::pictureProbeCommand(pictureSource_), done);
    return;
  }
  // A local file's own picture is kept as it is, only made JPEG.
  pictureSource_ = order_.input;
  pictureStream_ = info->pictureStream;
  pictureStep_ = PictureStep::Jpeg;
  pictureRun_.start(
      convert::jpegCommand(pictureSource_, pictureStream_, {}, scratch_->filePath("cover.jpg").toStdString()),
      done);
}

void AudioConversion::pictureStep(convert::ToolResult result) {
  const auto done = [this](convert::ToolResult next) { pictureStep(std::move(next)); };
  switch (pictureStep_) {
    case PictureStep::Probe: {
      const convert::PictureBox box =
          result.exitedWell ? convert::readPictureProbe(result.output) : convert::PictureBox{};
      if (box.width == 0) {
        pictureDone(resources::translate("AudioConversion", "the page's picture address gave no picture"));
        return;
      }
      pictureWidth_ = box.width;
      pictureHeight_ = box.height;
      pictureStep_ = PictureStep::Crop;
      pictureRun_.start(convert::cropDetectCommand(pictureSource_, -1), done);
      return;
    }
    case PictureStep::Crop: {
      const convert::PictureBox content =
          result.exitedWell ? convert::readCropDetect(result.errors) : convert::PictureBox{};
      const convert::PictureBox square = convert::letterboxSquare(pictureWidth_, pictureHeight_, content);
      pictureStep_ = PictureStep::Jpeg;
      pictureRun_.start(
          convert::jpegCommand(pictureSource_, -1, square, scratch_->filePath("cover.jpg").toStdString()),
          done);
      return;
    }
    case PictureStep::Jpeg: {
      if (!result.exitedWell) {
        pictureDone(
            common::fillIn(resources::translate("AudioConversion", "the picture could not be made JPEG (%1)"),
                           {result.failure}));
        return;
      }
      std::string jpeg = readFile(scratch_->filePath("cover.jpg").toStdString(), 16 * 1024 * 1024);
      if (!convert::isJpeg(jpeg)) {
        pictureDone(resources::translate("AudioConversion", "the picture could not be made JPEG"));
        return;
      }
      jpeg_ = std::move(jpeg);
      pictureDone({});
      return;
    }
    case PictureStep::None:
    case PictureStep::Awaited:
    case PictureStep::Ready:
      return;
  }
}

void AudioConversion::pictureDone(std::string failure) {
  pictureStep_ = PictureStep::Ready;
  scratch_.reset();
  if (!failure.empty())
    note(common::fillIn(resources::translate("AudioConversion", "No cover picture: %1."), {failure}));
  if (running_ && converted_) tagAll();
}

// Every file made gets its tags, once the file's own are known and the cover is ready (or known to be
// missing); a chapter is a track of an album named after the video.
void AudioConversion::tagAll() {
  if (probing_) return;
  if (pictureStep_ != PictureStep::None && pictureStep_ != PictureStep::Ready) return;
  const int count = static_cast<int>(made_.size());
  for (int k = 0; k < count; ++k) {
    tags::TagSet tags = tags_;
    if (folder_) {
      const Piece& piece = pieces_[static_cast<std::size_t>(k)];
      tags.title = piece.title;
      tags.album = tags_.title;
      tags.track = k + 1;
      tags.trackCount = static_cast<int>(pieces_.size());
    }
    const std::string failure = tags::writeTags(made_[static_cast<std::size_t>(k)], tags, jpeg_);
    if (!failure.empty())
      note(common::fillIn(resources::translate("AudioConversion", "The tags were not written: %1."),
                          {failure}));
  }
  if (progress_) progress_({.percent = 100, .elapsed = {}, .estimated = {}});
  finish({.status = ConversionResult::Status::Done, .message = {}, .output = output_, .files = made_});
}

void AudioConversion::note(const std::string& text) {
  if (running_ && notes_.note) notes_.note(text);
}

// Reported from the event loop, never inside start().
void AudioConversion::finish(ConversionResult result) {
  running_ = false;
  progress_ = nullptr;
  // A record at 100 may come before the converter has ended: it is ended now.
  if (converter_.active) converter_.kill(0);
  probe_.stop();
  measureRun_.stop();
  pictureRun_.stop();
  QTimer::singleShot(0, &context_, [this, result = std::move(result)]() mutable {
    Done done = std::move(done_);
    done_ = nullptr;
    if (done) done(std::move(result));
  });
}

}  // namespace download
