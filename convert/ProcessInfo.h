// The record that the conversion posts to the window that follows it, with WM_CONVERT_PROGRESS.
#pragma once

#include <cstdint>
#include <string>

struct TProcessInfo {
  // Status values.
  static constexpr std::int32_t StatusOk = 0;      // progress, or the end of a run that left its output file
  static constexpr std::int32_t StatusFailed = 1;  // the converter failed; Message tells why
  static constexpr std::int32_t StatusInUse = 2;   // the output file is in use; nothing was started

  std::int32_t Percent = 0;
  std::string Elapsed;    // minutes:seconds, at least two digits each; empty in an end record
  std::string Estimated;  // the projected whole duration of the conversion, in the same form
  std::int32_t Status = StatusOk;
  std::string Message;  // with StatusFailed: the converter's last error line, or what went wrong
};
