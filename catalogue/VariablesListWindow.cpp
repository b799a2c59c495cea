#include "catalogue/VariablesListWindow.h"

#include "base/WindowLook.h"
#include "catalogue/BitNames.h"
#include "catalogue/Decoder.h"
#include "catalogue/VariablesListTexts.h"
#include "engineering/EngineeringTexts.h"
#include "engineering/UnitsDialog.h"

#include <QCloseEvent>
#include <QTime>
#include <algorithm>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

namespace {

constexpr int kBitLines = 16;

// The colour of the application workspace behind the window's title label.
const QColor kAppWorkspaceColour(171, 171, 171);

QLabel *makeLabel(QWidget *parent, const char *name, const QRect &geometry, const QString &text, int pixelSize = 0)
{
    QLabel *label = windowlook::placeLabel(parent, name, text, geometry);
    if (pixelSize > 0)
        label->setFont(windowlook::courierNew(pixelSize));
    return label;
}

QListWidget *makeList(QWidget *parent, const char *name, const QRect &geometry, const QStringList &lines)
{
    auto *list = new QListWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setGeometry(geometry);
    list->addItems(lines);
    list->setCurrentRow(0);
    return list;
}

} // namespace

VariablesListWindow::VariablesListWindow(Workspace &ws, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint),
      ws_(ws)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kVarListCaption);
    setFont(windowlook::courierNew(12));
    setFixedSize(269, 419);
    move(50, 186);

    QLabel *title = makeLabel(this, "title", QRect(9, 5, 140, 18), kVarListCaption, 16);
    title->setAutoFillBackground(true);
    QPalette palette = title->palette();
    palette.setColor(QPalette::Window, kAppWorkspaceColour);
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Base));
    title->setPalette(palette);
    makeLabel(this, "nameListCaption", QRect(16, 28, 73, 15), kDataNameCaption, 13);
    makeLabel(this, "bitListCaption", QRect(135, 28, 57, 15), kBitNumberCaption, 13);
    nameList_ = makeList(this, "nameList", QRect(8, 45, 113, 308), QStringList(kNameListLines, QString()));
    bitList_ = makeList(this, "bitList", QRect(130, 45, 127, 260), kInitialBitLines);
    makeLabel(this, "dataReadCaption", QRect(40, 365, 121, 15), kReadSuperBlockCaption);
    dataReadButton_ = windowlook::placeButton(this, "dataReadButton", kDataReadCaption, QRect(64, 384, 73, 27));
    nameList_->setToolTip(kNameListTip);
    bitList_->setToolTip(kBitListTip);
    dataReadButton_->setToolTip(kDataReadTip);
    // How far a Data Read has come, in the free space under the bit list; shown while one runs.
    dataReadProgress_ = makeLabel(this, "dataReadProgress", QRect(130, 308, 127, 44), QString());
    dataReadProgress_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    dataReadProgress_->hide();
    // In the same place once a read has built the list: how much it read, and when.
    dataReadSummary_ = makeLabel(this, "dataReadSummary", QRect(130, 308, 127, 44), QString());
    dataReadSummary_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    dataReadSummary_->setWordWrap(true);
    dataReadSummary_->hide();
    dataRead_ = new DataReadControl(ws_, this);
    connect(dataRead_, &DataReadControl::started, this, &VariablesListWindow::showDataReadStarted);
    connect(dataRead_, &DataReadControl::progressed, this, &VariablesListWindow::showDataReadProgress);
    connect(dataRead_, &DataReadControl::listBuilt, this, &VariablesListWindow::showReadList);
    connect(dataRead_, &DataReadControl::ended, this, &VariablesListWindow::showDataReadEnded);

    // A click, or the selection moved with the keyboard.
    connect(nameList_, &QListWidget::itemClicked, this, &VariablesListWindow::showBitNames);
    connect(nameList_, &QListWidget::currentRowChanged, this, &VariablesListWindow::showBitNames);
    connect(dataReadButton_, &QPushButton::clicked, this, &VariablesListWindow::readDataFromController);
    // A variable's scale to engineering values, from the name list's context menu.
    nameList_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(nameList_, &QListWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        QListWidgetItem *item = nameList_->itemAt(at);
        if (!item || item->text().trimmed().isEmpty())
            return;
        nameList_->setCurrentItem(item);
        auto *menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->addAction(engineeringtexts::kUnitsMenuCaption, this, [this] { openUnitsDialog(); });
        menu->popup(nameList_->viewport()->mapToGlobal(at));
    });
    connect(&ws_.session, &Session::changed, this, &VariablesListWindow::followSession);
    ws_.links.setVariableChoiceSource([this] { return currentChoice(); });

    ws_.session.setVariablesListOpen(true);
    followSession(ws_.session.state());

    if (ws_.catalogue.variableListBuilt) {
        refillNameList();
    } else {
        ws_.catalogue.blockRecords.assign(1, BlockRecord{});
        rebuildVariableList();
    }
}

VariablesListWindow::~VariablesListWindow()
{
    // The state follows the window's existence, however it ends.
    ws_.session.setVariablesListOpen(false);
    ws_.links.setVariableChoiceSource(nullptr);
    // A Data Read still on the line ends with the window, while the window still hears the session.
    delete dataRead_;
}

UnitsDialog *VariablesListWindow::openUnitsDialog()
{
    const QListWidgetItem *item = nameList_->currentItem();
    const QString name = item ? item->text().trimmed() : QString();
    if (name.isEmpty())
        return nullptr;
    auto *dialog = new UnitsDialog(ws_.dialogs, name, UnitsTable::defaultPath(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    return dialog;
}

void VariablesListWindow::showBitNames()
{
    const QListWidgetItem *selected = nameList_->currentItem();
    const QStringList names = flagBitNames(selected ? selected->text() : QString());
    for (int line = 0; line < kBitLines && line < names.size(); ++line)
        bitList_->item(line)->setText(names[line]);
}

void VariablesListWindow::readDataFromController() { dataRead_->start(); }

bool VariablesListWindow::dataReadRunning() const { return dataRead_->running(); }

int VariablesListWindow::dataReadsEnded() const { return dataRead_->readsEnded(); }

void VariablesListWindow::showDataReadStarted()
{
    setCursor(Qt::BusyCursor);
    dataReadProgress_->setText(kDataReadOpening);
    dataReadSummary_->hide();
    dataReadProgress_->show();
}

void VariablesListWindow::showDataReadProgress(const DataReadProgress &progress)
{
    dataReadProgress_->setText(kDataReadProgress.arg(progress.reads).arg(progress.superBlockWords));
}

void VariablesListWindow::showReadList()
{
    refillNameList();
    ws_.session.setCatalogueDecoded(ws_.catalogue.variableListBuilt);
    showDataReadSummary();
}

void VariablesListWindow::showDataReadSummary()
{
    // The list's entries less its closing "END"; the block records less the one that closes them.
    const auto variables = std::count_if(ws_.catalogue.variableList.cbegin(), ws_.catalogue.variableList.cend(),
                                         [](const QString &entry) { return entry != QLatin1String("END"); });
    const auto blocks = std::count_if(ws_.catalogue.blockRecords.cbegin(), ws_.catalogue.blockRecords.cend(),
                                      [](const BlockRecord &record) { return record.typeCode != 0; });
    dataReadSummary_->setText(
        kDataReadSummary.arg(variables).arg(blocks).arg(QTime::currentTime().toString(kDataReadSummaryTimeFormat)));
    dataReadSummary_->show();
}

void VariablesListWindow::showDataReadEnded()
{
    dataReadProgress_->hide();
    unsetCursor();
    if (closeRequested_)
        close();
}

bool VariablesListWindow::rebuildVariableList()
{
    const CatalogueOutcome built = buildVariableList(ws_.catalogue);
    showMessages(built.messages);
    if (!built.proceed)
        return false;
    refillNameList();
    ws_.session.setCatalogueDecoded(ws_.catalogue.variableListBuilt);
    return true;
}

void VariablesListWindow::closeEvent(QCloseEvent *event)
{
    // The user cannot close this window (it can be minimised); the program can.
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    // The Data Read works on this window until it ends; the close follows it then.
    if (dataRead_->running()) {
        closeRequested_ = true;
        event->ignore();
        return;
    }
    ws_.session.setVariablesListOpen(false);
    event->accept();
}

namespace {

// The line selected in a list, or -1 when none is.
int selectedLine(const QListWidget *list)
{
    if (!list->currentItem() || !list->currentItem()->isSelected())
        return -1;
    return list->currentRow();
}

} // namespace

VariableChoice VariablesListWindow::currentChoice() const
{
    VariableChoice choice;
    choice.listShown = isVisible();
    choice.nameLine = selectedLine(nameList_);
    if (choice.nameLine >= 0)
        choice.name = nameList_->item(choice.nameLine)->text();
    if (const int bitLine = selectedLine(bitList_); bitLine >= 0)
        choice.bitNumber = bitList_->item(bitLine)->text().left(2);
    return choice;
}

void VariablesListWindow::refillNameList()
{
    const QStringList names = variableNames(ws_.catalogue.variableList);
    for (int line = 0; line < nameList_->count(); ++line)
        nameList_->item(line)->setText(line < names.size() ? names[line] : QString());
}

void VariablesListWindow::followSession(const SessionState &state)
{
    dataReadButton_->setEnabled(dataReadAllowed(state));
}

void VariablesListWindow::showMessages(const QStringList &messages)
{
    for (const QString &text : messages)
        ws_.dialogs.showMessage(text);
}
