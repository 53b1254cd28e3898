// A fresh folder under the system's temporary folder, removed with everything in it at the end.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }  // no trailing '/'
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  // Writes `content` to the file `name` inside the folder and returns its path.
  std::string write(const std::string& name, const std::string& content) const;

 private:
  std::string path_;
};

// The whole content of the file at `path`, read as bytes; empty when it cannot be opened, what was read
// before the error when a read fails.
std::string readFile(const std::string& path);

// The names of the entries in `folder`, sorted.
std::vector<std::string> filesIn(const std::string& folder);

// The build folder the tests were built in (where the program `clipwave` lives).
std::string buildDir();

}  // namespace testing_support
