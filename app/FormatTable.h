// The output formats of the format list: what the list shows, the converter arguments of each entry
// and the extension of the audio file.
#pragma once

#include <array>
#include <string>

namespace app {

// The list texts, in list order; index 1 is the default choice.
const std::array<std::string, 5>& formatListTexts();

// The converter's argument fragment for a list index (every fragment ends with a blank); the empty
// text for an index outside the list, -1 (nothing selected) included.
std::string formatArgs(int index);

// The extension for a list text, tested without regard to letter case, a later match replacing an
// earlier one: "MP3" -> ".mp3", "WAV" -> ".wav", "WMA" -> ".wma"; none of them -> the empty text.
std::string formatExtension(const std::string& listText);

}  // namespace app
