// clipwave-cli: the request of the download window run from a terminal, a script or a server without a
// display. See CliOptions.cpp for the command line and CliJob.h for the work.
#include "app/cli/CliJob.h"

#include "app/cli/CliOptions.h"
#include "app/cli/Terminal.h"
#include "common/Text.h"
#include "convert/ConvertProcess.h"
#include "platform/TerminationSignals.h"
#include "resources/Translations.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#ifndef CLIPWAVE_VERSION
#define CLIPWAVE_VERSION "0.1"
#endif

namespace {

// Standard error carries the program's own lines. What the libraries below say on their way (the
// browser engine's start-up remarks, a missing runtime folder) is dropped; only their errors are kept.
void keepLibraryErrorsOnly(QtMsgType type, const QMessageLogContext& /*context*/, const QString& text) {
  if (type == QtCriticalMsg || type == QtFatalMsg)
    cli::Terminal(STDERR_FILENO, false).message(cli::oneLine(text.toStdString()));
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  const std::optional<cli::CliOptions> options = cli::parseCliOptions(args, error);
  if (!options) {
    cli::Terminal(STDERR_FILENO, false)
        .message(common::fillIn(resources::translate("CliMain", "%1 (clipwave-cli --help lists the options)"),
                                {error}));
    return 2;
  }
  if (options->help) {
    std::fputs(cli::usageText().c_str(), stdout);
    return 0;
  }
  if (options->version) {
    std::printf("clipwave-cli %s\n", CLIPWAVE_VERSION);
    return 0;
  }

  qInstallMessageHandler(keepLibraryErrorsOnly);
  cli::Terminal terminal(STDERR_FILENO, options->quiet);
  // The lists are read before anything starts: whether a page is among the items chooses the application.
  cli::CliItems items = cli::collectItems(*options, terminal);
  if (items.readStdin) terminal.answerFromTty();
  const bool anyPage = std::any_of(items.items.begin(), items.items.end(),
                                   [](const cli::CliItem& item) { return cli::isPageAddress(item.text); });
  // Local files need no more than the event loop. Pages need the browser engine, which needs the
  // graphical side of Qt: it runs offscreen, so no display is needed (QT_QPA_PLATFORM still chooses).
  std::unique_ptr<QCoreApplication> application;
  if (anyPage) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    application = std::make_unique<QGuiApplication>(argc, argv);
  } else {
    application = std::make_unique<QCoreApplication>(argc, argv);
  }
  QCoreApplication::setApplicationName("Clipwave");  // the window's name: the same browser profile
  resources::installTranslations();

  int status = 0;
  convert::createConvertProcess();
  {
    // The items run from the event loop, one after another; the last one's end ends the loop.
    cli::CliJob job(*options, std::move(items.items), items.listFailed, terminal);
    const platform::TerminationSignals stopSignals([&job](int) { job.stop(); },
                                                   platform::TerminationSignals::InterruptedCalls::Fail);
    job.start([](int jobStatus) { QCoreApplication::exit(jobStatus); });
    status = QCoreApplication::exec();
  }
  convert::destroyConvertProcess();
  return status;
}
