// The private messages the download window posts to itself. WM_CONVERT_PROGRESS (0x1606) comes from
// the conversion object and WM_SHOW_INSTANCE (0x1604) goes to the main window.
#pragma once

#include <cstdint>

constexpr std::uint32_t WM_START_DOWNLOAD = 0x1601;
constexpr std::uint32_t WM_FETCH_PAGE = 0x1605;
constexpr std::uint32_t WM_START_CONVERT = 0x1607;

// The standard close message, which the request posts to itself after a download-only run.
constexpr std::uint32_t WM_CLOSE = 0x0010;
