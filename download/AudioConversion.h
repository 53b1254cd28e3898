// The last stage of a job: the audio file (or a folder of one file per chapter) made from the video, with its
// tags and cover. The stage is a small state machine over helper runs and the conversion object:
// - what the video holds (ffprobe), when something depends on it: the codec of the original audio, the
//   chapters, the sample rate, a local file's own tags and picture;
// - the overwrite question for the audio file or the chapters' folder (through the front end);
// - the loudness measured (ffmpeg's ebur128) when even loudness is asked for;
// - the conversions, one per file, through the conversion object, with one progress for the whole video;
// - the cover made JPEG (ffmpeg), beside the conversions, and the tags written (tags/) into every file.
// A plain conversion (no original audio, chapters or loudness) starts the converter inside start(), and asks
// its overwrite question there, as before; a local file's own tags are read beside it. The stage ends once
// with how it went.
#pragma once

#include "convert/ConvertProcess.h"
#include "convert/MediaProbe.h"
#include "convert/ToolRun.h"
#include "download/JobListener.h"
#include "platform/Messages.h"
#include "tags/AudioTags.h"

#include <QObject>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace download {

struct ConversionOrder {
  std::string input{};   // the video, or the address of a stream only the converter reads
  std::string output{};  // the audio file to write; for the original audio its extension is the codec's
  std::string arguments{};
  tags::TagSet tags;           // what the audio file says of itself
  bool originalAudio = false;  // copy the audio stream into its codec's container
  bool splitChapters = false;  // one file per chapter, in a folder named after the audio file
  bool evenLoudness = false;
  bool localSource = false;  // a local file: its own tags and picture are kept; `tags` fill what it lacks
  std::string codecHint{};   // the audio codec the resolver named, for when the file cannot be probed
  std::vector<convert::Chapter> chapters{};  // the resolver's; empty: the file's own
  std::string picture{};                     // the page's picture as served (any format); empty: none
  // For an input read over the network (a segmented stream): the converter's options for it and the
  // length the output must reach.
  std::vector<std::string> inputOptions{};
  double expectedDurationSeconds = 0;
  // The converter reads the video on its standard input while it downloads (a ConverterFeed writes it);
  // `input` is then only the video's name. A plain conversion only: no original audio, chapters or loudness.
  bool fedInput = false;
  // The page's picture is still being fetched: the tags wait for givePicture().
  bool pictureFollows = false;
  // The overwrite question was answered for this audio file already (a converter restarted with the video).
  bool overwriteAnswered = false;
};

struct ConversionResult {
  enum class Status {
    Done,        // the audio file was written
    Kept,        // the audio file existed and the user kept it: nothing was converted
    InUse,       // the audio file to replace is in use: nothing was converted
    NotStarted,  // the converter could not be started
    Failed,      // the converter failed
  };
  Status status = Status::Failed;
  std::string message{};             // when failed or not started: why
  std::string output{};              // the audio file, or the chapters' folder
  std::vector<std::string> files{};  // when done: the files made
};

// What the stage tells beside its progress.
struct ConversionNotes {
  std::function<void(const std::string& output)> naming;  // the audio file's (or folder's) path, once known
  std::function<void(const std::string& text)> note;      // a line for the user: what was done instead
  std::function<void(int number, int count, const std::string& title)> chapter;  // the chapter converted now
};

class AudioConversion {
 public:
  using Progress = std::function<void(const ConversionFigures& figures)>;
  using Done = std::function<void(ConversionResult result)>;

  explicit AudioConversion(convert::ConvertProcess& converter);
  ~AudioConversion();  // a conversion still running is stopped
  AudioConversion(const AudioConversion&) = delete;
  AudioConversion& operator=(const AudioConversion&) = delete;

  void setNotes(ConversionNotes notes) { notes_ = std::move(notes); }

  // Starts the conversion; `done` is called once, from the event loop, unless stop() comes first.
  void start(const ConversionOrder& order, Progress progress, Done done);
  // Ends a conversion still running: the converter and the helper runs are ended, and nothing is written
  // under the audio file's name (files of chapters already made stay). Nothing is reported afterwards.
  void stop();
  // The page's picture, for an order whose picture follows (empty: there is none).
  void givePicture(std::string picture);
  // A converter was started: an existing audio file was asked about and may be replaced.
  bool converterStarted() const { return converterStarted_; }

 private:
  // One file to make: the whole video, or one chapter of it.
  struct Piece {
    std::string output;
    double start = 0;  // seconds; both 0 for the whole video
    double end = 0;
    std::string title;
  };

  void probe();
  void onProbed(convert::ToolResult result);
  void plan(const convert::MediaInfo& info);
  void takeOwnTags(const convert::MediaInfo& info);
  bool askOverwrite();
  void measure();
  void onMeasured(convert::ToolResult result);
  void startPicture(const convert::MediaInfo* info);
  void pictureStep(convert::ToolResult result);
  void pictureDone(std::string failure);
  void convertNext();
  void onRecord(convert::ConvertProgress& record);
  void tagAll();
  void note(const std::string& text);
  void finish(ConversionResult result);

  convert::ConvertProcess& converter_;
  ConversionOrder order_;
  ConversionNotes notes_;
  Progress progress_;
  Done done_;
  bool running_ = false;
  bool converterStarted_ = false;
  bool asked_ = false;           // the overwrite question was asked here, not by the converter
  bool planAfterProbe_ = false;  // the conversion waits for what the video holds
  bool probing_ = false;         // what the video holds is being asked

  convert::ToolRun probe_;
  convert::ToolRun measureRun_;
  convert::ToolRun pictureRun_;
  std::unique_ptr<QTemporaryDir> scratch_;  // the picture's files while it is made
  enum class PictureStep { None, Awaited, Probe, Crop, Jpeg, Ready };
  PictureStep pictureStep_ = PictureStep::None;
  std::string pictureSource_;  // the file the picture is read from
  int pictureStream_ = -1;
  int pictureWidth_ = 0, pictureHeight_ = 0;
  std::string jpeg_;

  double duration_ = 0;
  int sampleRate_ = 0;
  tags::TagSet tags_;
  std::string output_;                 // the audio file, or the folder
  std::string arguments_;              // the format's, or those of the codec's container
  std::vector<std::string> loudness_;  // the converter's words that even the loudness
  std::vector<Piece> pieces_;
  std::size_t next_ = 0;  // the piece converted now, or next
  bool folder_ = false;
  std::vector<std::string> made_;
  bool converted_ = false;  // every piece converted; the tags wait for the picture

  platform::Mailbox<convert::ConvertProgress> records_;
  QObject context_;  // what is reported later goes away with the stage
};

// The container of an audio codec as ffprobe names it, for the original audio: its extension, the converter's
// arguments, and the line to tell when it is converted instead (empty when it is copied).
struct OriginalTarget {
  std::string extension{};
  std::string arguments{};
  std::string note{};
};
OriginalTarget originalTargetFor(const std::string& codec);

// The name of chapter `number` of `count`: "01 - Intro.mp3" (three digits past 99 chapters), made safe as a
// file name ("Chapter N" for a title that leaves nothing).
std::string chapterFileName(int number, int count, const std::string& title, const std::string& extension);

}  // namespace download
