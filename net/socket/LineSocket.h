// The line layer: with LineMode on, received bytes are cut into lines ending in LineEnd and handed out
// one line per data-available event. With LineMode off it passes everything through.
#pragma once

#include "net/socket/SocksSocket.h"

#include <string>

namespace net {

class LineSocket : public SocksSocket {
 public:
  LineSocket();

  bool LineMode() const { return lineMode_; }
  virtual void SetLineMode(bool value);
  std::int32_t LineLimit() const { return lineLimit_; }
  void SetLineLimit(std::int32_t value) { lineLimit_ = value; }
  const std::string& LineEnd() const { return lineEnd_; }
  void SetLineEnd(const std::string& value) { lineEnd_ = value; }
  bool LineEcho() const { return lineEcho_; }
  void SetLineEcho(bool value) { lineEcho_ = value; }
  bool LineEdit() const { return lineEdit_; }
  void SetLineEdit(bool value) { lineEdit_ = value; }
  // Bytes received in line mode and not yet handed out.
  std::int32_t LineHeld() const { return static_cast<std::int32_t>(rcvdBuf_.size()); }

  LineLimitEvent OnLineLimitExceeded;

  // Queues `s` followed by LineEnd; returns the bytes queued or -1.
  virtual std::int32_t SendLine(const std::string& s);

 protected:
  void handleMessage(platform::Message& msg) override;
  std::int32_t queryBytesWaiting() override;
  bool TriggerDataAvailable(std::uint16_t errCode) override;
  void TriggerSessionClosed(std::uint16_t errCode) override;
  std::int32_t DoRecv(void* buffer, std::int32_t bufferSize, int flags) override;
  virtual void TriggerLineLimitExceeded(std::int32_t cnt, bool& clearData);
  virtual void EditLine(std::size_t from);

 private:
  bool ReadIntoLineBuffer(std::uint16_t errCode);
  void DeliverLines(std::size_t searchFrom);
  bool DeliverCurrentLine();
  void HandleModeSwitched();

  bool lineMode_ = false;
  std::int32_t lineLimit_ = 65536;
  std::string lineEnd_ = "\r\n";
  bool lineEcho_ = false;
  bool lineEdit_ = false;
  std::string rcvdBuf_;  // bytes received and not yet cut into lines
  std::string line_;     // the current line (with its LineEnd), handed out by Receive
  std::size_t lineRead_ = 0;
  int lineModeLoopCount_ = 0;
};

}  // namespace net
