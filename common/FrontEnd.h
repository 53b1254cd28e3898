// The questions and notices of a request, put to whatever front end drives it. Nothing below app/
// opens a box or reads an answer itself: the converter, the download request and the Start checks ask
// here. The windows answer with message boxes (the default, below, through platform::Dialogs); the
// command line installs its own front end, which answers from its flags or on the terminal.
#pragma once

#include <string>

namespace common {

class FrontEnd {
 public:
  virtual ~FrontEnd() = default;

  // `file`, the audio file a conversion is about to write, exists already: true to replace it.
  virtual bool confirmOverwrite(const std::string& file) = 0;

  // The output folder `folder` does not exist: true to create it with its missing parents.
  virtual bool confirmCreateFolder(const std::string& folder) = 0;

  // Something the user has to know about `item` (the page address or the local file of a request; empty
  // when there is none yet), in the program's words: the age-verification notice, a page whose video
  // could not be found, an address that is not a video page. The request does not go on as asked.
  virtual void notice(const std::string& item, const std::string& text) = 0;

  // `item` failed; `cause` says why (a failed download, a converter that could not start or failed, an
  // output file in use, a missing output folder).
  virtual void failure(const std::string& item, const std::string& cause) = 0;
};

// The front end in use: the one set by setFrontEnd, else the message boxes of the windows.
FrontEnd& frontEnd();
void setFrontEnd(FrontEnd* frontEnd);  // nullptr goes back to the message boxes

// The windows' answers: every question and notice is a message box captioned with the program's title.
// The questions have the information icon and Yes and No; notices the information icon and OK; failures
// the error icon and OK.
class MessageBoxFrontEnd final : public FrontEnd {
 public:
  bool confirmOverwrite(const std::string& file) override;
  bool confirmCreateFolder(const std::string& folder) override;
  void notice(const std::string& item, const std::string& text) override;
  void failure(const std::string& item, const std::string& cause) override;
};

}  // namespace common
