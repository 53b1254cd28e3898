// The last stage of a job: the conversion object turns the video into the audio file and reports its
// progress; the stage ends once with how the conversion went. The overwrite question for an existing audio
// file is asked when the stage starts (through the front end).
#pragma once

#include "convert/ConvertProcess.h"
#include "convert/ConverterCommand.h"
#include "download/JobListener.h"
#include "platform/Messages.h"

#include <QObject>

#include <functional>
#include <string>
#include <vector>

namespace download {

struct ConversionOrder {
  std::string input;   // the video
  std::string output;  // the audio file to write
  std::string arguments;
  convert::AudioTags tags;
  // For an input read over the network (a segmented stream): the converter's options for it and the
  // length the output must reach.
  std::vector<std::string> inputOptions = {};
  double expectedDurationSeconds = 0;
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
  std::string message;  // when failed or not started: why
};

class AudioConversion {
 public:
  using Progress = std::function<void(const ConversionFigures& figures)>;
  using Done = std::function<void(ConversionResult result)>;

  explicit AudioConversion(convert::ConvertProcess& converter);
  ~AudioConversion();  // a conversion still running is stopped
  AudioConversion(const AudioConversion&) = delete;
  AudioConversion& operator=(const AudioConversion&) = delete;

  // Starts the conversion; `done` is called once, from the event loop, unless stop() comes first.
  void start(const ConversionOrder& order, Progress progress, Done done);
  // Ends a conversion still running: the converter is ended, and nothing is written under the audio file's
  // name. Nothing is reported afterwards.
  void stop();

 private:
  void onRecord(convert::ConvertProgress& record);
  void finish(ConversionResult result);

  convert::ConvertProcess& converter_;
  Progress progress_;
  Done done_;
  bool running_ = false;
  bool converterStarted_ = false;
  platform::Mailbox<convert::ConvertProgress> records_;
  QObject context_;  // what is reported later goes away with the stage
};

}  // namespace download
