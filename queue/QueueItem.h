// One item of the queue: what its job is given, what the queue shows of it, and how it ended.
#pragma once

#include "download/JobInput.h"
#include "download/JobOutcome.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace queue {

using ItemId = std::int64_t;

enum class ItemState {
  Waiting,      // not started yet
  Searching,    // finding the page's stream
  Downloading,  // downloading the video (percent)
  Converting,   // converting it (percent)
  Done,         // the audio file is made (files)
  Failed,       // failed (cause and message)
  Stopped,      // stopped by the user, or running when the program ended; what was downloaded is kept
  Exists,       // the audio file existed, and the queue's choice kept it
  AlreadyDone,  // in the finished list with its file still there: skipped unless retried
};

// The running states: the item has a job.
bool isRunning(ItemState state);
// The states the queue has not finished with: waiting or stopped.
bool isUnfinished(ItemState state);

// The state's name as the store keeps it ("waiting", "already-done", ...), and back; nullopt for a name
// that no state has.
std::string_view stateName(ItemState state);
std::optional<ItemState> stateFromName(std::string_view name);

struct QueueItem {
  ItemId id = 0;
  download::JobInput input;
  std::string title;  // the address (or file) until the video's name is known
  ItemState state = ItemState::Waiting;
  int percent = 0;  // while downloading or converting
  download::JobOutcome::Cause cause = download::JobOutcome::Cause::None;
  std::string message;             // failed: why; exists: which file was kept
  std::vector<std::string> files;  // done: the files made; stopped: what was kept for later
  bool retried = false;            // started again by the user: the finished list is not looked at
};

// The name the finished list keeps a format under: the command line's name of a format of the program's
// table ("mp3-128"), else the extension and the converter's arguments.
std::string formatKey(const download::JobInput& input);

}  // namespace queue
