// The base layer of the asynchronous TCP socket: socket handle, hidden mailbox, name lookup, connect,
// send queue, receive, close and error reporting.
//
// Nothing blocks: a call starts the work and returns; completion arrives later as an event, called from
// the message dispatch of the thread that created the socket. Readiness of the system socket becomes a
// queued SocketNotification (connection handle, event bits, error code) posted to the socket's own
// mailbox and handled one at a time, never inside the call that caused it.
#pragma once

#include "net/socket/SendBlock.h"
#include "net/socket/SocketEvents.h"
#include "net/socket/SocketException.h"
#include "net/socket/SocketTypes.h"
#include "platform/Messages.h"

#include <netinet/in.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace net {

class SocketNotifiers;
class HostLookup;

class BasicSocket {
 public:
  BasicSocket();
  virtual ~BasicSocket();
  BasicSocket(const BasicSocket&) = delete;
  BasicSocket& operator=(const BasicSocket&) = delete;

  // --- Properties -------------------------------------------------------------------------------
  const std::string& addr() const { return addrStr_; }
  void setAddr(const std::string& value);
  const std::string& port() const { return portStr_; }
  virtual void setPort(const std::string& value);
  const std::string& proto() const { return protoStr_; }
  virtual void setProto(const std::string& value);
  const std::string& localAddr() const { return localAddr_; }
  void setLocalAddr(const std::string& value);
  const std::string& localPort() const { return localPortStr_; }
  void setLocalPort(const std::string& value);
  std::string peerAddr();  // "error" unless connected
  std::string peerPort();
  const std::string& dnsResult() const { return dnsResult_; }
  const std::vector<std::string>& dnsResultList() const { return dnsResultList_; }
  SocketState state() const { return state_; }
  std::int64_t readCount() const { return readCount_; }        // 64-bit: a download can pass 2 GiB
  std::int32_t bytesWaiting() { return queryBytesWaiting(); }  // bytes waiting to be read now, -1 on failure
  std::int32_t lastError() const { return lastError_; }
  // The text of the last refusal raised (or reported to onError) since connect() began; empty when none.
  const std::string& lastRaisedMessage() const { return raisedMessage_; }
  void setLastError(std::int32_t value) { lastError_ = value; }
  bool multiThreaded() const { return multiThreaded_; }
  void setMultiThreaded(bool value) { multiThreaded_ = value; }
  bool multiCast() const { return multiCast_; }
  void setMultiCast(bool value) { multiCast_ = value; }
  const std::string& multiCastAddrStr() const { return multiCastAddrStr_; }
  void setMultiCastAddrStr(const std::string& value) { multiCastAddrStr_ = value; }
  int multiCastIpTtl() const { return multiCastIpTtl_; }
  void setMultiCastIpTtl(int value) { multiCastIpTtl_ = value; }
  bool reuseAddr() const { return reuseAddr_; }
  void setReuseAddr(bool value) { reuseAddr_ = value; }
  SocketOptions options() const { return options_; }
  void setOptions(SocketOptions value) { options_ = value; }
  int listenBacklog() const { return listenBacklog_; }
  void setListenBacklog(int value) { listenBacklog_ = value; }
  std::uint8_t reqVerLow() const;
  void setReqVerLow(std::uint8_t value);
  std::uint8_t reqVerHigh() const;
  void setReqVerHigh(std::uint8_t value);
  int flushTimeout() const { return flushTimeout_; }
  void setFlushTimeout(int value) { flushTimeout_ = value; }
  SendFlags sendFlags() const { return sendFlags_; }
  void setSendFlags(SendFlags value);
  LingerMode lingerMode() const { return lingerMode_; }
  void setLingerMode(LingerMode value) { lingerMode_ = value; }
  int lingerTimeout() const { return lingerTimeout_; }
  void setLingerTimeout(int seconds) { lingerTimeout_ = seconds; }
  KeepAliveMode keepAliveMode() const { return keepAliveMode_; }
  void setKeepAliveMode(KeepAliveMode value) { keepAliveMode_ = value; }
  int keepAliveTime() const { return keepAliveTime_; }
  void setKeepAliveTime(int ms) { keepAliveTime_ = ms; }
  int keepAliveInterval() const { return keepAliveInterval_; }
  void setKeepAliveInterval(int ms) { keepAliveInterval_ = ms; }

  int socketDescriptor() const { return fd_; }                           // -1: no socket
  platform::MailboxRef<SocketEvent> mailbox() const;                     // none while detached
  std::int32_t bufferedByteCount() const { return bufferedByteCount_; }  // queued, not yet sent
  bool allSent() const { return allSent_; }
  bool terminated() const { return terminated_; }

  // --- Events -----------------------------------------------------------------------------------
  DataAvailableEvent onDataAvailable;
  DataSentEvent onDataSent;
  SendDataEvent onSendData;
  SessionClosedEvent onSessionClosed;
  SessionAvailableEvent onSessionAvailable;
  SessionConnectedEvent onSessionConnected;
  StateChangeEvent onStateChange;
  DnsLookupDoneEvent onDnsLookupDone;
  SocketNotifyEvent onError;
  BackgroundExceptionEvent onBackgroundException;

  // --- Operations -------------------------------------------------------------------------------
  // Starts a name lookup; onDnsLookupDone reports the end (inside the call for a dotted address).
  virtual void dnsLookup(const std::string& hostName);
  // Abandons a pending lookup; fires onDnsLookupDone(10004).
  virtual void cancelDnsLookup();
  // Opens a socket and starts connecting to addr():port(); onSessionConnected reports the end.
  virtual void connect();
  // Queues the bytes and sends what the system takes now. Returns len, or -1 when not connected.
  virtual std::int32_t send(const void* data, std::int32_t len);
  std::int32_t sendStr(const std::string& s);
  // Reads at most `bufferSize` bytes now: the count, 0 when the peer has closed, -1 on error (lastError).
  virtual std::int32_t receive(void* buffer, std::int32_t bufferSize);
  virtual std::string receiveStr();
  virtual void close();
  virtual void closeDelayed();  // close() after the current event returns
  // Destroys the socket after the current event returns. Only for a socket created with `new` that
  // nothing else owns.
  virtual void release();
  virtual void abort();
  // The socket's synchronous waits (platform::waitSynchronously, whose rules apply): flush() returns once
  // the send queue is empty, waitForClose() once the connection is closed, messagePump() after one pass
  // over the events queued for this thread. Never on a job's path: it is driven by the events alone.
  virtual void flush();
  virtual void waitForClose();
  virtual void shutdown(int how);
  virtual void pause();
  virtual void resume();
  virtual void messagePump();
  virtual void threadDetach();
  virtual void threadAttach();

 protected:
  // Handles one event of the socket's mailbox.
  virtual void handleEvent(SocketEvent& event);
  virtual void tryToSend();
  virtual void assignDefaultValue();
  virtual void internalClose(bool shut, std::uint16_t errCode);
  virtual void internalAbort(std::uint16_t errCode);
  virtual std::int32_t queryBytesWaiting();
  virtual bool bindSocket();  // false when a failure was reported
  virtual std::int32_t realSend(const char* data, std::int32_t len);
  virtual void raiseException(const std::string& msg);
  virtual void handleBackgroundException(const std::exception& e);
  // Runs the data-available event; false when no handler is assigned.
  virtual bool triggerDataAvailable(std::uint16_t errCode);
  virtual void triggerSessionAvailable(std::uint16_t errCode);
  virtual void triggerSessionConnected(std::uint16_t errCode);
  virtual void triggerSessionClosed(std::uint16_t errCode);
  virtual void triggerDataSent(std::uint16_t errCode);
  virtual void triggerChangeState(SocketState oldState, SocketState newState);
  virtual void triggerDnsLookupDone(std::uint16_t errCode);
  virtual void triggerError();
  virtual std::int32_t doRecv(void* buffer, std::int32_t bufferSize, int flags);
  // The steps of a notification, each with the socket error number that came with it.
  virtual void handleConnectEvent(std::uint16_t errCode);
  virtual void handleReadEvent(std::uint16_t errCode);
  virtual void handleWriteEvent(std::uint16_t errCode);
  virtual void handleAcceptEvent(std::uint16_t errCode);
  virtual void handleCloseEvent(std::uint16_t errCode);

  void forgetRaisedMessage() { raisedMessage_.clear(); }
  void reportErrno(const std::string& functionName);
  void reportSocketError(int code, const std::string& functionName);
  void changeState(SocketState newState);
  // Runs the data-available event while bytes wait. `draining` (the close) reads to the end; otherwise
  // the loop yields after a bounded number of passes so a flood cannot starve the message loop.
  void asyncReceive(std::uint16_t errCode, SocketOptions options, bool draining = false);
  void putDataInSendBuffer(const void* data, std::int32_t len);
  void deleteBufferedData();
  bool setLingerOption();
  bool setKeepAliveOption();
  bool destroying() const { return destroying_; }
  void setDestroying() { destroying_ = true; }
  bool closeInvoked() const { return closeInvoked_; }
  void setCloseInvoked(bool value) { closeInvoked_ = value; }
  std::uint64_t connectionHandle() const { return connHandle_; }
  // Sets the remote address and port that connect() uses directly (marking them resolved).
  void setResolvedTarget(std::uint32_t networkOrderAddr, std::uint16_t hostOrderPort);
  bool portAssigned() const { return portAssigned_; }
  bool addrAssigned() const { return addrAssigned_; }
  bool addrResolved() const { return addrResolved_; }
  std::uint16_t remotePortNumber() const { return ntohs(sin_.sin_port); }
  void setRecvError(int code) { recvError_ = code; }
  int recvError() const { return recvError_; }  // the socket error of the last failed doRecv

 private:
  friend class SocketNotifiers;

  std::unique_ptr<platform::Mailbox<SocketEvent>> makeMailbox();
  platform::MailboxRef<SocketNotification> notificationTarget() const;
  void dispatch(SocketEvent& event);
  void handleNotification(const SocketNotification& notification);
  void handleLookupDone(LookupDone& done);
  void startLookup(const std::string& hostName);
  void forgetLookup();
  void resolveTargetForConnect();
  bool openAndConfigure();
  bool setStreamOptions();
  bool setDatagramOptions();
  void startSystemConnect();
  void postNotification(unsigned bits, int errCode);
  void closeSystemSocket();
  std::string peerText(bool wantPort);
  bool applyLinger(int onOff, int seconds);

  // Socket and notifications.
  int fd_ = -1;
  std::uint64_t connHandle_ = 0;  // identifies the current connection in notifications
  std::unique_ptr<platform::Mailbox<SocketEvent>> mailbox_;  // the socket's hidden message target
  std::thread::id threadId_;
  std::unique_ptr<SocketNotifiers> notifiers_;
  unsigned selectEvent_ = 0;
  unsigned curEvent_ = 0;

  // Remote and local end.
  std::string addrStr_, portStr_, protoStr_ = "tcp";
  bool addrAssigned_ = false, addrResolved_ = false;
  bool portAssigned_ = false, portResolved_ = false;
  bool protoAssigned_ = true, protoResolved_ = false;
  bool localPortResolved_ = false;
  int protoNum_ = 6;
  int sockType_ = 1;  // 1 stream, 2 datagram, 3 raw
  int af_ = 2;
  sockaddr_in sin_{};
  std::uint16_t localPortNum_ = 0;
  std::string localAddr_ = "0.0.0.0", localPortStr_ = "0";

  // Send queue.
  std::deque<std::unique_ptr<SendBlock>> bufList_;
  std::int32_t bufSize_ = 1460;
  std::int32_t bufferedByteCount_ = 0;
  bool allSent_ = true;

  // Receive and send bookkeeping.
  std::uint64_t receiveCalls_ = 0;  // receives asked of the system or the layers
  int recvError_ = 0;
  int sendError_ = 0;
  // A hard receive error (a reset) that a read consumed: the system then reports an ordinary end, and the
  // close notification must still say how the connection ended.
  int receiveFailure_ = 0;
  std::string raisedMessage_;

  // Flags.
  bool paused_ = false;
  bool closeInvoked_ = false;
  bool terminated_ = false;
  bool destroying_ = false;

  // Name lookup.
  std::uint64_t dnsLookupHandle_ = 0;
  std::unique_ptr<HostLookup> lookup_;  // the pending lookup; destroying it abandons it
  std::string dnsResult_;
  std::vector<std::string> dnsResultList_;

  // Plain properties.
  SocketState state_ = SocketState::Closed;
  std::int64_t readCount_ = 0;
  std::int32_t lastError_ = 0;
  bool multiThreaded_ = false;
  bool multiCast_ = false;
  std::string multiCastAddrStr_;
  int multiCastIpTtl_ = 1;
  bool reuseAddr_ = false;
  SocketOptions options_ = 0;
  int listenBacklog_ = 5;
  int flushTimeout_ = 60;
  SendFlags sendFlags_ = SendFlags::Normal;
  LingerMode lingerMode_ = LingerMode::On;
  int lingerTimeout_ = 0;
  KeepAliveMode keepAliveMode_ = KeepAliveMode::OnSystem;
  int keepAliveTime_ = 30000;
  int keepAliveInterval_ = 1000;
};

}  // namespace net
