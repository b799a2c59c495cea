#pragma once
// The Variables List window: the names of the variable list, the bit names of a chosen flag
// variable, and the Data Read that reads the super block from the controller and rebuilds the list.

#include "catalogue/DataRead.h"
#include "catalogue/SuperBlockFile.h"
#include "catalogue/Workspace.h"

#include <QWidget>

class QCloseEvent;
class QLabel;
class PortPause;
class QListWidget;
class QPushButton;

class TVarListForm : public QWidget {
    Q_OBJECT
public:
    static constexpr int kNameListLines = 1500;
    static constexpr std::size_t kReadBufferSize = 60000;

    explicit TVarListForm(Workspace &ws, QWidget *parent = nullptr);
    ~TVarListForm() override;

    void VarListFormCreate();
    void ListBox1Click();
    void Button1Click();
    void VarListFormClose();

    // The name and bit lines selected now, as the Trend Graph takes them.
    VariableChoice currentChoice() const;
    // Line i of the name list shows the name of entry i; lines from "END" on are blank.
    void RefillNameList();
    // True from the start of a Data Read until it has ended (the wait included).
    bool dataReadRunning() const { return dataReadRunning_; }
    // Data Reads that have ended, however they ended (for tests).
    int dataReadsEnded() const { return dataReadsEnded_; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Builds the list from the current block records; the name list and the Trend Graph's
    // RUN/STOP button follow a successful build.
    bool RebuildVariableList();
    void SetTrendRunButtonEnabled(bool enabled);
    void Show(const QStringList &messages);
    void PortOpened(LinkThread::OpenOutcome outcome);
    void PauseEnded();
    // The reads on the link thread; the window hears their progress and their end.
    void StartReading();
    void ShowProgress(const DataReadProgress &progress);
    void ReadingEnded(const std::optional<DataReadOutcome> &outcome, const DataReadReport &report);
    void EndDataRead();

    Workspace &ws_;
    QListWidget *listBox1_ = nullptr;
    QListWidget *listBox2_ = nullptr;
    QPushButton *button1_ = nullptr;
    QLabel *progress_ = nullptr;
    PortPause *portPause_ = nullptr;
    std::shared_ptr<LinkTask> task_;
    bool portOpened_ = false;
    bool dataReadRunning_ = false;
    bool closeRequested_ = false;
    int dataReadsEnded_ = 0;
};
