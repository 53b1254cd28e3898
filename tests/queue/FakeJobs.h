// Jobs the queue's tests drive by hand: each records what it was made with and whether it was started or
// stopped, and the test tells its progress and its end through the listener the queue gave it.
#pragma once

#include "download/JobListener.h"
#include "queue/Queue.h"

#include <memory>
#include <string>
#include <vector>

namespace queue_test {

struct FakeJobRecord {
  download::JobInput input;
  bool replaceExisting = false;
  download::JobListener* listener = nullptr;
  bool started = false;
  int stops = 0;
  bool destroyed = false;
  bool ended = false;

  // Tells the job's end, as a job does from the event loop.
  void finish(const download::JobOutcome& outcome) {
    ended = true;
    listener->finished(outcome);
  }
};

class FakeJobs final : public queue::QueueJobFactory {
 public:
  std::unique_ptr<queue::QueueJob> create(const download::JobInput& input, bool replaceExisting,
                                          download::JobListener& listener) override {
    records.push_back(std::make_shared<FakeJobRecord>(
        FakeJobRecord{.input = input, .replaceExisting = replaceExisting, .listener = &listener}));
    return std::make_unique<Job>(records.back());
  }

  // The jobs made so far, oldest first.
  std::vector<std::shared_ptr<FakeJobRecord>> records;

  // The jobs running now (started, not yet told to have ended, not destroyed), oldest first.
  std::vector<std::shared_ptr<FakeJobRecord>> live() const {
    std::vector<std::shared_ptr<FakeJobRecord>> jobs;
    for (const auto& record : records) {
      if (record->started && !record->destroyed && !record->ended) jobs.push_back(record);
    }
    return jobs;
  }
  std::shared_ptr<FakeJobRecord> jobFor(const std::string& source) const {
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
      if ((*it)->input.source == source) return *it;
    }
    return nullptr;
  }

 private:
  class Job final : public queue::QueueJob {
   public:
    explicit Job(std::shared_ptr<FakeJobRecord> record) : record_(std::move(record)) {}
    ~Job() override { record_->destroyed = true; }
    void start() override { record_->started = true; }
    void stop() override { ++record_->stops; }

   private:
    std::shared_ptr<FakeJobRecord> record_;
  };
};

}  // namespace queue_test
