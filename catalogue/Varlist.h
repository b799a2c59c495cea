#pragma once
// The Variables List window: the names of the variable list, the bit names of a chosen flag
// variable, and the Data Read that reads the super block from the controller and rebuilds the list.

#include "catalogue/Workspace.h"

#include <QWidget>

class QCloseEvent;
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

    // Line i of the name list shows the name of entry i; lines from "END" on are blank.
    void RefillNameList();
    // True from the start of a Data Read until it has ended (the wait included).
    bool dataReadRunning() const { return dataReadRunning_; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Builds the list from the current block records; the name list and the Trend Graph's
    // RUN/STOP button follow a successful build.
    bool RebuildVariableList();
    void SetTrendRunButtonEnabled(bool enabled);
    void Show(const QStringList &messages);
    // The part of the Data Read after the pause, with the port open.
    void ReadCheckDecodeBuild();

    Workspace &ws_;
    QListWidget *listBox1_ = nullptr;
    QListWidget *listBox2_ = nullptr;
    QPushButton *button1_ = nullptr;
    bool dataReadRunning_ = false;
    bool closeRequested_ = false;
};
