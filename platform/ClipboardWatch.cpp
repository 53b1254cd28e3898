#include "platform/ClipboardWatch.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTimer>

namespace platform {

ClipboardWatch::ClipboardWatch(std::function<void()> onChange) : onChange_(std::move(onChange)) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  connect(clipboard, &QClipboard::dataChanged, this, [this] { onChange_(); });
  // The one notification at registration, delivered later like any other.
  QTimer::singleShot(0, this, [this] { onChange_(); });
}

std::optional<std::string> ClipboardWatch::text(std::size_t maxBytes) {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (data == nullptr) return std::nullopt;
  // Asked for the text alone: asking which formats the clipboard holds (hasText) would also make Qt list
  // every image format it can read, loading each image plug-in, at every start.
  const QString text = data->text();
  if (text.isNull()) return std::nullopt;
  if (static_cast<std::size_t>(text.size()) > maxBytes) return std::nullopt;
  std::string utf8 = text.toStdString();
  if (utf8.size() > maxBytes) return std::nullopt;
  return utf8;
}

}  // namespace platform
