#pragma once
// The Variables List window: the names of the variable list, the bit names of a chosen flag
// variable, and the Data Read that reads the super block from the controller and rebuilds the list
// (a part of its own, DataReadControl, that the window wires and shows).

#include "catalogue/DataReadControl.h"
#include "catalogue/SuperBlockFile.h"
#include "program/Workspace.h"

#include <QWidget>

class QCloseEvent;
class QLabel;
class QListWidget;
class QPushButton;
class UnitsDialog;

class VariablesListWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kNameListLines = 1500;

    explicit VariablesListWindow(Workspace &ws, QWidget *parent = nullptr);
    ~VariablesListWindow() override;

    // The bit list shows the bit names of the variable selected in the name list.
    void showBitNames();
    // "Data Read": the super block read from the controller, stored and decoded into a new list.
    void readDataFromController();

    // The name and bit lines selected now, as the Trend Graph takes them.
    VariableChoice currentChoice() const;
    // Line i of the name list shows the name of entry i; lines from "END" on are blank.
    void refillNameList();
    // True from the start of a Data Read until it has ended (the wait included).
    bool dataReadRunning() const;
    // Data Reads that have ended, however they ended (for tests).
    int dataReadsEnded() const;

    QListWidget *nameList() const { return nameList_; }
    QListWidget *bitList() const { return bitList_; }
    // The units dialog for the chosen variable, as the name list's context menu opens it ("Units...");
    // null when no variable is chosen.
    UnitsDialog *openUnitsDialog();
    QPushButton *dataReadButton() const { return dataReadButton_; }
    QLabel *dataReadProgress() const { return dataReadProgress_; }
    // What the last Data Read that built the list read, and when; hidden until one has.
    QLabel *dataReadSummary() const { return dataReadSummary_; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Builds the list from the current block records; the name list and the Trend Graph's
    // RUN/STOP button follow a successful build.
    bool rebuildVariableList();
    // Data Read follows the run state: no trend run may hold the line.
    void followSession(const SessionState &state);
    void showMessages(const QStringList &messages);
    // What the Data Read says, shown: its start, its progress, the list it built, its end.
    void showDataReadStarted();
    void showDataReadProgress(const DataReadProgress &progress);
    void showReadList();
    void showDataReadSummary();
    void showDataReadEnded();

    Workspace &ws_;
    QListWidget *nameList_ = nullptr;
    QListWidget *bitList_ = nullptr;
    QPushButton *dataReadButton_ = nullptr;
    QLabel *dataReadProgress_ = nullptr;
    QLabel *dataReadSummary_ = nullptr;
    DataReadControl *dataRead_ = nullptr;
    bool closeRequested_ = false;
};
