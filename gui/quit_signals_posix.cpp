// QuitSignals on POSIX: the handler writes a byte into a socket pair (the
// only thing a handler may safely do), and a socket notifier reads it on
// the GUI thread.
#include "gui/quit_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>

#include <array>
#include <atomic>

namespace varnel {
namespace {

constexpr std::array<int, 3> kQuitSignals = {SIGINT, SIGTERM, SIGHUP};

// Written by the signal handler: the one place state must be global. The
// write end is -1 while no QuitSignals exists.
std::atomic<int> writeEnd{-1};
int readEnd = -1;
static_assert(std::atomic<int>::is_always_lock_free);

void OnSignal(int) {
  const char byte = 1;
  const int fd = writeEnd.load();
  if (fd >= 0) static_cast<void>(::write(fd, &byte, 1));
}

void Handle(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int signal : kQuitSignals) sigaction(signal, &action, nullptr);
}

}  // namespace

QuitSignals::QuitSignals(QObject* parent) : QObject(parent) {
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends) != 0) return;
  readEnd = ends[0];
  writeEnd.store(ends[1]);
  notifier = new QSocketNotifier(readEnd, QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, [this] {
    char drained[16];
    while (::read(readEnd, drained, sizeof drained) > 0) {
    }
    emit QuitRequested();
  });
  Handle(OnSignal);
}

QuitSignals::~QuitSignals() {
  if (notifier == nullptr) return;
  Handle(SIG_DFL);
  ::close(writeEnd.exchange(-1));
  delete notifier;
  ::close(readEnd);
  readEnd = -1;
}

}  // namespace varnel
