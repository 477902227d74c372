#include "guardedhttpserver.h"

#include <netdb.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "serverlog.h"

namespace zr540 {

namespace {

using Clock = std::chrono::steady_clock;

// A request head larger than this is refused: the utility's are a few hundred bytes, and
// cpp-httplib limits only the length of each line, not their number.
constexpr std::size_t kMaxHeadBytes = 16 * 1024;
// A body declared larger than cpp-httplib's payload limit is thrown away as it arrives, up to
// this size, so that a client which sends its whole body before it reads gets the refusal;
// beyond it the connection ends with the reply.
constexpr std::uint64_t kMaxDrainedBodyBytes = 64u * 1024 * 1024;
// Bytes of requests received and not yet answered, all connections together. Past it the
// waiting room reads no more until requests have been answered.
constexpr std::size_t kMaxBufferedBytes = 256u * 1024 * 1024;
constexpr std::size_t kReadChunk = 64 * 1024;

std::string socketAddress(int fd, bool peer, int* port) {
  sockaddr_storage addr{};
  socklen_t len = sizeof addr;
  const int rc = peer ? ::getpeername(fd, reinterpret_cast<sockaddr*>(&addr), &len)
                      : ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  char host[NI_MAXHOST];
  char serv[NI_MAXSERV];
  if (rc != 0 || ::getnameinfo(reinterpret_cast<sockaddr*>(&addr), len, host, sizeof host, serv, sizeof serv,
                               NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
    return std::string();
  }
  if (port) *port = std::atoi(serv);
  return host;
}

bool sameName(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

std::string trimmed(const std::string& s) {
  const std::size_t b = s.find_first_not_of(" \t");
  const std::size_t e = s.find_last_not_of(" \t");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// What a whole request head says of its body: its declared length, or that it cannot be read
// ahead (a chunked body, a length that is not one number).
struct BodyShape {
  bool readable = true;
  std::uint64_t length = 0;
};

BodyShape bodyShape(const std::string& head) {
  BodyShape shape;
  bool haveLength = false;
  std::size_t pos = head.find("\r\n");
  while (pos != std::string::npos && pos + 2 < head.size()) {
    const std::size_t next = head.find("\r\n", pos + 2);
    const std::string line = head.substr(pos + 2, (next == std::string::npos ? head.size() : next) - pos - 2);
    pos = next;
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string name = trimmed(line.substr(0, colon));
    const std::string value = trimmed(line.substr(colon + 1));
    if (sameName(name, "Transfer-Encoding")) shape.readable = false;
    if (!sameName(name, "Content-Length")) continue;
    const bool digits = !value.empty() && value.size() <= 18 &&
                        value.find_first_not_of("0123456789") == std::string::npos;
    const std::uint64_t n = digits ? std::strtoull(value.c_str(), nullptr, 10) : 0;
    if (!digits || (haveLength && n != shape.length)) shape.readable = false;
    shape.length = n;
    haveLength = true;
  }
  return shape;
}

// The stream a request thread hands to cpp-httplib: reads come from the request as the waiting
// room received it, and end with it; writes wait at most the write timeout for room.
class BufferedRequestStream : public httplib::Stream {
 public:
  BufferedRequestStream(int fd, const std::string& request, int writeTimeoutMs)
      : fd_(fd), request_(request), writeTimeoutMs_(writeTimeoutMs) {}

  bool is_readable() const override { return pos_ < request_.size(); }
  bool is_writable() const override {
    for (;;) {
      pollfd p{fd_, POLLOUT, 0};
      const int rc = ::poll(&p, 1, writeTimeoutMs_);
      if (rc < 0 && errno == EINTR) continue;
      return rc > 0 && (p.revents & POLLOUT) != 0;
    }
  }

  ssize_t read(char* ptr, size_t size) override {
    const std::size_t n = std::min(size, request_.size() - pos_);
    std::memcpy(ptr, request_.data() + pos_, n);
    pos_ += n;
    return static_cast<ssize_t>(n);
  }

  ssize_t write(const char* ptr, size_t size) override {
    if (!is_writable()) return -1;
    for (;;) {
      const ssize_t n = ::send(fd_, ptr, size, MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      return n;
    }
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override { ip = socketAddress(fd_, true, &port); }
  void get_local_ip_and_port(std::string& ip, int& port) const override { ip = socketAddress(fd_, false, &port); }
  socket_t socket() const override { return fd_; }

 private:
  const int fd_;
  const std::string& request_;
  const int writeTimeoutMs_;
  std::size_t pos_ = 0;
};

}  // namespace

// The connections of one listen loop: those waiting for their request, the request threads,
// and the count of open connections per client address.
class GuardedHttpServer::Guard : public httplib::TaskQueue {
 public:
  explicit Guard(GuardedHttpServer& server)
      : server_(server), limits_(server.limits_),
        pool_(new httplib::ThreadPool(static_cast<std::size_t>(server.limits_.threads))) {
    // Open connections in all: the descriptor limit, less some for the database, the log and the
    // archives being read or written, so that accept() does not run out (cpp-httplib would then
    // try again every millisecond).
    maxOpen_ = 100000;
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur != RLIM_INFINITY) {
      const std::size_t limit = std::min<std::size_t>(static_cast<std::size_t>(files.rlim_cur), maxOpen_);
      maxOpen_ = std::max<std::size_t>(16, limit - std::min<std::size_t>(64, limit / 2));
    }
    epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = wake_;
    if (epoll_ < 0 || wake_ < 0 || ::epoll_ctl(epoll_, EPOLL_CTL_ADD, wake_, &ev) != 0) {
      logLine(std::string("cannot wait for requests (") + std::strerror(errno) + "): every connection is closed");
      return;
    }
    waiter_ = std::thread([this] { waitLoop(); });
  }

  ~Guard() override {
    shutdown();
    if (epoll_ >= 0) ::close(epoll_);
    if (wake_ >= 0) ::close(wake_);
  }

  // cpp-httplib's accept loop hands over each connection here: the task calls
  // process_and_close_socket, which passes the socket on to admit() at once.
  void enqueue(std::function<void()> fn) override { fn(); }

  void shutdown() override {
    if (shutDown_) return;
    shutDown_ = true;
    server_.guard_ = nullptr;
    stopping_ = true;
    if (waiter_.joinable()) {
      const std::uint64_t one = 1;
      if (::write(wake_, &one, sizeof one) < 0) logLine("cannot wake the waiting thread");
      waiter_.join();
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (auto& w : waiting_) closeLocked(w.second);
      waiting_.clear();
    }
    // Requests in progress are answered.
    pool_->shutdown();
  }

  void admit(int fd) {
    Connection c;
    c.fd = fd;
    c.address = socketAddress(fd, true, nullptr);
    c.deadline = Clock::now() + std::chrono::seconds(limits_.headSeconds);
    c.requestsLeft = server_.keep_alive_max_count_;
    std::vector<Connection> ready;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      // Connections of this address that its client has closed, and whose closing the waiting
      // thread has not seen yet, no longer count.
      if (addresses_[c.address].open >= limits_.perAddress) {
        const std::set<int> fds = addresses_[c.address].waiting;
        for (int w : fds) pumpLocked(w, ready);
      }
      AddressState& from = addresses_[c.address];
      if (stopping_ || !waiter_.joinable() || from.open >= limits_.perAddress || open_ >= maxOpen_) {
        noteRefusalLocked(c.address, from.open);
        if (from.open == 0) addresses_.erase(c.address);
        ::close(fd);
      } else {
        ++from.open;
        ++open_;
        if (!parkLocked(c, ready)) releaseLocked(c);
      }
    }
    dispatch(ready);
  }

 private:
  struct Connection {
    int fd = -1;
    std::string address;
    Clock::time_point deadline;  // of the request head, then of its body
    std::size_t requestsLeft = 0;
    bool answered = false;        // has had a reply: waiting for another request is keeping alive
    std::string bytes;            // received and not yet handed to a request thread
    std::size_t requestSize = 0;  // head and body, once the head is whole
    std::uint64_t skip = 0;       // body bytes still to throw away
    bool closeAfter = false;      // the body was not read: the connection ends with the reply
  };

  struct AddressState {
    int open = 0;
    std::set<int> waiting;  // its connections in the waiting room
  };

  // One summary line a second per address at most: refusals come as fast as a client connects.
  struct RefusalNote {
    unsigned count = 0;  // since the last line
    Clock::time_point logged;
  };

  // Into the waiting room until its request is whole; false when the server stops.
  bool parkLocked(const Connection& c, std::vector<Connection>& ready) {
    if (stopping_) return false;
    epoll_event ev{};
    // Edge-triggered: every arrival of bytes is one event; pumpLocked reads until there are none.
    ev.events = EPOLLIN | EPOLLRDHUP | EPOLLET;
    ev.data.fd = c.fd;
    if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, c.fd, &ev) != 0) {
      logLine(std::string("cannot watch a connection: ") + std::strerror(errno));
      return false;
    }
    waiting_[c.fd] = c;
    addresses_[c.address].waiting.insert(c.fd);
    // A next request may have come along with the last one, whole or in part.
    pumpLocked(c.fd, ready);
    return true;
  }

  // Reads what has arrived on a waiting connection. A whole request moves to `ready`; a closed
  // or broken connection, or one whose head is too large, is closed.
  void pumpLocked(int fd, std::vector<Connection>& ready) {
    const auto it = waiting_.find(fd);
    if (it == waiting_.end()) return;
    Connection& c = it->second;
    for (;;) {
      if (c.requestSize == 0) {
        const std::size_t end = c.bytes.find("\r\n\r\n");
        if (end != std::string::npos && end + 4 <= kMaxHeadBytes) {
          c.requestSize = end + 4;
          const BodyShape body = bodyShape(c.bytes.substr(0, end));
          if (!body.readable || body.length > kMaxDrainedBodyBytes) {
            c.closeAfter = true;
          } else if (body.length > server_.payload_max_length_) {
            c.skip = body.length;
          } else {
            c.requestSize += static_cast<std::size_t>(body.length);
          }
          c.deadline = Clock::now() + std::chrono::seconds(limits_.bodySeconds);
        } else if (c.bytes.size() >= kMaxHeadBytes) {
          logLine(c.address + ": request head over " + std::to_string(kMaxHeadBytes) + " bytes, connection closed");
          return closeWaitingLocked(it);
        }
      }
      if (c.requestSize > 0 && c.skip > 0 && c.bytes.size() > c.requestSize) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(c.skip, c.bytes.size() - c.requestSize));
        c.bytes.erase(c.requestSize, n);
        buffered_ -= n;
        c.skip -= n;
      }
      if (c.requestSize > 0 && c.skip == 0 && c.bytes.size() >= c.requestSize) {
        ::epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
        addresses_[c.address].waiting.erase(fd);
        stalled_.erase(fd);
        ready.push_back(std::move(c));
        waiting_.erase(it);
        return;
      }
      if (buffered_ >= kMaxBufferedBytes) {
        stalled_.insert(fd);  // read again once answered requests have made room
        return;
      }
      char chunk[kReadChunk];
      const ssize_t n = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
      if (n <= 0) return closeWaitingLocked(it);  // closed by the client, or broken
      c.bytes.append(chunk, static_cast<std::size_t>(n));
      buffered_ += static_cast<std::size_t>(n);
    }
  }

  void waitLoop() {
    std::vector<epoll_event> events(64);
    while (!stopping_) {
      const int n = ::epoll_wait(epoll_, events.data(), static_cast<int>(events.size()), 100);
      if (n < 0 && errno != EINTR) {
        logLine(std::string("waiting for requests failed: ") + std::strerror(errno));
        return;
      }
      std::vector<Connection> ready;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        for (int i = 0; i < n; ++i) {
          const int fd = events[static_cast<std::size_t>(i)].data.fd;
          if (fd != wake_) pumpLocked(fd, ready);
        }
        if (buffered_ < kMaxBufferedBytes && !stalled_.empty()) {
          std::set<int> stalled;
          stalled.swap(stalled_);
          for (int fd : stalled) pumpLocked(fd, ready);
        }
        expireLocked();
      }
      dispatch(ready);
    }
  }

  void dispatch(std::vector<Connection>& ready) {
    for (Connection& c : ready) pool_->enqueue([this, c]() mutable { serve(std::move(c)); });
  }

  void expireLocked() {
    const Clock::time_point now = Clock::now();
    for (auto it = waiting_.begin(); it != waiting_.end();) {
      const Connection& c = it->second;
      if (c.deadline > now) {
        ++it;
        continue;
      }
      if (c.requestSize > 0) {
        logLine(c.address + ": request not complete " + std::to_string(limits_.bodySeconds) +
                " s after its head, connection closed");
      } else if (!c.bytes.empty() || !c.answered) {
        // A kept-alive connection that the client leaves unused is closed without a word.
        logLine(c.address + ": no whole request head within " + std::to_string(limits_.headSeconds) +
                " s, connection closed");
      }
      const auto next = std::next(it);
      closeWaitingLocked(it);
      it = next;
    }
  }

  void serve(Connection c) {
    const int writeTimeoutMs = static_cast<int>(server_.write_timeout_sec_ * 1000 + server_.write_timeout_usec_ / 1000);
    for (;;) {
      const std::string request = c.bytes.substr(0, c.requestSize);
      c.bytes.erase(0, c.requestSize);
      const bool last = c.requestsLeft <= 1 || stopping_ || c.closeAfter;
      bool clientCloses = false;
      BufferedRequestStream stream(c.fd, request, writeTimeoutMs);
      const bool ok = server_.process_request(stream, last, clientCloses, nullptr);
      --c.requestsLeft;
      c.answered = true;
      c.requestSize = 0;
      std::vector<Connection> ready;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        buffered_ -= request.size();
        if (!ok || clientCloses || last) {
          releaseLocked(c);
          return;
        }
        // The next head is due within the keep-alive time (cpp-httplib's 5 s, as the reply says).
        c.deadline = Clock::now() +
                     std::chrono::seconds(std::min<time_t>(limits_.headSeconds, server_.keep_alive_timeout_sec_));
        if (!parkLocked(c, ready)) releaseLocked(c);
      }
      // A whole next request that came along with this one is served here, like any other.
      if (ready.size() == 1 && ready.front().fd == c.fd) {
        c = std::move(ready.front());
        continue;
      }
      dispatch(ready);
      return;
    }
  }

  void uncountLocked(const Connection& c) {
    const auto it = addresses_.find(c.address);
    if (it != addresses_.end()) {
      it->second.waiting.erase(c.fd);
      if (--it->second.open <= 0) addresses_.erase(it);
    }
    buffered_ -= c.bytes.size();
    --open_;
  }

  // A waiting connection: closing the socket also takes it out of the epoll set.
  void closeLocked(const Connection& c) {
    uncountLocked(c);
    stalled_.erase(c.fd);
    ::close(c.fd);
  }

  void closeWaitingLocked(std::map<int, Connection>::iterator it) {
    closeLocked(it->second);
    waiting_.erase(it);
  }

  void releaseLocked(const Connection& c) {
    uncountLocked(c);
    ::shutdown(c.fd, SHUT_RDWR);
    ::close(c.fd);
  }

  void noteRefusalLocked(const std::string& address, int fromAddress) {
    const Clock::time_point now = Clock::now();
    if (refusals_.size() > 4096) {  // addresses that have stopped trying are forgotten
      for (auto it = refusals_.begin(); it != refusals_.end();) {
        it = now - it->second.logged >= std::chrono::seconds(1) ? refusals_.erase(it) : std::next(it);
      }
    }
    const bool known = refusals_.count(address) != 0;
    RefusalNote& note = refusals_[address];
    ++note.count;
    if (known && now - note.logged < std::chrono::seconds(1)) return;
    logLine("refused " + std::to_string(note.count) + " connection(s) from " + address + " (" +
            (open_ >= maxOpen_ ? std::to_string(open_) + " connections open in all"
                               : std::to_string(fromAddress) + " open from that address") + ")");
    note.count = 0;
    note.logged = now;
  }

  GuardedHttpServer& server_;
  const ConnectionLimits limits_;
  std::unique_ptr<httplib::ThreadPool> pool_;
  std::size_t maxOpen_ = 0;
  int epoll_ = -1;
  int wake_ = -1;
  std::atomic<bool> stopping_{false};
  bool shutDown_ = false;
  std::thread waiter_;

  std::mutex mutex_;
  std::map<int, Connection> waiting_;  // by socket
  std::map<std::string, AddressState> addresses_;
  std::set<int> stalled_;  // waiting, with bytes left unread for want of room
  std::size_t open_ = 0;
  std::size_t buffered_ = 0;  // bytes of requests received and not yet answered
  std::map<std::string, RefusalNote> refusals_;
};

GuardedHttpServer::GuardedHttpServer(const ConnectionLimits& limits) : limits_(limits) {
  new_task_queue = [this] {
    Guard* guard = new Guard(*this);
    guard_ = guard;
    return guard;
  };
}

GuardedHttpServer::~GuardedHttpServer() = default;

bool GuardedHttpServer::process_and_close_socket(socket_t sock) {
  Guard* guard = guard_.load();
  if (!guard) {
    ::close(sock);
    return false;
  }
  guard->admit(sock);
  return true;
}

}  // namespace zr540
