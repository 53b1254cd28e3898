// The queue's real jobs: a download::Job for each item, with a conversion object of its own (so that up to
// three items convert at once, beside the download window's) that never asks about an existing audio file:
// the queue's choice answers.
#pragma once

#include "download/Job.h"
#include "queue/Queue.h"

#include <functional>

namespace queue {

class StandardQueueJobs final : public QueueJobFactory {
 public:
  // `parts` gives the parts of each job (the program's own by default); the conversion object it names is
  // replaced by the item's own.
  explicit StandardQueueJobs(std::function<download::JobParts()> parts = download::standardJobParts);

  std::unique_ptr<QueueJob> create(const download::JobInput& input, bool replaceExisting,
                                   download::JobListener& listener) override;

 private:
  std::function<download::JobParts()> parts_;
};

}  // namespace queue
