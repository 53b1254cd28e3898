// The record that the conversion posts to the window that follows it: progress, then one end record.
// Every member has a default, so a record can name only the members it fills ({.percent = 100}).
#pragma once

#include <cstdint>
#include <string>

namespace convert {

struct ConvertProgress {
  enum class Status : std::int32_t {
    Ok = 0,      // progress, or the end of a run that left its output file
    Failed = 1,  // the converter failed; message tells why
    InUse = 2,   // the output file is in use; nothing was started
  };

  std::int32_t percent = 0;
  std::string elapsed{};    // minutes:seconds, at least two digits each; empty in an end record
  std::string estimated{};  // the projected whole duration of the conversion, in the same form
  Status status = Status::Ok;
  std::string message{};  // with Status::Failed: the converter's last error line, or what went wrong
};

}  // namespace convert
