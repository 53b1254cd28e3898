#include "platform/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace platform {
namespace {

const QByteArray kShowRequest = "show\n";

}  // namespace

SingleInstance::SingleInstance(const std::string& name)
    : serverName_(QString::fromStdString(name) + "-" + QString::number(::getuid())) {}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::notifyRunningInstance(int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(serverName_);
  if (!socket.waitForConnected(timeoutMs)) return false;  // nobody listens: a stale socket at most
  socket.write(kShowRequest);
  socket.waitForBytesWritten(timeoutMs);
  socket.disconnectFromServer();
  return true;
}

bool SingleInstance::listen(std::function<void()> onShow) {
  onShow_ = std::move(onShow);
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_->listen(serverName_)) {
    QLocalServer::removeServer(serverName_);  // left by a copy that was killed
    if (!server_->listen(serverName_)) return false;
  }
  connect(server_.get(), &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
      connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
      connect(client, &QLocalSocket::readyRead, this, [this, client] {
        const QByteArray request = client->read(kShowRequest.size());
        if (request == kShowRequest && onShow_) onShow_();
        client->disconnectFromServer();
      });
    }
  });
  return true;
}

}  // namespace platform
