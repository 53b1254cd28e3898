#include "support/SiteSimulator.h"

#include "support/TempDir.h"

#include <QDeadlineTimer>
#include <QJsonDocument>

#include <algorithm>
#include <fstream>

namespace testing_support {

SiteSimulator::SiteSimulator(const std::string& folder, const std::vector<std::string>& options)
    : folder_(folder) {
  QStringList arguments{QStringLiteral(CLIPWAVE_SITE_SIMULATOR),
                        QStringLiteral("--sites-file"),
                        QString::fromStdString(folder + "/sites.ini"),
                        QStringLiteral("--log"),
                        QString::fromStdString(logPath()),
                        QStringLiteral("--exit-on-stdin-close")};
  for (const std::string& option : options) arguments << QString::fromStdString(option);
  process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process_.start(QStringLiteral("python3"), arguments);
  if (!process_.waitForStarted(10000)) return;
  const QDeadlineTimer deadline(120000);
  while (!process_.canReadLine() && !deadline.hasExpired() && process_.state() == QProcess::Running)
    process_.waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
  ready_ = QJsonDocument::fromJson(process_.readLine()).object();
}

SiteSimulator::~SiteSimulator() {
  process_.closeWriteChannel();
  if (!process_.waitForFinished(10000)) {
    process_.kill();
    process_.waitForFinished(5000);
  }
}

std::string SiteSimulator::sitesFile() const {
  return ready_.value(QStringLiteral("sites_file")).toString().toStdString();
}

std::string SiteSimulator::site(const char* name) const {
  return "http://127.0.0.1:" + std::to_string(ready_.value(QString::fromLatin1(name)).toInt());
}

QJsonObject SiteSimulator::clipInfo(const char* kind) const {
  return ready_.value(QStringLiteral("media")).toObject().value(QString::fromLatin1(kind)).toObject();
}

std::string SiteSimulator::clip(const char* kind) const {
  return clipInfo(kind).value(QStringLiteral("path")).toString().toStdString();
}

std::uintmax_t SiteSimulator::clipBytes(const char* kind) const {
  return static_cast<std::uintmax_t>(clipInfo(kind).value(QStringLiteral("bytes")).toDouble());
}

std::string SiteSimulator::log() const {
  return readFile(logPath());
}

std::vector<std::string> SiteSimulator::logLines() const {
  std::ifstream in(logPath());
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

int SiteSimulator::requests(const std::string& start) const {
  const std::vector<std::string> lines = logLines();
  const auto since = lines.begin() + static_cast<std::ptrdiff_t>(std::min(marked_, lines.size()));
  return static_cast<int>(
      std::count_if(since, lines.end(), [&](const std::string& line) { return line.rfind(start, 0) == 0; }));
}

bool SiteSimulator::logged(const std::string& text) const {
  const std::vector<std::string> lines = logLines();
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

}  // namespace testing_support
