#include "catalogue/Varlist.h"

#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "base/PortPause.h"
#include "base/WindowLook.h"
#include "catalogue/BitNames.h"
#include "catalogue/Decoder.h"
#include "catalogue/Messages.h"
#include "catalogue/SuperBlockFile.h"

#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {

// The bit list as it is before any variable has been clicked.
const QStringList kInitialBitLines{
    QStringLiteral("00 "), QStringLiteral("01 "), QStringLiteral("02  "), QStringLiteral("03  "),
    QStringLiteral("04  "), QStringLiteral("05  "), QStringLiteral("06  "), QStringLiteral("07  "),
    QStringLiteral("08 "), QStringLiteral("09  "), QStringLiteral("10 "), QStringLiteral("11 "),
    QStringLiteral("12"), QStringLiteral("13"), QStringLiteral("14"), QStringLiteral("15 "),
    QString(),
};
constexpr int kBitLines = 16;

// The colour of the application workspace behind the window's title label.
const QColor kAppWorkspaceColour(171, 171, 171);

QLabel *MakeLabel(QWidget *parent, const char *name, const QRect &geometry, const QString &text, int pixelSize = 0)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    if (pixelSize > 0)
        label->setFont(windowlook::CourierNew(pixelSize));
    return label;
}

QListWidget *MakeList(QWidget *parent, const char *name, const QRect &geometry, const QStringList &lines)
{
    auto *list = new QListWidget(parent);
    list->setObjectName(QLatin1String(name));
    list->setGeometry(geometry);
    list->addItems(lines);
    list->setCurrentRow(0);
    return list;
}

} // namespace

TVarListForm::TVarListForm(Workspace &ws, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint),
      ws_(ws)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kVarListCaption);
    setFont(windowlook::CourierNew(12));
    setFixedSize(269, 419);
    move(50, 186);

    QLabel *title = MakeLabel(this, "Label1", QRect(9, 5, 140, 18), kVarListCaption, 16);
    title->setAutoFillBackground(true);
    QPalette palette = title->palette();
    palette.setColor(QPalette::Window, kAppWorkspaceColour);
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Base));
    title->setPalette(palette);
    MakeLabel(this, "Label7", QRect(16, 28, 73, 15), QStringLiteral("Data Name"), 13);
    MakeLabel(this, "Label6", QRect(135, 28, 57, 15), QStringLiteral("Bit No."), 13);
    listBox1_ = MakeList(this, "ListBox1", QRect(8, 45, 113, 308), QStringList(kNameListLines, QString()));
    listBox2_ = MakeList(this, "ListBox2", QRect(130, 45, 127, 260), kInitialBitLines);
    MakeLabel(this, "Label8", QRect(40, 365, 121, 15), QStringLiteral("Read Super Block"));
    button1_ = new QPushButton(kDataReadCaption, this);
    button1_->setObjectName(QStringLiteral("Button1"));
    button1_->setGeometry(64, 384, 73, 27);
    // How far a Data Read has come, in the free space under the bit list; shown while one runs.
    progress_ = MakeLabel(this, "DataReadProgress", QRect(130, 308, 127, 44), QString());
    progress_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    progress_->hide();
    portPause_ = new PortPause(this);
    connect(portPause_, &PortPause::finished, this, &TVarListForm::PauseEnded);

    // A click, or the selection moved with the keyboard.
    connect(listBox1_, &QListWidget::itemClicked, this, &TVarListForm::ListBox1Click);
    connect(listBox1_, &QListWidget::currentRowChanged, this, &TVarListForm::ListBox1Click);
    connect(button1_, &QPushButton::clicked, this, &TVarListForm::Button1Click);
    connect(&ws_.links, &WindowLinks::dataReadAllowedChanged, button1_, &QPushButton::setEnabled);
    ws_.links.setVariableChoiceSource([this] { return currentChoice(); });

    VarListFormCreate();
}

TVarListForm::~TVarListForm()
{
    // The flag follows the window's existence, however it ends.
    ws_.variablesListOpen = false;
    ws_.links.setVariableChoiceSource(nullptr);
    // A Data Read still on the line ends with the window; the file and the list stay as they were.
    if (task_)
        task_->cancel();
    if (dataReadRunning_)
        ws_.linkThread.close(PortUser::DataRead);
}

void TVarListForm::VarListFormCreate()
{
    ws_.variablesListOpen = true;
    ws_.variablesListWindow = this;

    button1_->setEnabled(!(ws_.trendWindowOpen && ws_.trendRunning));

    if (ws_.catalogue.variableListBuilt) {
        RefillNameList();
    } else {
        ws_.catalogue.blockRecords.assign(1, BlockRecord{});
        RebuildVariableList();
    }
}

void TVarListForm::ListBox1Click()
{
    const QListWidgetItem *selected = listBox1_->currentItem();
    const QStringList names = FlagBitNames(selected ? selected->text() : QString());
    for (int line = 0; line < kBitLines && line < names.size(); ++line)
        listBox2_->item(line)->setText(names[line]);
}

void TVarListForm::Button1Click()
{
    // A second press while a Data Read runs does nothing.
    if (dataReadRunning_)
        return;
    dataReadRunning_ = true;
    portOpened_ = false;
    SetTrendRunButtonEnabled(false);
    setCursor(Qt::BusyCursor);
    progress_->setText(kDataReadOpening);
    progress_->show();
    ws_.linkThread.open(PortUser::DataRead, this,
                        [this](LinkThread::OpenOutcome outcome) { PortOpened(outcome); });
}

void TVarListForm::PortOpened(LinkThread::OpenOutcome outcome)
{
    // Another window of the program holds the port; the message has said which one.
    if (outcome == LinkThread::OpenOutcome::Held) {
        EndDataRead();
        return;
    }
    portOpened_ = outcome == LinkThread::OpenOutcome::Opened;
    // The controller is given a moment after the port opened, also when it did not open.
    portPause_->start();
}

void TVarListForm::PauseEnded()
{
    if (!portOpened_) {
        ws_.dialogs.ShowMessage(kCommPortOpenError);
        ws_.linkThread.close(PortUser::DataRead);
        EndDataRead();
        return;
    }
    StartReading();
}

void TVarListForm::StartReading()
{
    task_ = ws_.linkThread.newTask();
    const LinkThread::Reply reply = ws_.linkThread.replyTo(this);
    ws_.linkThread.post([this, task = task_, reply, catalogue = ws_.catalogue](Link &link) {
        ReadBuffer buffer(kReadBufferSize, 0);
        DataReadReport report;
        const DataReadWatch watch = [&](const DataReadProgress &progress) {
            reply([this, progress] { ShowProgress(progress); });
            return !task->cancelled();
        };
        const std::optional<QStringList> lines = ReadSuperBlockImage(link, buffer, watch, &report);
        if (report.stopped || task->cancelled())
            return; // given up (the window or the program went): nothing of it lands
        std::optional<DataReadOutcome> outcome;
        if (lines)
            outcome = StoreCheckDecodeBuild(*lines, catalogue);
        reply([this, outcome, report] { ReadingEnded(outcome, report); });
    });
}

void TVarListForm::ShowProgress(const DataReadProgress &progress)
{
    if (dataReadRunning_)
        progress_->setText(kDataReadProgress.arg(progress.reads).arg(progress.superBlockWords));
}

void TVarListForm::ReadingEnded(const std::optional<DataReadOutcome> &outcome, const DataReadReport &report)
{
    task_.reset();
    ws_.linkThread.close(PortUser::DataRead);
    if (outcome) {
        Show(outcome->messages);
        if (outcome->catalogue) {
            ws_.catalogue = *outcome->catalogue;
            RefillNameList();
            SetTrendRunButtonEnabled(true);
        }
    } else if (report.failedAddress) {
        // The list and the file of the last good read stay; the user must know they are not new.
        ws_.dialogs.ShowMessage(DataReadFailed(*report.failedAddress, report.failedCode));
    }
    EndDataRead();
}

void TVarListForm::EndDataRead()
{
    progress_->hide();
    unsetCursor();
    // However the read ended, a list that was built before is still there to run a trend with:
    // RUN/STOP is not left off because this read failed.
    if (ws_.catalogue.variableListBuilt)
        SetTrendRunButtonEnabled(true);
    dataReadRunning_ = false;
    ++dataReadsEnded_;
    if (closeRequested_)
        close();
}

bool TVarListForm::RebuildVariableList()
{
    const CatalogueOutcome built = BuildVariableList(ws_.catalogue);
    Show(built.messages);
    if (!built.proceed)
        return false;
    RefillNameList();
    SetTrendRunButtonEnabled(true);
    return true;
}

void TVarListForm::VarListFormClose()
{
    ws_.variablesListOpen = false;
}

void TVarListForm::closeEvent(QCloseEvent *event)
{
    // The user cannot close this window (it can be minimised); the program can.
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    // The Data Read works on this window until it ends; the close follows it then.
    if (dataReadRunning_) {
        closeRequested_ = true;
        event->ignore();
        return;
    }
    VarListFormClose();
    event->accept();
}

namespace {

// The line selected in a list, or -1 when none is.
int SelectedLine(const QListWidget *list)
{
    if (!list->currentItem() || !list->currentItem()->isSelected())
        return -1;
    return list->currentRow();
}

} // namespace

VariableChoice TVarListForm::currentChoice() const
{
    VariableChoice choice;
    choice.listShown = isVisible();
    choice.nameLine = SelectedLine(listBox1_);
    if (choice.nameLine >= 0)
        choice.name = listBox1_->item(choice.nameLine)->text();
    if (const int bitLine = SelectedLine(listBox2_); bitLine >= 0)
        choice.bitNumber = listBox2_->item(bitLine)->text().left(2);
    return choice;
}

void TVarListForm::RefillNameList()
{
    const QStringList names = VariableNames(ws_.catalogue.variableList);
    for (int line = 0; line < listBox1_->count(); ++line)
        listBox1_->item(line)->setText(line < names.size() ? names[line] : QString());
}

void TVarListForm::SetTrendRunButtonEnabled(bool enabled)
{
    if (ws_.trendWindowOpen)
        ws_.links.setTrendRunAllowed(enabled);
}

void TVarListForm::Show(const QStringList &messages)
{
    for (const QString &text : messages)
        ws_.dialogs.ShowMessage(text);
}
