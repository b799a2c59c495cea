#pragma once
// The main window: a small strip with the menu bar from which the other windows are opened. It
// decides which of the Trend Graph and the Monitor may be opened, and closing it ends the program.

#include "catalogue/Workspace.h"
#include "trend/TrendData.h"

#include <QAction>
#include <QMainWindow>
#include <array>

class QListWidget;

inline const QString kProgramVersionCaption = QStringLiteral("QMX Series Trend Monitor Version ");
inline constexpr double kProgramVersion = 2.5;
inline const QString kApplicationTitle = QStringLiteral("Trend Monitor");

class TTrendForm : public QMainWindow {
    Q_OBJECT
public:
    TTrendForm(Workspace &ws, TrendData &trend, QWidget *parent = nullptr);
    ~TTrendForm() override;

    void FormCreate();
    void Exit1Click();
    void CommPort1Click();
    void Trend1Click();
    void Moniter1Click();
    void VarList1Click();
    bool TrendFormCloseQuery() const { return true; }

    // Opens the Trend Graph as at start-up (whatever the menu items say).
    void OpenTrendWindow();

    // "VarList(&V)" is hidden, and a hidden action cannot report itself enabled: its state is kept here.
    bool VarList1Enabled() const { return varList1Enabled_; }

    // The hidden table of parameter words per function-block type, as the window holds it.
    std::array<int, 65> BlockWordCounts() const;

    QAction *Open1 = nullptr;
    QAction *Save1 = nullptr;
    QAction *Exit1 = nullptr;
    QAction *VarList1 = nullptr;
    QAction *Trend1 = nullptr;
    QAction *Moniter1 = nullptr;
    QAction *CommPort1 = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void EnableDisplayItems();

    Workspace &ws_;
    TrendData &trend_;
    QListWidget *blockWordCounts_ = nullptr;
    bool varList1Enabled_ = true;
};
