// zr540-account-server: the account server of the ZR540 utility, for development and tests.
// See README.md in this folder for the endpoints, the result codes and the options.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "accountserver.h"
#include "secrets.h"
#include "serverlog.h"
#include "serveroptions.h"

int main(int argc, char** argv) {
  zr540::ServerOptions options;
  const zr540::OptionsParse parsed =
      zr540::parseServerOptions(std::vector<std::string>(argv + 1, argv + argc), options);
  if (parsed.helpAsked) {
    std::fputs(zr540::serverUsage(), stdout);
    return 0;
  }
  if (!parsed.ok) {
    std::fprintf(stderr, "zr540-account-server: %s\n%s", parsed.error.c_str(), zr540::serverUsage());
    return 2;
  }
  if (!zr540::secretsInit()) {
    std::fprintf(stderr, "zr540-account-server: libsodium cannot start\n");
    return 1;
  }

  // A client that goes away mid-reply must not kill the server.
  signal(SIGPIPE, SIG_IGN);
  // SIGTERM and SIGINT are taken by one thread with sigwait, which stops the server from an
  // ordinary thread; every other thread, started later, inherits the blocked mask.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGUSR2);  // ends the waiting thread when the server stops by itself
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  zr540::logLine("zr540-account-server starting");
  zr540::AccountServer server(options);
  std::string error;
  if (!server.start(error)) {
    zr540::logLine("cannot start: " + error);
    return 1;
  }

  std::thread signalThread([&server, stopSignals] {
    int sig = 0;
    if (sigwait(&stopSignals, &sig) != 0) return;
    if (sig == SIGUSR2) return;
    zr540::logLine(std::string("stopping on ") + (sig == SIGTERM ? "SIGTERM" : "SIGINT"));
    server.stop();
  });

  std::printf("listening on %s:%d\n", options.host.c_str(), server.boundPort());
  std::fflush(stdout);
  zr540::logLine("listening on " + options.host + ":" + std::to_string(server.boundPort()));

  const bool clean = server.run();
  pthread_kill(signalThread.native_handle(), SIGUSR2);
  signalThread.join();
  zr540::logLine(clean ? "stopped" : "stopped: the listening socket failed");
  return clean ? 0 : 1;
}
