#include "download/AudioConversion.h"

#include "convert/ConvertError.h"

#include <QTimer>

#include <algorithm>

namespace download {

AudioConversion::AudioConversion(convert::ConvertProcess& converter)
    : converter_(converter), records_([this](convert::ConvertProgress& record) { onRecord(record); }) {}

AudioConversion::~AudioConversion() {
  stop();
}

void AudioConversion::start(const ConversionOrder& order, Progress progress, Done done) {
  progress_ = std::move(progress);
  done_ = std::move(done);
  running_ = true;
  converter_.active = true;
  converter_.inputFile = order.input;
  converter_.outputFile = order.output;
  converter_.notifyTarget = records_.ref();
  converter_.arguments = order.arguments;
  converter_.tags = order.tags;
  converter_.inputOptions = order.inputOptions;
  converter_.expectedDurationSeconds = order.expectedDurationSeconds;
  try {
    converter_.run();  // asks before replacing an existing audio file
  } catch (const convert::ConvertError& error) {
    converter_.active = false;
    finish({ConversionResult::Status::NotStarted, error.what()});
    return;
  }
  // No converter runs when the audio file was kept or is in use: the end record says which.
  converterStarted_ = converter_.processId() != 0;
}

void AudioConversion::stop() {
  progress_ = nullptr;
  done_ = nullptr;
  if (!running_) return;
  running_ = false;
  if (converter_.active) converter_.kill(0);
}

void AudioConversion::onRecord(convert::ConvertProgress& record) {
  if (!running_) return;
  using Status = convert::ConvertProgress::Status;
  if (record.status == Status::Failed) {
    finish({ConversionResult::Status::Failed, record.message});
    return;
  }
  if (record.status == Status::InUse) {
    finish({ConversionResult::Status::InUse, {}});
    return;
  }
  // The end record of a conversion that never ran (the audio file was kept) is no progress of one.
  if (!converterStarted_) {
    finish({ConversionResult::Status::Kept, {}});
    return;
  }
  const int percent = std::clamp(record.percent, 0, 100);
  if (progress_) progress_({.percent = percent, .elapsed = record.elapsed, .estimated = record.estimated});
  if (percent == 100) finish({ConversionResult::Status::Done, {}});
}

// Reported from the event loop, never inside start().
void AudioConversion::finish(ConversionResult result) {
  running_ = false;
  progress_ = nullptr;
  // A record at 100 may come before the converter has ended: it is ended now.
  if (converter_.active) converter_.kill(0);
  QTimer::singleShot(0, &context_, [this, result = std::move(result)]() mutable {
    Done done = std::move(done_);
    done_ = nullptr;
    if (done) done(std::move(result));
  });
}

}  // namespace download
