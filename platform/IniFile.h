// A small INI file: sections of key=value lines, read whole and written whole.
//
// Reading never fails: a missing or unreadable file is empty, a UTF-8 byte-order mark is skipped, lines
// that are neither a section header nor key=value are ignored. Section and key names compare without
// regard to ASCII letter case. Values are kept exactly: a comma is just a character, and a value with
// blanks at either end (or a leading double quote) is written inside double quotes, which reading strips.
// Writing goes to a temporary file that is renamed over the old one, so a crash never leaves half a file.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace platform {

class IniFile {
 public:
  explicit IniFile(std::string path);

  const std::string& path() const { return path_; }

  std::string readString(const std::string& section, const std::string& key, const std::string& def) const;
  // The value as a decimal integer; `def` when absent or not a number that fits.
  int readInteger(const std::string& section, const std::string& key, int def) const;

  void writeString(const std::string& section, const std::string& key, const std::string& value);
  void writeInteger(const std::string& section, const std::string& key, int value);

  // Writes the file; false when it could not be written (the old file is then left untouched).
  bool updateFile() const;

 private:
  struct Section {
    std::string name;
    std::vector<std::pair<std::string, std::string>> values;
  };

  void load();
  const std::string* find(const std::string& section, const std::string& key) const;

  std::string path_;
  std::vector<Section> sections_;
};

}  // namespace platform
