#include "queue/QueueItem.h"

#include "common/AudioFormats.h"

#include <array>
#include <utility>

namespace queue {
namespace {

constexpr std::array<std::pair<ItemState, std::string_view>, 9> kStateNames = {{
    {ItemState::Waiting, "waiting"},
    {ItemState::Searching, "searching"},
    {ItemState::Downloading, "downloading"},
    {ItemState::Converting, "converting"},
    {ItemState::Done, "done"},
    {ItemState::Failed, "failed"},
    {ItemState::Stopped, "stopped"},
    {ItemState::Exists, "exists"},
    {ItemState::AlreadyDone, "already-done"},
}};

}  // namespace

bool isRunning(ItemState state) {
  return state == ItemState::Searching || state == ItemState::Downloading || state == ItemState::Converting;
}

bool isUnfinished(ItemState state) {
  return state == ItemState::Waiting || state == ItemState::Stopped;
}

std::string_view stateName(ItemState state) {
  for (const auto& [value, name] : kStateNames) {
    if (value == state) return name;
  }
  return "waiting";
}

std::optional<ItemState> stateFromName(std::string_view name) {
  for (const auto& [value, known] : kStateNames) {
    if (known == name) return value;
  }
  return std::nullopt;
}

std::string formatKey(const download::JobInput& input) {
  for (const common::AudioFormat& format : common::audioFormats()) {
    if (format.extension == input.targetExt && format.converterArgs == input.convertArgs) {
      return std::string(format.name);
    }
  }
  return input.targetExt + " " + input.convertArgs;
}

}  // namespace queue
