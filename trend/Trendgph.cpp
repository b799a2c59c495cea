#include "trend/Trendgph.h"

#include "base/ProgramFolder.h"
#include "base/TextFile.h"
#include "base/PortPause.h"
#include "base/WindowLook.h"
#include "trend/Messages.h"
#include "trend/Presets.h"
#include "trend/RunStart.h"
#include "trend/Sampling.h"
#include "trend/TrendReadout.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <optional>

namespace {

const QString kRunCaption = QStringLiteral("RUN");
const QString kStopCaption = QStringLiteral("STOP");
const QString kErrorTraceFile = QStringLiteral("ErrTrace.txt");

const QColor kTeal(0, 128, 128);
const QColor kMaroon(128, 0, 0);
const QColor kRunGreen(0, 255, 0);
const QColor kStopGrey(128, 128, 128);
const QColor kWorkspaceColour(171, 171, 171);

constexpr int kAnalogRowTop = 95;
constexpr int kLogicRowTop = 265;
constexpr int kRowPitch = 20;
constexpr int kRowHeight = 21;

int RowTop(int channel)
{
    return channel < kAnalogChannels ? kAnalogRowTop + kRowPitch * channel
                                     : kLogicRowTop + kRowPitch * (channel - kAnalogChannels);
}

void SetBackground(QWidget *widget, const QColor &background, const QColor &text)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Picture control

TrendImage::TrendImage(const QImage *image, QWidget *parent) : QWidget(parent), image_(image) {}

void TrendImage::paintEvent(QPaintEvent *event)
{
    // Only what needs painting: a sampling pass repaints the few columns it drew.
    QPainter painter(this);
    const QRect area = event->rect() & image_->rect();
    painter.drawImage(area.topLeft(), *image_, area);
}

void TrendImage::mousePressEvent(QMouseEvent *event)
{
    const int x = event->position().toPoint().x();
    // Any button moves the read-out cursor, the right one too; Shift+click sets the second.
    if ((event->modifiers() & Qt::ShiftModifier) && onSecondCursor)
        onSecondCursor(x);
    else if (onMouseDown)
        onMouseDown(x);
}

void TrendImage::contextMenuEvent(QContextMenuEvent *event)
{
    if (onContextMenu)
        onContextMenu(event->globalPos());
}

// ---------------------------------------------------------------------------------------------
// Construction and layout

TTrendDspForm::TTrendDspForm(Workspace &ws, TrendData &data, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      ws_(ws), data_(data)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("TrendDspForm"));
    setWindowTitle(QStringLiteral("Trend Graph"));
    setFixedSize(kWidth, kHeight);
    setFont(windowlook::CourierNew(13));
    SetBackground(this, QApplication::palette().color(QPalette::Dark), palette().color(QPalette::WindowText));

    portPause_ = new PortPause(this);
    connect(portPause_, &PortPause::finished, this, &TTrendDspForm::BeginSampling);
    BuildControls();
    ConnectControls();
    FormCreate();

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(kWidth / 2, kHeight / 2));
}

TTrendDspForm::~TTrendDspForm()
{
    // A window destroyed without being closed still gives the port and the flags back.
    if (!closed_)
        FormClose();
}

void TTrendDspForm::BuildControls()
{
    const auto makeLabel = [this](int n, const QString &text, QRect geometry) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QStringLiteral("Label%1").arg(n));
        l->setGeometry(geometry);
        labels_[n] = l;
        return l;
    };
    const auto makeButton = [this](int n, const QString &text, QRect geometry) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QStringLiteral("Button%1").arg(n));
        b->setGeometry(geometry);
        buttons_[n] = b;
        return b;
    };

    QLabel *title = makeLabel(1, QStringLiteral("QMX Seriese Trend Graph"), {9, 4, 257, 26});
    QFont titleFont = font();
    titleFont.setBold(true);
    titleFont.setItalic(true);
    titleFont.setPixelSize(16);
    title->setFont(titleFont);
    SetBackground(title, kWorkspaceColour, Qt::white);

    // Captions of the channel table; "Adrs" over "Labl" names the A/L column.
    QFont smallFont = font();
    smallFont.setPixelSize(10);
    makeLabel(2, QStringLiteral("Sel"), {550, 79, 24, 16});
    makeLabel(3, QStringLiteral("Adrs"), {576, 67, 24, 12})->setFont(smallFont);
    makeLabel(4, QStringLiteral("Labl"), {576, 80, 24, 12})->setFont(smallFont);
    makeLabel(5, QStringLiteral("Data Name  F.S   Value"), {600, 79, 190, 16});
    makeLabel(6, QStringLiteral("Sel"), {550, 249, 24, 16});
    makeLabel(27, QStringLiteral("Adrs"), {576, 237, 24, 12})->setFont(smallFont);
    makeLabel(28, QStringLiteral("Labl"), {576, 250, 24, 12})->setFont(smallFont);
    makeLabel(29, QStringLiteral("Data Name  bit   Value"), {600, 249, 190, 16});

    // Design-time labels of a recorder the controller does not have; hidden at creation.
    makeLabel(7, QStringLiteral("2000-02-27"), {270, 4, 90, 14});
    makeLabel(8, QStringLiteral("2000-02-27"), {270, 18, 90, 14});
    makeLabel(9, QStringLiteral("Triggered"), {600, 8, 80, 14});
    makeLabel(10, QStringLiteral("DSP Op Cycle Time"), {560, 490, 140, 14});
    makeLabel(11, QStringLiteral("Sampling Cycle Time"), {560, 506, 150, 14});
    makeLabel(12, QStringLiteral("ms"), {760, 490, 20, 14});
    makeLabel(13, QStringLiteral("ms"), {760, 506, 20, 14});
    makeLabel(14, QStringLiteral("1.000"), {710, 490, 45, 14});
    makeLabel(15, QStringLiteral("1.000"), {710, 506, 45, 14});

    // Axis captions: percent of full scale down the left edge, sample numbers under the graph.
    const char *percent[] = {"+100", "+50", "0", "-50", "-100"};
    for (int i = 0; i < 5; ++i) {
        QLabel *l = makeLabel(16 + i, QString::fromLatin1(percent[i]), {4, 40 + 100 * i - 7, 42, 14});
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    const int samples[] = {0, 100, 200, 250};
    for (int i = 0; i < 4; ++i) {
        QLabel *l = makeLabel(21 + i, QString::number(samples[i]), {50 + 2 * samples[i] - 20, 443, 40, 14});
        l->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }

    QLabel *status = makeLabel(25, QStringLiteral("RUN/STOP"), {622, 420, 91, 26});
    status->setAlignment(Qt::AlignCenter);
    SetBackground(status, palette().color(QPalette::Window), Qt::white);
    makeLabel(26, QStringLiteral("Cursle Move"), {565, 460, 91, 16});

    makeButton(6, QStringLiteral("Open"), {390, 8, 56, 23});
    makeButton(7, QStringLiteral("Save"), {445, 8, 51, 23});
    makeButton(8, QStringLiteral("Print"), {495, 8, 51, 23});
    makeButton(5, QStringLiteral("Dec"), {750, 55, 36, 18});
    makeButton(2, kRunCaption, {725, 420, 56, 26});
    makeButton(3, QStringLiteral("<<"), {660, 455, 27, 26});
    makeButton(4, QStringLiteral(">>"), {686, 455, 27, 26});
    makeButton(1, QStringLiteral("REDRAW"), {725, 455, 56, 26});

    image4_ = new TrendImage(&layers_.visible, this);
    image4_->setObjectName(QStringLiteral("Image4"));
    image4_->setGeometry(50, 40, kVisibleWidth, kVisibleHeight);
    image6_ = new TrendImage(&layers_.key, this);
    image6_->setObjectName(QStringLiteral("Image6"));
    image6_->setGeometry(552, 94, kKeyWidth, kKeyHeight);
    label(6)->raise(); // the logic block's "Sel" lies over the key strip's top

    for (int c = 0; c < kChannels; ++c)
        BuildChannelRow(c);
    BuildReadoutBand();
}

void TTrendDspForm::BuildChannelRow(int c)
{
    const bool analog = c < kAnalogChannels;
    const int top = RowTop(c);
    const auto makeEdit = [this](int n, const QString &text, QRect geometry) {
        auto *e = new QLineEdit(text, this);
        e->setObjectName(QStringLiteral("Edit%1").arg(n));
        e->setGeometry(geometry);
        e->installEventFilter(this);
        edits_[n] = e;
    };

    auto *check = new QCheckBox(this);
    check->setObjectName(QStringLiteral("CheckBox%1").arg(c + 1));
    check->setGeometry(555, top, 16, 16);
    checkBoxes_[c + 1] = check;

    auto *bit = new QPushButton(this);
    bit->setObjectName(QStringLiteral("BitBtn%1").arg(c + 1));
    bit->setGeometry(575, top, 21, kRowHeight);
    bitBtns_[c + 1] = bit;
    SetAddressLabelCaption(c + 1, AddressKind::Name);

    makeEdit(c + 1, analog ? QStringLiteral("Edit1") : QStringLiteral("Edit8"), {600, top, 76, kRowHeight});
    makeEdit(c + 15, analog ? QStringLiteral("32767") : QStringLiteral("0"),
             analog ? QRect(680, top, 51, kRowHeight) : QRect(690, top, 26, kRowHeight));
    makeEdit(c + 29, analog ? QStringLiteral("-32767") : QStringLiteral("0"),
             analog ? QRect(735, top, 50, kRowHeight) : QRect(750, top, 26, kRowHeight));
}

void TTrendDspForm::ConnectControls()
{
    connect(button(1), &QPushButton::clicked, this, &TTrendDspForm::Button1Click);
    connect(button(2), &QPushButton::clicked, this, &TTrendDspForm::Button2Click);
    connect(button(3), &QPushButton::clicked, this, &TTrendDspForm::Button3Click);
    connect(button(4), &QPushButton::clicked, this, &TTrendDspForm::Button4Click);
    connect(button(5), &QPushButton::clicked, this, &TTrendDspForm::Button5Click);
    connect(button(6), &QPushButton::clicked, this, &TTrendDspForm::Button6Click);
    connect(button(7), &QPushButton::clicked, this, &TTrendDspForm::Button7Click);
    connect(button(8), &QPushButton::clicked, this, &TTrendDspForm::Button8Click);
    for (int n = 1; n <= kChannels; ++n) {
        QCheckBox *check = checkBox(n);
        connect(check, &QCheckBox::clicked, this, [this, check] { CheckBox1Click(check); });
        QPushButton *bit = bitBtn(n);
        connect(bit, &QPushButton::clicked, this, [this, bit] { BitBtn1Click(bit); });
    }
    image4_->onMouseDown = [this](int x) { Image4MouseDown(x); };
    connect(&ws_.links, &WindowLinks::trendRunAllowedChanged, button(2), &QPushButton::setEnabled);
}

bool TTrendDspForm::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) {
        for (int n = 1; n <= 42; ++n) {
            if (edits_[n] != watched)
                continue;
            if (type == QEvent::MouseButtonPress && n <= 28)
                Edit1Click(edits_[n]);
            if (type == QEvent::MouseButtonDblClick) {
                if (n <= 7)
                    Edit1DblClick(edits_[n]);
                else if (n <= 14)
                    Edit8DblClick(edits_[n]);
                else if (n == 29)
                    Edit29DblClick();
            }
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Controls by number

QLineEdit *TTrendDspForm::edit(int n) const { return n >= 1 && n <= 42 ? edits_[n] : nullptr; }
QCheckBox *TTrendDspForm::checkBox(int n) const { return n >= 1 && n <= kChannels ? checkBoxes_[n] : nullptr; }
QPushButton *TTrendDspForm::bitBtn(int n) const { return n >= 1 && n <= kChannels ? bitBtns_[n] : nullptr; }
QPushButton *TTrendDspForm::button(int n) const { return n >= 1 && n <= 8 ? buttons_[n] : nullptr; }
QLabel *TTrendDspForm::label(int n) const { return n >= 1 && n <= 29 ? labels_[n] : nullptr; }

QRgb TTrendDspForm::backgroundColour() const { return palette().color(QPalette::Window).rgb(); }

void TTrendDspForm::SetAddressLabelCaption(int n, AddressKind kind)
{
    QPushButton *b = bitBtn(n);
    if (!b)
        return;
    addressLabel_[n] = kind;
    b->setText(kind == AddressKind::Name ? QStringLiteral("L") : QStringLiteral("A"));
    QPalette palette = b->palette();
    palette.setColor(QPalette::ButtonText, kind == AddressKind::Name ? kTeal : kMaroon);
    b->setPalette(palette);
}

// ---------------------------------------------------------------------------------------------
// Creation, closing, channel table

void TTrendDspForm::FormCreate()
{
    ws_.trendWindowOpen = true;
    ws_.trendGraphWindow = this;

    data_.channels = presets::LoadPresets();
    ShowChannelTable();
    layers_.InitGraphLayers(data_);
    image4_->update();
    // Until a run or an Open draws the colour key, its strip shows the window's background.
    layers_.key.fill(backgroundColour());

    for (int n = 29; n <= 42; ++n)
        edit(n)->hide();

    button(2)->setEnabled(ws_.catalogue.variableListBuilt);
    for (int n : {1, 3, 4, 5})
        button(n)->setEnabled(false);

    for (int n = 7; n <= 15; ++n)
        label(n)->hide();

    if (!ws_.variablesListOpen)
        ws_.links.askForVariablesList();
}

void TTrendDspForm::FormClose()
{
    if (closed_)
        return;
    closed_ = true;
    const bool runEnding = running_ || starting_;
    EndSampling();
    if (runEnding)
        SetDataReadEnabled(true);
    ws_.links.tellDisplayWindowClosed();
    ws_.trendWindowOpen = false;
}

void TTrendDspForm::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}

void TTrendDspForm::ShowChannelTable()
{
    for (int c = 0; c < kChannels; ++c) {
        const ChannelRecord &r = data_.channels[c];
        checkBox(c + 1)->setChecked(r.selected);
        SetAddressLabelCaption(c + 1, r.addressKind);
        edit(c + 1)->setText(r.addressOrName);
        edit(c + 15)->setText(r.fullScale);
    }
}

void TTrendDspForm::ShowChannelTableForRunning()
{
    for (int n = 1; n <= 28; ++n)
        edit(n)->show();
    for (int n = 1; n <= kChannels; ++n) {
        checkBox(n)->show();
        bitBtn(n)->show();
    }
    for (int n = 29; n <= 42; ++n)
        edit(n)->hide();
}

// ---------------------------------------------------------------------------------------------
// Run control

void TTrendDspForm::SetDataReadEnabled(bool enabled)
{
    if (ws_.variablesListOpen)
        ws_.links.setDataReadAllowed(enabled);
}

void TTrendDspForm::ShowRunningLook()
{
    QLabel *status = label(25);
    status->setText(QStringLiteral("Run"));
    SetBackground(status, kRunGreen, Qt::white);
    for (int n : {1, 3, 4, 5, 6, 7, 8})
        button(n)->setEnabled(false);
}

void TTrendDspForm::ShowStoppedLook()
{
    QLabel *status = label(25);
    status->setText(QStringLiteral("Stop"));
    SetBackground(status, kStopGrey, Qt::white);
    for (int n : {1, 6, 7, 8})
        button(n)->setEnabled(true);
}

void TTrendDspForm::StopRun()
{
    const bool wasRunning = running_;
    EndSampling();
    ShowStoppedLook();
    if (wasRunning)
        SetDataReadEnabled(true);
}

void TTrendDspForm::EndFailedStart(const QString &message)
{
    ws_.dialogs.ShowMessage(message);
    ShowStoppedLook();
    SetDataReadEnabled(true);
}

namespace {

// The message of a selection whose scales cannot be drawn, or nothing.
std::optional<QString> ScaleMessage(runstart::ScaleProblem problem)
{
    switch (problem) {
    case runstart::ScaleProblem::None:
        break;
    case runstart::ScaleProblem::BadFullScale:
        return kCheckFullScale;
    case runstart::ScaleProblem::FullScaleZero:
        return kFullScaleZero;
    case runstart::ScaleProblem::BadBitNumber:
        return kCheckBitNumber;
    }
    return std::nullopt;
}

} // namespace

void TTrendDspForm::Button2Click()
{
    // From the port open to the end of the pause after it, the start is still going on.
    if (starting_)
        return;
    // Checked on every press, also one that would end a run (which then goes on).
    for (int n = 15; n <= 21; ++n) {
        if (!runstart::FullScaleTextPasses(edit(n)->text())) {
            ws_.dialogs.ShowMessage(kCheckFullScale);
            return;
        }
    }
    if (running_)
        EndRunByButton();
    else
        StartRun();
}

void TTrendDspForm::EndRunByButton()
{
    EndSampling();
    ShowStoppedLook();
    SetDataReadEnabled(true);
}

bool TTrendDspForm::TakeChannelTable()
{
    for (int c = 0; c < kChannels; ++c)
        data_.channels[c].selected = checkBox(c + 1)->isChecked();
    if (std::none_of(data_.channels.begin(), data_.channels.end(), [](const ChannelRecord &r) { return r.selected; })) {
        EndFailedStart(kSelectDrawingData);
        return false;
    }
    for (int c = 0; c < kChannels; ++c) {
        ChannelRecord &r = data_.channels[c];
        r.addressKind = addressLabel_[c + 1];
        r.addressOrName = runstart::RemoveSpaces(edit(c + 1)->text());
        r.fullScale = edit(c + 15)->text();
    }
    return true;
}

void TTrendDspForm::StartRun()
{
    for (int n : {1, 3, 4, 5, 6, 7, 8})
        button(n)->setEnabled(false);
    SetDataReadEnabled(false);
    ShowChannelTableForRunning();
    if (!TakeChannelTable())
        return;

    const runstart::Resolution resolution = runstart::ResolveAddresses(data_.channels, ws_.catalogue.variableList);
    if (resolution.errorCount != 0) {
        EndFailedStart(kAddressNotFound);
        return;
    }
    // Scales are checked before anything is saved or cleared, so a refused start keeps the last
    // recording and the presets.
    if (const std::optional<QString> message = ScaleMessage(runstart::CheckScales(data_.channels))) {
        EndFailedStart(*message);
        return;
    }

    for (int n : {1, 3, 4})
        button(n)->setEnabled(false);
    for (int c = 0; c < kChannels; ++c)
        data_.channelAddress[c] = runstart::AddressFromText(resolution.addressText[c]);
    // A preset file that cannot be written does not stop the run (the recording matters more), but
    // the user hears that the set-up will be gone at the next start.
    QStringList notSaved;
    if (!presets::SavePresets(hexShown_ ? QStringLiteral("Hex") : QStringLiteral("Dec"), data_.channels, &notSaved))
        ws_.dialogs.ShowMessage(kPresetsNotSaved.arg(notSaved.join(u'\n')));
    runstart::BuildSelection(data_);
    runstart::ResetRecording(data_);
    OpenPortForRun();
}

void TTrendDspForm::OpenPortForRun()
{
    starting_ = true;
    const quint64 start = ++startCount_;
    ws_.linkThread.open(PortUser::TrendRun, this, [this, start](LinkThread::OpenOutcome outcome) {
        // A start that was given up meanwhile (the window closed) has nothing more to do.
        if (start == startCount_ && starting_)
            PortOpenedForRun(outcome);
    });
}

void TTrendDspForm::PortOpenedForRun(LinkThread::OpenOutcome outcome)
{
    if (outcome != LinkThread::OpenOutcome::Opened) {
        starting_ = false;
        ShowStoppedLook();
        // A port held by another window of the program has been named already.
        if (outcome == LinkThread::OpenOutcome::Failed)
            ws_.dialogs.ShowMessage(kCommunicationError);
        SetDataReadEnabled(true);
        DrawColourKey(false);
        return;
    }
    // The controller is given a moment after the port opened; the window stays live meanwhile.
    portPause_->start();
}

void TTrendDspForm::BeginSampling()
{
    starting_ = false;
    if (closed_)
        return;
    running_ = true;
    ws_.trendRunning = true;
    button(2)->setText(kStopCaption);
    ShowRunningLook();
    data_.ringWritePos = 0;
    layers_.ClearTraceLayer();
    DrawColourKey(false);
    BeginReadout();

    task_ = ws_.linkThread.newTask();
    task_->setPause(std::chrono::milliseconds(waitTimeMs()));
    const LinkThread::Reply reply = ws_.linkThread.replyTo(this);
    ws_.linkThread.post([this, task = task_, plan = sampling::PollPlan{data_.selectedChannels, data_.channelAddress},
                         reply](Link &link) {
        sampling::PollPasses(link, *task, plan, [&](sampling::TrendPass pass) {
            reply([this, task, pass = std::move(pass)] { TakePass(task, pass); });
        });
    });
}

void TTrendDspForm::EndSampling()
{
    portPause_->stop();
    starting_ = false;
    ++startCount_;
    if (task_) {
        task_->cancel();
        task_.reset();
    }
    running_ = false;
    ws_.trendRunning = false;
    EndRecording();
    button(2)->setText(kRunCaption);
    // The port goes back once the exchange in flight has ended; a new start waits for that.
    ws_.linkThread.close(PortUser::TrendRun);
}

// ---------------------------------------------------------------------------------------------
// Sampling

int TTrendDspForm::waitTimeMs() const
{
    const std::optional<std::int32_t> ms = presets::ParseWaitTime(ws_.waitTime);
    return ms && *ms > 0 ? *ms : 0;
}

void TTrendDspForm::AppendErrorTrace(const sampling::ReadFailure &failure)
{
    const QString timestamp = sampling::TraceTimestamp(QDateTime::currentDateTime());
    // A trace that cannot be written is not reported: the lime mark already shows the failure.
    textfile::Append(programfolder::ErrorTracePath(kErrorTraceFile),
                     sampling::ErrorTraceLine(timestamp, failure.code, failure.lastErrorReply));
}

void TTrendDspForm::TakePass(const std::shared_ptr<LinkTask> &task, const sampling::TrendPass &pass)
{
    task->taken();
    // Every failed read is traced, also in a pass that STOP cut short.
    for (const sampling::ReadFailure &failure : pass.failures)
        AppendErrorTrace(failure);
    // A pass of a run that has ended, or one cut short, is not part of the recording.
    if (task != task_ || !running_ || pass.readout.abandoned)
        return;
    // waitTime may have been changed in the port dialog meanwhile.
    task->setPause(std::chrono::milliseconds(waitTimeMs()));
    readout::RecordRowInfo(data_, pass.readout, pass.ended);
    sampling::StorePass(data_, layers_, pass.readout);
    ++passesStored_;
    image4_->update(layers_.ComposeChangedColumns());
    TakePassReadout(pass);
}

// ---------------------------------------------------------------------------------------------
// Graph

void TTrendDspForm::UnrollSamples() { ::UnrollSamples(data_); }

void TTrendDspForm::DrawRecordedTraces() { layers_.DrawRecordedTraces(data_); }

void TTrendDspForm::DrawCursorLayer()
{
    layers_.DrawCursorLayer(data_.cursorX);
    if (secondCursorX_)
        DrawSecondCursor(layers_.cursor, *secondCursorX_);
}

void TTrendDspForm::ComposeGraph(bool withCursor)
{
    layers_.ComposeGraph(withCursor);
    image4_->update();
}

void TTrendDspForm::DrawColourKey(bool selectedOnly)
{
    layers_.DrawColourKey(data_.channels, selectedOnly, backgroundColour());
    image6_->update();
}

void TTrendDspForm::ApplyChannelVisibility()
{
    for (int c = 0; c < kChannels; ++c) {
        const bool shown = data_.channels[c].selected;
        edit(c + 1)->setVisible(shown);
        edit(c + 15)->setVisible(shown);
        edit(c + 29)->setVisible(shown);
        checkBox(c + 1)->setVisible(shown);
        bitBtn(c + 1)->setVisible(shown);
    }
}

void TTrendDspForm::Button1Click()
{
    if (running_)
        return;
    ApplyChannelVisibility();
    UnrollSamples();
    DrawRecordedTraces();
    // With no rows there is no last sample: the cursor rests at the left edge and the value
    // boxes keep what they show.
    data_.cursorX = data_.rowCount > 0 ? 2 * data_.rowCount - 2 : 0;
    KeepSecondCursorOnRows();
    DrawCursorLayer();
    if (data_.rowCount > 0) {
        const SampleRow &row = data_.displayRows[data_.cursorX / 2];
        for (int c : data_.selectedChannels)
            edit(c + 29)->setText(QString::number(row[c]));
    }
    ComposeGraph(true);
    for (int n : {3, 4, 5})
        button(n)->setEnabled(true);
    ShowReadoutBand();
}
