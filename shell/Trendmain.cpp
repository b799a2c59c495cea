#include "shell/Trendmain.h"

#include "base/WindowLook.h"
#include "catalogue/BlockTypeTable.h"
#include "catalogue/Varlist.h"
#include "monitor/Moni.h"
#include "shell/Comptset.h"
#include "trend/TrendGraphWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLayout>
#include <QListWidget>
#include <QMenuBar>

TTrendForm::TTrendForm(Workspace &ws, TrendData &trend, QWidget *parent)
    : QMainWindow(parent), ws_(ws), trend_(trend)
{
    setObjectName(QStringLiteral("TrendForm"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFont(windowlook::CourierNew(12));

    QMenu *file = menuBar()->addMenu(QStringLiteral("File(&F)"));
    file->setObjectName(QStringLiteral("File1"));
    Open1 = file->addAction(QStringLiteral("Open"));
    Save1 = file->addAction(QStringLiteral("Save"));
    Exit1 = file->addAction(QStringLiteral("Exit(&X)"));
    QMenu *display = menuBar()->addMenu(QStringLiteral("Display(&D)"));
    display->setObjectName(QStringLiteral("Display1"));
    VarList1 = display->addAction(QStringLiteral("VarList(&V)"));
    Trend1 = display->addAction(QStringLiteral("Trend(&T)"));
    Moniter1 = display->addAction(QStringLiteral("Moniter"));
    display->setDefaultAction(Moniter1); // shown bold as the menu's default item
    QMenu *system = menuBar()->addMenu(QStringLiteral("System(&S)"));
    system->setObjectName(QStringLiteral("System1"));
    CommPort1 = system->addAction(QStringLiteral("CommPort(&C)"));

    Open1->setObjectName(QStringLiteral("Open1"));
    Save1->setObjectName(QStringLiteral("Save1"));
    Exit1->setObjectName(QStringLiteral("Exit1"));
    VarList1->setObjectName(QStringLiteral("VarList1"));
    Trend1->setObjectName(QStringLiteral("Trend1"));
    Moniter1->setObjectName(QStringLiteral("Moniter1"));
    CommPort1->setObjectName(QStringLiteral("CommPort1"));
    Open1->setEnabled(false);
    Open1->setVisible(false);
    Save1->setEnabled(false);
    Save1->setVisible(false);
    VarList1->setVisible(false);

    connect(Exit1, &QAction::triggered, this, &TTrendForm::Exit1Click);
    connect(VarList1, &QAction::triggered, this, &TTrendForm::VarList1Click);
    connect(Trend1, &QAction::triggered, this, &TTrendForm::Trend1Click);
    connect(Moniter1, &QAction::triggered, this, &TTrendForm::Moniter1Click);
    connect(CommPort1, &QAction::triggered, this, &TTrendForm::CommPort1Click);

    auto *client = new QWidget(this);
    client->setFixedSize(343, 47);
    setCentralWidget(client);
    blockWordCounts_ = new QListWidget(client);
    blockWordCounts_->setObjectName(QStringLiteral("BlockWordCounts"));
    blockWordCounts_->setVisible(false);
    for (int count : ::BlockWordCounts())
        blockWordCounts_->addItem(QString::number(count));

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    move(2, 8);

    connect(&ws_.links, &WindowLinks::variablesListWanted, this, &TTrendForm::VarList1Click);
    connect(&ws_.links, &WindowLinks::displayWindowClosed, this, &TTrendForm::EnableDisplayItems);
    FormCreate();
}

TTrendForm::~TTrendForm()
{
}

void TTrendForm::FormCreate()
{
    ws_.waitTime = QStringLiteral("0");
    setWindowTitle(kProgramVersionCaption + QString::number(kProgramVersion, 'f', 2));
    Trend1->setEnabled(false);
    Moniter1->setEnabled(false);
}

std::array<int, 65> TTrendForm::BlockWordCounts() const
{
    std::array<int, 65> counts{};
    for (int i = 0; i < 65 && i < blockWordCounts_->count(); ++i)
        counts[static_cast<std::size_t>(i)] = blockWordCounts_->item(i)->text().toInt();
    return counts;
}

void TTrendForm::Exit1Click() { close(); }

void TTrendForm::CommPort1Click()
{
    TComSetForm dialog(ws_, this);
    dialog.exec();
}

void TTrendForm::OpenTrendWindow()
{
    auto *window = new TrendGraphWindow(ws_, trend_);
    window->show();
    Trend1->setEnabled(false);
    Moniter1->setEnabled(false);
}

void TTrendForm::Trend1Click()
{
    if (!Trend1->isEnabled() || !Moniter1->isEnabled())
        return;
    OpenTrendWindow();
}

void TTrendForm::Moniter1Click()
{
    if (!Trend1->isEnabled() || !Moniter1->isEnabled())
        return;
    auto *window = new TMoniForm(ws_);
    window->show();
    Trend1->setEnabled(false);
    Moniter1->setEnabled(false);
}

void TTrendForm::VarList1Click()
{
    auto *window = new TVarListForm(ws_);
    connect(window, &QObject::destroyed, this, [this] {
        varList1Enabled_ = true;
        VarList1->setEnabled(true);
    });
    window->show();
    varList1Enabled_ = false;
    VarList1->setEnabled(false);
}

void TTrendForm::EnableDisplayItems()
{
    Trend1->setEnabled(true);
    Moniter1->setEnabled(true);
}

void TTrendForm::closeEvent(QCloseEvent *event)
{
    if (!TrendFormCloseQuery()) {
        event->ignore();
        return;
    }
    // The other windows go with the main window; each closes as it would by itself, so the port
    // is freed and nothing is left polling.
    for (QWidget *window : {ws_.trendGraphWindow.data(), ws_.monitorWindow.data(), ws_.variablesListWindow.data()}) {
        if (window)
            window->close();
    }
    event->accept();
    QCoreApplication::quit();
}
