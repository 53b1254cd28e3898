// Headless driver: converts one file with the program's conversion object, as the download window
// would, and prints how many progress records came and how the run ended.
//
//   convert IN OUT FORMAT_INDEX [FRAGMENT]
//
// FORMAT_INDEX picks one of the five format fragments (0-4); FRAGMENT, when given, is used instead.
// An existing OUT is replaced (the overwrite question is answered Yes).
#include "convert/ConvertError.h"
#include "convert/ConvertProcess.h"
#include "platform/Dialogs.h"
#include "platform/Messages.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

// The program's format fragments, by list index.
const char* const kFragments[5] = {
    "-ar 44100 -ab 256kbit/s -ac 2 ",
    "-ar 44100 -ab 128kbit/s -ac 2 ",
    "-ar 44100 -ab 64kbit/s -ac 1 ",
    "-ar 44100 -ab 128kbit/s -ac 2 ",
    "-ar 44100 -ab 128kbit/s -ac 2 -vn -acodec wmav2 ",
};

class AnswerYes final : public platform::Dialogs {
 public:
  int messageBox(const std::string&, const std::string& text, platform::DialogIcon,
                 platform::DialogButtons) override {
    std::fprintf(stderr, "%s -> Yes\n", text.c_str());
    return platform::ModalResult::Yes;
  }
  bool selectFolder(const std::string&, std::string&) override { return false; }
  std::vector<std::string> openFiles(const std::string&, const std::string&, const std::string&) override {
    return {};
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || argc > 5) {
    std::fprintf(stderr, "usage: %s IN OUT FORMAT_INDEX [FRAGMENT]\n", argv[0]);
    return 2;
  }
  const int index = std::atoi(argv[3]);
  if (argc == 4 && (index < 0 || index > 4)) {
    std::fprintf(stderr, "FORMAT_INDEX must be 0 to 4\n");
    return 2;
  }
  QCoreApplication app(argc, argv);
  AnswerYes dialogs;
  platform::setDialogs(&dialogs);

  int records = 0;
  std::optional<ConvertProgress> end;
  platform::Mailbox<ConvertProgress> window([&](ConvertProgress& info) {
    if (!info.elapsed.empty()) {
      ++records;
      return;
    }
    end = std::move(info);
    QCoreApplication::quit();
  });

  createConvertProcess();
  convertProcess->active = true;
  convertProcess->inputFile = argv[1];
  convertProcess->outputFile = argv[2];
  convertProcess->arguments = argc == 5 ? argv[4] : kFragments[index];
  convertProcess->notifyTarget = window.ref();
  try {
    convertProcess->run();
  } catch (const ConvertError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    destroyConvertProcess();
    return 2;
  }
  if (!end) app.exec();
  convertProcess->kill(0);
  destroyConvertProcess();
  platform::setDialogs(nullptr);

  std::printf("records: %d\nstatus: %d\n", records, static_cast<int>(end->status));
  if (!end->message.empty()) std::printf("message: %s\n", end->message.c_str());
  return end->status == ConvertProgress::Status::Ok ? 0 : 1;
}
