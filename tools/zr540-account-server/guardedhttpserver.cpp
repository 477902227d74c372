#include "guardedhttpserver.h"

#include <netdb.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
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

// The stream a request thread hands to cpp-httplib. Reads end at the deadline, and at once when
// the server stops and they would have to wait; writes wait at most the write timeout for room.
// Like cpp-httplib's own socket stream it reads ahead into a small buffer, because the request
// head is read one byte at a time.
class DeadlineStream : public httplib::Stream {
 public:
  DeadlineStream(int fd, Clock::time_point deadline, int writeTimeoutMs, const std::atomic<bool>& stopping)
      : fd_(fd), deadline_(deadline), writeTimeoutMs_(writeTimeoutMs), stopping_(stopping) {}

  bool is_readable() const override { return pos_ < end_ || waitReadable(); }
  bool is_writable() const override { return waitWritable(); }

  ssize_t read(char* ptr, size_t size) override {
    if (pos_ == end_) {
      if (!waitReadable()) return -1;
      if (size >= sizeof buf_) return receive(ptr, size);
      const ssize_t n = receive(buf_, sizeof buf_);
      if (n <= 0) return n;
      pos_ = 0;
      end_ = static_cast<std::size_t>(n);
    }
    const std::size_t n = std::min(size, end_ - pos_);
    std::memcpy(ptr, buf_ + pos_, n);
    pos_ += n;
    return static_cast<ssize_t>(n);
  }

  ssize_t write(const char* ptr, size_t size) override {
    if (!waitWritable()) return -1;
    for (;;) {
      const ssize_t n = ::send(fd_, ptr, size, MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      return n;
    }
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override { ip = socketAddress(fd_, true, &port); }
  void get_local_ip_and_port(std::string& ip, int& port) const override { ip = socketAddress(fd_, false, &port); }
  socket_t socket() const override { return fd_; }

  void setDeadline(Clock::time_point deadline) { deadline_ = deadline; }
  bool timedOut() const { return timedOut_; }
  // Bytes of a next request that came along with this one.
  bool hasBuffered() const { return pos_ < end_; }

 private:
  ssize_t receive(char* ptr, std::size_t size) {
    for (;;) {
      const ssize_t n = ::recv(fd_, ptr, size, 0);
      if (n < 0 && errno == EINTR) continue;
      return n;
    }
  }

  bool waitReadable() const {
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
      if (left <= 0) {
        timedOut_ = true;
        return false;
      }
      // A stopping server does not wait for slow clients: it looks a quarter of a second at a time.
      const bool stopping = stopping_.load();
      pollfd p{fd_, POLLIN, 0};
      const int rc = ::poll(&p, 1, stopping ? 0 : static_cast<int>(std::min<long long>(left, 250)));
      if (rc > 0) return true;
      if (rc < 0 && errno != EINTR) return false;
      if (rc == 0 && stopping) return false;
    }
  }

  bool waitWritable() const {
    for (;;) {
      pollfd p{fd_, POLLOUT, 0};
      const int rc = ::poll(&p, 1, writeTimeoutMs_);
      if (rc < 0 && errno == EINTR) continue;
      return rc > 0 && (p.revents & POLLOUT) != 0;
    }
  }

  const int fd_;
  Clock::time_point deadline_;
  const int writeTimeoutMs_;
  const std::atomic<bool>& stopping_;
  mutable bool timedOut_ = false;
  char buf_[4096];
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
};

}  // namespace

// The connections of one listen loop: those waiting for a request head, the request threads,
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
      logLine(std::string("cannot wait for request heads (") + std::strerror(errno) + "): every connection is closed");
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
    // Requests in progress are answered; reads that would have to wait end at once.
    pool_->shutdown();
  }

  void admit(int fd) {
    Connection c;
    c.fd = fd;
    c.address = socketAddress(fd, true, nullptr);
    c.deadline = Clock::now() + std::chrono::seconds(limits_.headSeconds);
    c.requestsLeft = server_.keep_alive_max_count_;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      const auto it = perAddress_.find(c.address);
      const int fromAddress = it == perAddress_.end() ? 0 : it->second;
      if (stopping_ || !waiter_.joinable() || fromAddress >= limits_.perAddress || open_ >= maxOpen_) {
        noteRefusalLocked(c.address, fromAddress);
        ::close(fd);
        return;
      }
      ++perAddress_[c.address];
      ++open_;
    }
    if (!park(c)) release(c);
  }

 private:
  struct Connection {
    int fd = -1;
    std::string address;
    Clock::time_point deadline;  // of the request head
    std::size_t requestsLeft = 0;
    bool answered = false;  // has had a reply: waiting for another request is keeping alive
  };

  // Into the waiting room until its request head is whole; false when the server stops.
  bool park(const Connection& c) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) return false;
    epoll_event ev{};
    // Edge-triggered: every arrival of bytes is one event, while the bytes stay unread.
    ev.events = EPOLLIN | EPOLLRDHUP | EPOLLET;
    ev.data.fd = c.fd;
    waiting_[c.fd] = c;
    if (::epoll_ctl(epoll_, EPOLL_CTL_ADD, c.fd, &ev) != 0) {
      logLine(std::string("cannot watch a connection: ") + std::strerror(errno));
      waiting_.erase(c.fd);
      return false;
    }
    return true;
  }

  void waitLoop() {
    std::vector<epoll_event> events(64);
    while (!stopping_) {
      const int n = ::epoll_wait(epoll_, events.data(), static_cast<int>(events.size()), 100);
      if (n < 0 && errno != EINTR) {
        logLine(std::string("waiting for request heads failed: ") + std::strerror(errno));
        return;
      }
      std::vector<Connection> ready;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        for (int i = 0; i < n; ++i) {
          if (events[static_cast<std::size_t>(i)].data.fd == wake_) continue;
          lookAtHeadLocked(events[static_cast<std::size_t>(i)].data.fd, ready);
        }
        expireLocked();
      }
      for (const Connection& c : ready) pool_->enqueue([this, c] { serve(c); });
    }
  }

  // Looks at what has arrived, without taking it: a whole head goes to a request thread.
  void lookAtHeadLocked(int fd, std::vector<Connection>& ready) {
    const auto it = waiting_.find(fd);
    if (it == waiting_.end()) return;
    char head[kMaxHeadBytes];
    const ssize_t n = ::recv(fd, head, sizeof head, MSG_PEEK | MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    const bool whole = n > 0 && ::memmem(head, static_cast<std::size_t>(n), "\r\n\r\n", 4) != nullptr;
    if (n > 0 && !whole && static_cast<std::size_t>(n) < sizeof head) return;  // more to come
    Connection c = it->second;
    waiting_.erase(it);
    if (!whole) {
      // closed by the client (n == 0), broken, or a head we do not read
      if (n > 0) {
        logLine(c.address + ": request head over " + std::to_string(kMaxHeadBytes) + " bytes, connection closed");
      }
      closeLocked(c);
      return;
    }
    ::epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
    ready.push_back(c);
  }

  void expireLocked() {
    const Clock::time_point now = Clock::now();
    for (auto it = waiting_.begin(); it != waiting_.end();) {
      if (it->second.deadline > now) {
        ++it;
        continue;
      }
      const Connection& c = it->second;
      char byte = 0;
      const bool started = ::recv(c.fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) > 0;
      // A kept-alive connection that the client leaves unused is closed without a word.
      if (started || !c.answered) {
        logLine(c.address + ": no whole request head within " + std::to_string(limits_.headSeconds) +
                " s, connection closed");
      }
      closeLocked(c);
      it = waiting_.erase(it);
    }
  }

  void serve(Connection c) {
    DeadlineStream stream(c.fd, Clock::now() + std::chrono::seconds(limits_.bodySeconds),
                          static_cast<int>(server_.write_timeout_sec_ * 1000 + server_.write_timeout_usec_ / 1000),
                          stopping_);
    for (;;) {
      const bool last = c.requestsLeft <= 1 || stopping_;
      bool clientCloses = false;
      const bool ok = server_.process_request(stream, last, clientCloses, nullptr);
      --c.requestsLeft;
      c.answered = true;
      if (stream.timedOut()) {
        logLine(c.address + ": request not complete " + std::to_string(limits_.bodySeconds) +
                " s after its head, connection closed");
        break;
      }
      if (!ok || clientCloses || last) break;
      if (stream.hasBuffered()) {
        stream.setDeadline(Clock::now() + std::chrono::seconds(limits_.headSeconds + limits_.bodySeconds));
        continue;
      }
      // The next head is due within the keep-alive time (cpp-httplib's 5 s, as the reply says).
      c.deadline = Clock::now() + std::chrono::seconds(std::min<time_t>(limits_.headSeconds, server_.keep_alive_timeout_sec_));
      if (park(c)) return;
      break;
    }
    release(c);
  }

  void uncountLocked(const Connection& c) {
    const auto it = perAddress_.find(c.address);
    if (it != perAddress_.end() && --it->second <= 0) perAddress_.erase(it);
    --open_;
  }

  // A waiting connection: closing the socket also takes it out of the epoll set.
  void closeLocked(const Connection& c) {
    uncountLocked(c);
    ::close(c.fd);
  }

  void release(const Connection& c) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      uncountLocked(c);
    }
    ::shutdown(c.fd, SHUT_RDWR);
    ::close(c.fd);
  }

  // One log line a second at most: refusals come as fast as a client can connect.
  void noteRefusalLocked(const std::string& address, int fromAddress) {
    ++refusedSinceLog_;
    const Clock::time_point now = Clock::now();
    if (refusedSinceLog_ > 1 && now - lastRefusalLog_ < std::chrono::seconds(1)) return;
    logLine("refused " + std::to_string(refusedSinceLog_) + " connection(s), the last from " + address + " (" +
            (open_ >= maxOpen_ ? std::to_string(open_) + " connections open in all"
                               : std::to_string(fromAddress) + " open from that address") + ")");
    refusedSinceLog_ = 0;
    lastRefusalLog_ = now;
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
  std::map<std::string, int> perAddress_;
  std::size_t open_ = 0;
  unsigned refusedSinceLog_ = 0;
  Clock::time_point lastRefusalLog_;
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
