#pragma once
// The Variables List's Data Read: it takes the line, opens the port, gives the controller its pause,
// reads the super block on the link thread and lands what it read (the data file, the decoding and
// the new variable list, all or nothing), then gives the line and the port back however it ended.
// The window starts it and shows what it hears: the start, the progress, the list built, the end.

#include "catalogue/DataRead.h"
#include "catalogue/SuperBlockFile.h"
#include "link/LinkThread.h"

#include <QObject>
#include <memory>
#include <optional>

class PortPause;
struct Workspace;

class DataReadControl : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t kReadBufferSize = 60000;

    DataReadControl(Workspace &ws, QObject *parent);
    // A Data Read still on the line ends with it; the file and the list stay as they were.
    ~DataReadControl() override;

    // "Data Read"; a second start while one runs does nothing.
    void start();
    // True from the start until the read has ended (the wait included).
    bool running() const { return running_; }
    // Data Reads that have ended, however they ended.
    int readsEnded() const { return readsEnded_; }

signals:
    // The line is taken; the port is being opened.
    void started();
    void progressed(const DataReadProgress &progress);
    // The workspace's catalogue is the one just read; its list is to be shown.
    void listBuilt();
    // The line and the port are given back; running() is false.
    void ended();

private:
    void takeOpenOutcome(LinkThread::OpenOutcome outcome);
    void pauseEnded();
    // The reads on the link thread; their progress and their end come back to this thread.
    void startReading();
    void readingEnded(const std::optional<DataReadOutcome> &outcome, const DataReadReport &report);
    void end();

    Workspace &ws_;
    PortPause *portPause_ = nullptr;
    std::shared_ptr<LinkTask> task_;
    bool portOpened_ = false;
    bool running_ = false;
    int readsEnded_ = 0;
};
