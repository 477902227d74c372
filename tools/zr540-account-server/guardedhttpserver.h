// cpp-httplib's server, with connections that slow clients cannot hold on to.
//
// cpp-httplib 0.11 gives every accepted connection a thread of its pool until the connection
// closes, and its read timeout starts again with every byte. A client that sends a header byte
// every few seconds (or nothing, or its body a byte at a time) therefore keeps a thread as long as
// it likes, and as many such clients as there are threads stop the server. Here:
//
// - A connection gets a request thread only once its whole request, head and body, has arrived.
//   Until then it waits, with every other such connection, in one waiting thread (epoll) that
//   reads what arrives into the connection's buffer; a request thread then reads from that buffer
//   only, never from the socket, so no client can make it wait. After a reply a kept-alive
//   connection goes back to the waiting room, with any bytes of a next request that came along.
// - The head must be complete within the head time, counted from the connection's opening (after
//   a reply: within the keep-alive time, if shorter), and the body within the body time after the
//   head. A connection past its time is closed.
// - One client address keeps at most so many connections open; more are closed as they come. A
//   connection the client has closed is noticed when it happens and frees its place at once.
// - A body declared larger than cpp-httplib's payload limit is read and thrown away in the
//   waiting room (up to a bound, past which the connection ends with the reply), and the bytes
//   held for requests not yet answered are bounded in all.
//
// The waiting thread takes each connection from cpp-httplib's accept loop through the task queue
// (whose enqueue runs the task at once) and the overridden process_and_close_socket; a request
// thread then runs cpp-httplib's own process_request on a stream over the buffered request.
#pragma once

#include <httplib.h>

#include <atomic>
#include <memory>

namespace zr540 {

struct ConnectionLimits {
  int threads = 16;
  int headSeconds = 10;
  int bodySeconds = 30;
  int perAddress = 8;
};

class GuardedHttpServer : public httplib::Server {
 public:
  explicit GuardedHttpServer(const ConnectionLimits& limits);
  ~GuardedHttpServer() override;

 private:
  class Guard;
  friend class Guard;

  bool process_and_close_socket(socket_t sock) override;

  const ConnectionLimits limits_;
  std::atomic<Guard*> guard_{nullptr};  // of the running listen loop
};

}  // namespace zr540
