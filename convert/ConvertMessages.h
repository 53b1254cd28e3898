// The message by which the conversion reports to the window in notifyTarget. Its payload is a
// std::shared_ptr<ConvertProgress>: created by the conversion, freed with the message by the receiver.
#pragma once

#include <cstdint>

struct ConvertMessage {
  enum : std::uint32_t { Progress = 0x1606 };
};
