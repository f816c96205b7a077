// QuitSignals: the requests to end that the system sends a program (POSIX:
// SIGINT, SIGTERM and SIGHUP, as when its terminal closes or the session
// ends) turned into a signal on the GUI thread, so the window can end the
// link and close cleanly instead of dying with the handset mid-command.
// One per process, made on the GUI thread; Windows sends a window program
// none of these, and there it never fires.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace varnel {

class QuitSignals : public QObject {
  Q_OBJECT

 public:
  explicit QuitSignals(QObject* parent = nullptr);
  // Gives the signals back to the system's default.
  ~QuitSignals() override;
  QuitSignals(const QuitSignals&) = delete;
  QuitSignals& operator=(const QuitSignals&) = delete;

 signals:
  // On the GUI thread, once per signal received.
  void QuitRequested();

 private:
  QSocketNotifier* notifier = nullptr;
};

}  // namespace varnel
