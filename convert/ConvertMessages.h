// The message by which the conversion reports to the window in NotifyWindow. Its payload is a
// std::shared_ptr<TProcessInfo>: created by the conversion, freed with the message by the receiver.
#pragma once

#include <cstdint>

constexpr std::uint32_t WM_CONVERT_PROGRESS = 0x1606;
