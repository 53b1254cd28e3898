// The base layer of the asynchronous TCP socket: socket handle, hidden message target, name lookup,
// connect, send queue, receive, close and error reporting.
//
// Nothing blocks: a call starts the work and returns; completion arrives later as an event, called from
// the message dispatch of the thread that created the socket. Readiness of the system socket becomes a
// queued notification record (connection handle, event bits, error code) posted to the socket's own
// message target and handled one at a time, never inside the call that caused it.
#pragma once

#include "net/socket/SendBlock.h"
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

// Private messages of the socket's message target.
struct SocketMessage {
  enum : std::uint32_t {
    Notification = 0x401,          // wParam handle, lParam bits | error << 16
    LookupDone = 0x402,            // wParam lookup handle, lParam error << 16
    ReverseLookupDone = 0x403,     // reverse lookup (not used)
    CloseDelayed = 0x404,          // closeDelayed
    Release = 0x405,               // release
    TriggerException = 0x406,      // raises a test exception
    TriggerDataAvailable = 0x414,  // line layer: mode switched with data held
  };
};

class BasicSocket {
 public:
  BasicSocket();
  virtual ~BasicSocket();
  BasicSocket(const BasicSocket&) = delete;
  BasicSocket& operator=(const BasicSocket&) = delete;

  // --- Properties -------------------------------------------------------------------------------
  const std::string& Addr() const { return addrStr_; }
  void SetAddr(const std::string& value);
  const std::string& Port() const { return portStr_; }
  virtual void SetPort(const std::string& value);
  const std::string& Proto() const { return protoStr_; }
  virtual void SetProto(const std::string& value);
  const std::string& LocalAddr() const { return localAddr_; }
  void SetLocalAddr(const std::string& value);
  const std::string& LocalPort() const { return localPortStr_; }
  void SetLocalPort(const std::string& value);
  std::string PeerAddr();  // "error" unless connected
  std::string PeerPort();
  const std::string& DnsResult() const { return dnsResult_; }
  const std::vector<std::string>& DnsResultList() const { return dnsResultList_; }
  SocketState State() const { return state_; }
  std::int64_t ReadCount() const { return readCount_; }        // 64-bit: a download can pass 2 GiB
  std::int32_t bytesWaiting() { return queryBytesWaiting(); }  // bytes waiting to be read now, -1 on failure
  std::int32_t LastError() const { return lastError_; }
  void SetLastError(std::int32_t value) { lastError_ = value; }
  bool MultiThreaded() const { return multiThreaded_; }
  void SetMultiThreaded(bool value) { multiThreaded_ = value; }
  bool MultiCast() const { return multiCast_; }
  void SetMultiCast(bool value) { multiCast_ = value; }
  const std::string& MultiCastAddrStr() const { return multiCastAddrStr_; }
  void SetMultiCastAddrStr(const std::string& value) { multiCastAddrStr_ = value; }
  int MultiCastIpTTL() const { return multiCastIpTTL_; }
  void SetMultiCastIpTTL(int value) { multiCastIpTTL_ = value; }
  bool ReuseAddr() const { return reuseAddr_; }
  void SetReuseAddr(bool value) { reuseAddr_ = value; }
  SocketOptions options() const { return options_; }
  void setOptions(SocketOptions value) { options_ = value; }
  int ListenBacklog() const { return listenBacklog_; }
  void SetListenBacklog(int value) { listenBacklog_ = value; }
  std::uint8_t ReqVerLow() const;
  void SetReqVerLow(std::uint8_t value);
  std::uint8_t ReqVerHigh() const;
  void SetReqVerHigh(std::uint8_t value);
  int FlushTimeout() const { return flushTimeout_; }
  void SetFlushTimeout(int value) { flushTimeout_ = value; }
  SendFlags sendFlags() const { return sendFlags_; }
  void setSendFlags(SendFlags value);
  LingerMode lingerMode() const { return lingerMode_; }
  void setLingerMode(LingerMode value) { lingerMode_ = value; }
  int LingerTimeout() const { return lingerTimeout_; }
  void SetLingerTimeout(int seconds) { lingerTimeout_ = seconds; }
  KeepAliveMode keepAliveMode() const { return keepAliveMode_; }
  void setKeepAliveMode(KeepAliveMode value) { keepAliveMode_ = value; }
  int KeepAliveTime() const { return keepAliveTime_; }
  void SetKeepAliveTime(int ms) { keepAliveTime_ = ms; }
  int KeepAliveInterval() const { return keepAliveInterval_; }
  void SetKeepAliveInterval(int ms) { keepAliveInterval_ = ms; }

  int socketDescriptor() const { return fd_; }                           // -1: no socket
  platform::TargetHandle Handle() const;                                 // the hidden message target
  std::int32_t BufferedByteCount() const { return bufferedByteCount_; }  // queued, not yet sent
  bool AllSent() const { return allSent_; }
  bool Terminated() const { return terminated_; }

  // --- Events -----------------------------------------------------------------------------------
  DataAvailableEvent OnDataAvailable;
  DataSentEvent OnDataSent;
  SendDataEvent OnSendData;
  SessionClosedEvent OnSessionClosed;
  SessionAvailableEvent OnSessionAvailable;
  SessionConnectedEvent OnSessionConnected;
  StateChangeEvent OnChangeState;
  DnsLookupDoneEvent OnDnsLookupDone;
  SocketNotifyEvent OnError;
  BackgroundExceptionEvent OnBgException;

  // --- Operations -------------------------------------------------------------------------------
  // Starts a name lookup; OnDnsLookupDone reports the end (inside the call for a dotted address).
  virtual void DnsLookup(const std::string& hostName);
  // Abandons a pending lookup; fires OnDnsLookupDone(10004).
  virtual void CancelDnsLookup();
  // Opens a socket and starts connecting to Addr:Port; OnSessionConnected reports the end.
  virtual void Connect();
  // Queues the bytes and sends what the system takes now. Returns len, or -1 when not connected.
  virtual std::int32_t Send(const void* data, std::int32_t len);
  std::int32_t SendStr(const std::string& s);
  // Reads at most `bufferSize` bytes now: the count, 0 when the peer has closed, -1 on error (LastError).
  virtual std::int32_t Receive(void* buffer, std::int32_t bufferSize);
  virtual std::string ReceiveStr();
  virtual void Close();
  virtual void CloseDelayed();  // Close after the current event returns
  // Destroys the socket after the current event returns. Only for a socket created with `new` that
  // nothing else owns.
  virtual void Release();
  virtual void Abort();
  virtual void Flush();
  virtual void WaitForClose();
  virtual void Shutdown(int how);
  virtual void Pause();
  virtual void Resume();
  virtual void MessagePump();
  virtual void ThreadDetach();
  virtual void ThreadAttach();

 protected:
  virtual void handleMessage(platform::Message& msg);
  virtual void TryToSend();
  virtual void AssignDefaultValue();
  virtual void InternalClose(bool shut, std::uint16_t errCode);
  virtual void InternalAbort(std::uint16_t errCode);
  virtual std::int32_t queryBytesWaiting();
  virtual bool BindSocket();  // false when a failure was reported
  virtual std::int32_t RealSend(const char* data, std::int32_t len);
  virtual void RaiseException(const std::string& msg);
  virtual void HandleBackgroundException(const std::exception& e);
  // Runs the data-available event; false when no handler is assigned.
  virtual bool TriggerDataAvailable(std::uint16_t errCode);
  virtual void TriggerSessionAvailable(std::uint16_t errCode);
  virtual void TriggerSessionConnected(std::uint16_t errCode);
  virtual void TriggerSessionClosed(std::uint16_t errCode);
  virtual void TriggerDataSent(std::uint16_t errCode);
  virtual void TriggerChangeState(SocketState oldState, SocketState newState);
  virtual void TriggerDnsLookupDone(std::uint16_t errCode);
  virtual void TriggerError();
  virtual std::int32_t DoRecv(void* buffer, std::int32_t bufferSize, int flags);
  virtual void handleConnectEvent(platform::Message& msg);
  virtual void handleReadEvent(platform::Message& msg);
  virtual void handleWriteEvent(platform::Message& msg);
  virtual void handleAcceptEvent(platform::Message& msg);
  virtual void handleCloseEvent(platform::Message& msg);

  void reportErrno(const std::string& functionName);
  void reportSocketError(int code, const std::string& functionName);
  void ChangeState(SocketState newState);
  // Runs the data-available event while bytes wait. `draining` (the close) reads to the end; otherwise
  // the loop yields after a bounded number of passes so a flood cannot starve the message loop.
  void AsyncReceive(std::uint16_t errCode, SocketOptions options, bool draining = false);
  void PutDataInSendBuffer(const void* data, std::int32_t len);
  void DeleteBufferedData();
  bool SetLingerOption();
  bool SetKeepAliveOption();
  bool Destroying() const { return destroying_; }
  void SetDestroying() { destroying_ = true; }
  bool CloseInvoked() const { return closeInvoked_; }
  void SetCloseInvoked(bool value) { closeInvoked_ = value; }
  std::uint64_t ConnectionHandle() const { return connHandle_; }
  // Sets the remote address and port that Connect uses directly (marking them resolved).
  void SetResolvedTarget(std::uint32_t networkOrderAddr, std::uint16_t hostOrderPort);
  bool PortAssigned() const { return portAssigned_; }
  bool AddrAssigned() const { return addrAssigned_; }
  bool AddrResolved() const { return addrResolved_; }
  std::uint16_t RemotePortNumber() const { return ntohs(sin_.sin_port); }
  void SetRecvError(int code) { recvError_ = code; }
  int RecvError() const { return recvError_; }  // the socket error of the last failed DoRecv

 private:
  class Window;
  friend class SocketNotifiers;

  void HandleNotification(platform::Message& msg);
  void HandleLookupDone(platform::Message& msg);
  void StartLookup(const std::string& hostName);
  void ForgetLookup();
  void ResolveTargetForConnect();
  bool OpenAndConfigure();
  bool SetStreamOptions();
  bool SetDatagramOptions();
  void StartSystemConnect();
  void PostNotification(unsigned bits, int errCode);
  void CloseSystemSocket();
  std::string PeerText(bool wantPort);
  bool ApplyLinger(int onOff, int seconds);

  // Socket and notifications.
  int fd_ = -1;
  std::uint64_t connHandle_ = 0;  // identifies the current connection in notification records
  std::unique_ptr<Window> window_;
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

  // Flags.
  bool paused_ = false;
  bool closeInvoked_ = false;
  bool terminated_ = false;
  bool destroying_ = false;

  // Name lookup.
  std::uint64_t dnsLookupHandle_ = 0;
  bool dnsEarly_ = false;
  platform::Message dnsEarlyMsg_;
  std::vector<std::unique_ptr<HostLookup>> lookups_;
  std::string dnsResult_;
  std::vector<std::string> dnsResultList_;

  // Plain properties.
  SocketState state_ = SocketState::Closed;
  std::int64_t readCount_ = 0;
  std::int32_t lastError_ = 0;
  bool multiThreaded_ = false;
  bool multiCast_ = false;
  std::string multiCastAddrStr_;
  int multiCastIpTTL_ = 1;
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
