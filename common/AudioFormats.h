// The audio formats a job can make, one table for the window's list and the command line: what the list
// shows, the command line's name, the audio file's extension and the converter's arguments. A format is
// kept in the settings by its index in this table, so entries are only ever added at its end.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace common {

struct AudioFormat {
  std::string_view listText;       // as the window's format list shows it
  std::string_view name;           // as the command line's -f takes it
  std::string_view extension;      // of the audio file, with its dot
  std::string_view converterArgs;  // the converter's argument fragment, ending with a blank
  // The audio stream is copied as it is into the container of its codec, which decides the extension (the
  // table's is empty); a codec without one of its own is converted (audioFormatFor).
  bool keepsStream = false;
};

// The format that keeps the source's audio stream ("original").
inline constexpr int kOriginalAudioFormat = 5;

// Every format, in the list's order.
std::span<const AudioFormat> audioFormats();

// The list's default choice.
inline constexpr int kDefaultAudioFormat = 1;

// The format at `index` of the list; nullptr outside it (-1, nothing selected, included).
const AudioFormat* audioFormatAt(int index);

// The index of the format the command line names `name` (letter case aside); -1 for none.
int audioFormatIndex(std::string_view name);

// The command line's names, joined as "a, b or c".
std::string audioFormatNames();

}  // namespace common
