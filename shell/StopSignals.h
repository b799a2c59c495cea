#pragma once
// The requests to end that come from outside the windows: SIGTERM (a shutdown, `kill`), SIGHUP
// (the terminal or the session closed) and SIGINT (Ctrl-C in the terminal that started the
// program). Each is turned into stopRequested() on the program's thread, so the program ends as
// if its main window were closed: runs stopped, a recording flushed and closed, the port and its
// lock file given back. Nothing is done in the signal handler itself but writing one byte.

#include <QObject>

class QSocketNotifier;

class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

signals:
    void stopRequested(int signal);

private:
    void takeSignal();

    QSocketNotifier *notifier_ = nullptr;
};
