#include "catalogue/Varlist.h"

#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "base/WaitLoop.h"
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

    // A click, or the selection moved with the keyboard.
    connect(listBox1_, &QListWidget::itemClicked, this, &TVarListForm::ListBox1Click);
    connect(listBox1_, &QListWidget::currentRowChanged, this, &TVarListForm::ListBox1Click);
    connect(button1_, &QPushButton::clicked, this, &TVarListForm::Button1Click);

    VarListFormCreate();
}

TVarListForm::~TVarListForm()
{
    // The flag follows the window's existence, however it ends.
    ws_.VarListOpen = false;
}

void TVarListForm::VarListFormCreate()
{
    ws_.VarListOpen = true;
    ws_.varListWindow = this;

    bool runActive = false;
    if (ws_.TrendWindowOpen && ws_.trendWindow) {
        if (auto *run = ws_.trendWindow->findChild<QPushButton *>(QStringLiteral("Button2")))
            runActive = run->text() != QLatin1String("RUN");
    }
    button1_->setEnabled(!runActive);

    if (ws_.catalogue.VarListBuilt) {
        RefillNameList();
    } else {
        ws_.catalogue.BlockRecords.assign(1, BlockRecord{});
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
    // A second press while the pause handles window messages is refused.
    if (dataReadRunning_)
        return;
    dataReadRunning_ = true;

    SetTrendRunButtonEnabled(false);
    const int opened = ws_.link.ComOpen(PortUser::DataRead);
    waitloop::WaitWhileProcessingEvents(waitloop::WallClockSeconds(), 1);
    if (opened != 0) {
        ws_.dialogs.ShowMessage(kCommPortOpenError);
        ws_.link.ComClose(PortUser::DataRead);
    } else {
        ReadCheckDecodeBuild();
    }

    // However the read ended, a list that was built before is still there to run a trend with:
    // RUN/STOP is not left off because this read failed.
    if (ws_.catalogue.VarListBuilt)
        SetTrendRunButtonEnabled(true);

    dataReadRunning_ = false;
    if (closeRequested_)
        close();
}

void TVarListForm::ReadCheckDecodeBuild()
{
    std::optional<QStringList> lines;
    {
        ReadBuffer buffer(kReadBufferSize, 0);
        lines = ReadSuperBlockImage(ws_.link, buffer);
    }
    ws_.link.ComClose(PortUser::DataRead);
    // A read that failed part-way leaves the file and the catalogue as they were.
    if (!lines)
        return;

    // The file is replaced only by a complete read. Should it not be writable, the lines just
    // read are checked rather than an older file.
    const QString path = programfolder::File(kSuperBlockFileName);
    CatalogueData updated = ws_.catalogue;
    const CheckOutcome check = textfile::WriteAtomically(path, textfile::JoinLinesCrLf(*lines))
                                   ? CheckSuperBlockFile(path, updated)
                                   : CheckSuperBlockLines(*lines, updated, path);
    Show(check.messages);
    if (!check.proceed)
        return;
    const CatalogueOutcome decoded = DecodeSuperBlock(updated);
    Show(decoded.messages);
    if (!decoded.proceed)
        return;
    const CatalogueOutcome built = BuildVariableList(updated);
    Show(built.messages);
    if (!built.proceed)
        return;

    // Everything of this read lands together, or nothing of it.
    ws_.catalogue = std::move(updated);
    RefillNameList();
    SetTrendRunButtonEnabled(true);
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
    ws_.VarListOpen = false;
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

void TVarListForm::RefillNameList()
{
    const QStringList names = VariableNames(ws_.catalogue.VariableList);
    for (int line = 0; line < listBox1_->count(); ++line)
        listBox1_->item(line)->setText(line < names.size() ? names[line] : QString());
}

void TVarListForm::SetTrendRunButtonEnabled(bool enabled)
{
    if (!ws_.TrendWindowOpen || !ws_.trendWindow)
        return;
    if (auto *run = ws_.trendWindow->findChild<QPushButton *>(QStringLiteral("Button2")))
        run->setEnabled(enabled);
}

void TVarListForm::Show(const QStringList &messages)
{
    for (const QString &text : messages)
        ws_.dialogs.ShowMessage(text);
}
