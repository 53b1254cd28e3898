// The command line's answers to the questions and notices of Start's checks and a job: the overwrite question
// from -y/-n or on the terminal (without one the file is kept), a missing output folder created without
// asking, every notice and failure one line on standard error. A notice or failure makes the item fail.
#pragma once

#include "app/cli/CliOptions.h"
#include "app/cli/ItemReport.h"
#include "common/FrontEnd.h"

namespace cli {

class CliFrontEnd final : public common::FrontEnd {
 public:
  CliFrontEnd(OverwritePolicy overwrite, ItemReport& report);

  bool confirmOverwrite(const std::string& file) override;
  bool confirmCreateFolder(const std::string& folder) override;
  void notice(const std::string& item, const std::string& text) override;
  void failure(const std::string& item, const std::string& cause) override;

 private:
  void report(const std::string& item, const std::string& text);

  OverwritePolicy overwrite_;
  ItemReport& report_;
};

}  // namespace cli
