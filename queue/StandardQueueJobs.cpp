#include "queue/StandardQueueJobs.h"

#include "common/FrontEnd.h"
#include "convert/ConvertProcess.h"

namespace queue {
namespace {

// The answers of a queued item: the queue's choice for an existing audio file, and nothing else asked.
class FixedAnswers final : public common::FrontEnd {
 public:
  explicit FixedAnswers(bool replaceExisting) : replaceExisting_(replaceExisting) {}
  bool confirmOverwrite(const std::string&) override { return replaceExisting_; }
  bool confirmCreateFolder(const std::string&) override { return false; }
  void notice(const std::string&, const std::string&) override {}
  void failure(const std::string&, const std::string&) override {}

 private:
  bool replaceExisting_;
};

class ItemJob final : public QueueJob {
 public:
  ItemJob(const download::JobInput& input, download::JobParts parts, bool replaceExisting,
          download::JobListener& listener)
      : answers_(replaceExisting), job_(input, withConverter(std::move(parts)), listener) {}

  void start() override { job_.start(); }
  void stop() override { job_.stop(); }

 private:
  download::JobParts withConverter(download::JobParts parts) {
    converter_.frontEnd = &answers_;
    parts.converter = &converter_;
    return parts;
  }

  // In this order: the job goes first, then the conversion object it drives, then the answers it asks.
  FixedAnswers answers_;
  convert::ConvertProcess converter_;
  download::Job job_;
};

}  // namespace

StandardQueueJobs::StandardQueueJobs(std::function<download::JobParts()> parts) : parts_(std::move(parts)) {}

std::unique_ptr<QueueJob> StandardQueueJobs::create(const download::JobInput& input, bool replaceExisting,
                                                    download::JobListener& listener) {
  return std::make_unique<ItemJob>(input, parts_(), replaceExisting, listener);
}

}  // namespace queue
