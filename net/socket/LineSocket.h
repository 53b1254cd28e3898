// The line layer: with lineMode() on, received bytes are cut into lines ending in lineEnd and handed out
// one line per data-available event. With lineMode() off it passes everything through.
#pragma once

#include "net/socket/SocksSocket.h"

#include <string>

namespace net {

class LineSocket : public SocksSocket {
 public:
  LineSocket();

  bool lineMode() const { return lineMode_; }
  virtual void setLineMode(bool value);
  std::int32_t lineLimit() const { return lineLimit_; }
  void setLineLimit(std::int32_t value) { lineLimit_ = value; }
  const std::string& lineEnd() const { return lineEnd_; }
  void setLineEnd(const std::string& value) { lineEnd_ = value; }
  bool lineEcho() const { return lineEcho_; }
  void setLineEcho(bool value) { lineEcho_ = value; }
  bool lineEdit() const { return lineEdit_; }
  void setLineEdit(bool value) { lineEdit_ = value; }
  // Bytes received in line mode and not yet handed out.
  std::int32_t lineHeld() const { return static_cast<std::int32_t>(rcvdBuf_.size()); }

  LineLimitEvent onLineLimitExceeded;

  // Queues `s` followed by lineEnd; returns the bytes queued or -1.
  virtual std::int32_t sendLine(const std::string& s);

 protected:
  void handleEvent(SocketEvent& event) override;
  std::int32_t queryBytesWaiting() override;
  bool triggerDataAvailable(std::uint16_t errCode) override;
  void triggerSessionClosed(std::uint16_t errCode) override;
  std::int32_t doRecv(void* buffer, std::int32_t bufferSize, int flags) override;
  virtual void triggerLineLimitExceeded(std::int32_t cnt, bool& clearData);
  virtual void editLine(std::size_t from);

 private:
  bool readIntoLineBuffer(std::uint16_t errCode);
  void deliverLines(std::size_t searchFrom);
  bool deliverCurrentLine();
  void handleModeSwitched();

  bool lineMode_ = false;
  std::int32_t lineLimit_ = 65536;
  std::string lineEnd_ = "\r\n";
  bool lineEcho_ = false;
  bool lineEdit_ = false;
  std::string rcvdBuf_;  // bytes received and not yet cut into lines
  std::string line_;     // the current line (with its lineEnd), handed out by receive()
  std::size_t lineRead_ = 0;
  int lineModeLoopCount_ = 0;
};

}  // namespace net
