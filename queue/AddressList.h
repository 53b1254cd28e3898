// A list of addresses and local files as a file holds it (the command line's -a FILE): one per line, blanks
// around it ignored; blank lines and lines whose first character is '#' are skipped; each address or file
// is taken once, at its first line. A line that can be neither (a control character, text that is not
// UTF-8, an address of another scheme than http or https, a line too long) is named with its number and
// why, and left out.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace queue {

struct AddressList {
  static constexpr std::size_t kMaxLine = 8 * 1024;          // bytes of one line
  static constexpr std::size_t kMaxEntries = 100'000;        // entries of one list
  static constexpr std::size_t kMaxFile = 64 * 1024 * 1024;  // bytes of a whole list read from a file

  struct Entry {
    enum class Kind { Address, File };
    Kind kind;
    std::string text;
    int line;  // 1-based
  };
  struct Rejected {
    int line;
    std::string text;    // the line as given, cut to a length fit to show
    std::string reason;  // "not an http or https address", "control character", ...
  };

  std::vector<Entry> entries;
  std::vector<Rejected> rejected;
  int duplicates = 0;  // lines left out as repeats of an earlier one
  // The list stopped early: more than kMaxEntries entries (error names it); the entries before are kept.
  std::string error;
};

// Reads a list from its text. Pure: looks at no file.
AddressList readAddressList(std::string_view text);

// Reads the list in the file `path`, or standard input for "-". A file that cannot be read, or that is
// larger than AddressList::kMaxFile, gives an empty list whose error says why.
AddressList readAddressFile(const std::string& path);

}  // namespace queue
