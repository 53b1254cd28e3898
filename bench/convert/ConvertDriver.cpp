// Headless driver: converts one file with the program's conversion object, as the download window
// would, and prints how many progress records came and how the run ended.
//
//   convert IN OUT FORMAT_INDEX [FRAGMENT] [--timeout SECONDS]
//
// FORMAT_INDEX picks one of the five format fragments (0-4); FRAGMENT, when given, is used instead.
// An existing OUT is replaced (the overwrite question is answered Yes). Exit code 0 when the
// conversion ended well, 1 when it failed, 2 for wrong arguments or a converter that cannot be started,
// 4 when the time limit (none by default) passed and the conversion was stopped.
#include "convert/ConvertError.h"
#include "convert/ConvertProcess.h"
#include "platform/Dialogs.h"
#include "platform/Messages.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

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
  std::vector<std::string> args(argv + 1, argv + argc);
  double limit = 0;
  if (args.size() >= 2 && args[args.size() - 2] == "--timeout") {
    char* end = nullptr;
    limit = std::strtod(args.back().c_str(), &end);
    if (end == args.back().c_str() || *end != '\0' || !(limit > 0)) limit = -1;
    args.resize(args.size() - 2);
  }
  if (args.size() < 3 || args.size() > 4 || limit < 0) {
    std::fprintf(stderr, "usage: %s IN OUT FORMAT_INDEX [FRAGMENT] [--timeout SECONDS]\n", argv[0]);
    return 2;
  }
  const int index = std::atoi(args[2].c_str());
  if (args.size() == 3 && (index < 0 || index > 4)) {
    std::fprintf(stderr, "FORMAT_INDEX must be 0 to 4\n");
    return 2;
  }
  QCoreApplication app(argc, argv);
  AnswerYes dialogs;
  platform::setDialogs(&dialogs);

  int records = 0;
  std::optional<convert::ConvertProgress> end;
  platform::Mailbox<convert::ConvertProgress> window([&](convert::ConvertProgress& info) {
    if (!info.elapsed.empty()) {
      ++records;
      return;
    }
    end = std::move(info);
    QCoreApplication::quit();
  });

  bool timedOut = false;
  QTimer deadline;
  deadline.setSingleShot(true);
  QObject::connect(&deadline, &QTimer::timeout, [&] {
    timedOut = true;
    QCoreApplication::quit();
  });

  convert::createConvertProcess();
  convert::convertProcess->active = true;
  convert::convertProcess->inputFile = args[0];
  convert::convertProcess->outputFile = args[1];
  convert::convertProcess->arguments = args.size() == 4 ? args[3] : kFragments[index];
  convert::convertProcess->notifyTarget = window.ref();
  try {
    convert::convertProcess->run();
  } catch (const convert::ConvertError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    convert::destroyConvertProcess();
    return 2;
  }
  if (limit > 0) deadline.start(static_cast<int>(limit * 1000));
  if (!end) app.exec();
  convert::convertProcess->kill(0);  // a conversion still going (the time limit passed) is stopped here
  convert::destroyConvertProcess();
  platform::setDialogs(nullptr);
  if (!end) {
    std::printf("records: %d\ntimeout: %g\n", records, limit);
    return timedOut ? 4 : 1;
  }

  std::printf("records: %d\nstatus: %d\n", records, static_cast<int>(end->status));
  if (!end->message.empty()) std::printf("message: %s\n", end->message.c_str());
  return end->status == convert::ConvertProgress::Status::Ok ? 0 : 1;
}
