#include "recording/RecordingWindow.h"

#include "engineering/EngineeringControls.h"
#include "engineering/EngineeringTexts.h"
#include "base/Dialogs.h"
#include "base/NumberText.h"
#include "base/SaveFailure.h"
#include "base/TextFile.h"
#include "base/WindowPrint.h"
#include "recording/OverviewStrip.h"
#include "recording/RecordingLoader.h"
#include "recording/RecordingPlot.h"
#include "recording/RecordingReadout.h"
#include "recording/RecordingReferences.h"
#include "recording/RecordingTexts.h"
#include "recording/SpanExport.h"

#include <QClipboard>
#include <QDateTime>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QTimeZone>
#include <QVBoxLayout>

using namespace engineeringtexts;

namespace recording {

namespace {

constexpr int kChannelListWidth = 180;
constexpr QSize kInitialSize(1000, 700);
constexpr int kReadoutHeight = 130;

QString durationText(std::int64_t ms)
{
    const std::int64_t seconds = ms / 1000;
    return QStringLiteral("%1:%2:%3.%4")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

} // namespace

RecordingWindow::RecordingWindow(Dialogs &dialogs, const QString &path, QWidget *parent)
    : QWidget(parent, Qt::Window), dialogs_(dialogs), path_(path)
{
    setObjectName(QStringLiteral("RecordingWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kRecordingTitle.arg(textfile::bareFileName(path)));

    loadingBar_ = new QWidget(this);
    progress_ = new QProgressBar(loadingBar_);
    progress_->setRange(0, 100);
    progress_->setFormat(kLoadingText.arg(textfile::bareFileName(path)) + QStringLiteral(" %p%"));
    cancelButton_ = new QPushButton(kCancelCaption, loadingBar_);
    auto *loadingLayout = new QHBoxLayout(loadingBar_);
    loadingLayout->setContentsMargins(0, 0, 0, 0);
    loadingLayout->addWidget(progress_, 1);
    loadingLayout->addWidget(cancelButton_);

    channelList_ = new QListWidget(this);
    channelList_->setObjectName(QStringLiteral("channelList"));
    plot_ = new RecordingPlot(this);
    overview_ = new OverviewStrip(this);
    auto *traces = new QWidget(this);
    auto *tracesLayout = new QVBoxLayout(traces);
    tracesLayout->setContentsMargins(0, 0, 0, 0);
    tracesLayout->addWidget(plot_, 1);
    tracesLayout->addWidget(overview_);
    readout_ = new QPlainTextEdit(traces);
    readout_->setReadOnly(true);
    readout_->setLineWrapMode(QPlainTextEdit::NoWrap);
    readout_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    readout_->setFixedHeight(kReadoutHeight);
    readout_->setPlainText(kReadoutHint);
    copyButton_ = new QPushButton(kCopyReadoutCaption, traces);
    auto *readoutLayout = new QHBoxLayout;
    readoutLayout->addWidget(readout_, 1);
    readoutLayout->addWidget(copyButton_, 0, Qt::AlignTop);
    tracesLayout->addLayout(readoutLayout);
    engineering_ = new EngineeringControls(traces);
    tracesLayout->addWidget(engineering_);
    addReferenceButton_ = new QPushButton(kAddReferenceCaption, traces);
    addReferenceButton_->setEnabled(false);
    referenceOffset_ = new QDoubleSpinBox(traces);
    referenceOffset_->setDecimals(3);
    referenceOffset_->setRange(-1e9, 1e9);
    referenceOffset_->setSuffix(kReferenceOffsetSuffix);
    referenceOffset_->setEnabled(false);
    auto *referenceLayout = new QHBoxLayout;
    referenceLayout->addWidget(addReferenceButton_);
    referenceLayout->addWidget(new QLabel(kReferenceOffsetCaption, traces));
    referenceLayout->addWidget(referenceOffset_);
    referenceLayout->addStretch(1);
    exportSpanButton_ = new QPushButton(kExportSpanCaption, traces);
    savePictureButton_ = new QPushButton(kSavePictureCaption, traces);
    exportSpanButton_->setEnabled(false);
    savePictureButton_->setEnabled(false);
    referenceLayout->addWidget(exportSpanButton_);
    referenceLayout->addWidget(savePictureButton_);
    printButton_ = new QPushButton(kPrintCaption, traces);
    referenceLayout->addWidget(printButton_);
    tracesLayout->addLayout(referenceLayout);
    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->addWidget(channelList_);
    splitter->addWidget(traces);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({kChannelListWidth, kInitialSize.width() - kChannelListWidth});

    summary_ = new QLabel(this);
    hoverTime_ = new QLabel(this);
    auto *status = new QHBoxLayout;
    status->addWidget(summary_, 1);
    status->addWidget(hoverTime_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(loadingBar_);
    layout->addWidget(splitter, 1);
    layout->addLayout(status);
    resize(kInitialSize);

    loader_ = new RecordingLoader(this);
    references_ = new RecordingReferences(dialogs_, referenceOffset_, this);
    connect(loader_, &RecordingLoader::progressed, progress_, &QProgressBar::setValue);
    connect(loader_, &RecordingLoader::loaded, this, &RecordingWindow::showLoaded);
    connect(loader_, &RecordingLoader::failed, this, &RecordingWindow::showFailure);
    connect(loader_, &RecordingLoader::cancelled, this, &RecordingWindow::showCancelled);
    connect(cancelButton_, &QPushButton::clicked, loader_, &RecordingLoader::cancel);
    connect(channelList_, &QListWidget::itemChanged, this, &RecordingWindow::channelToggled);
    connect(plot_, &RecordingPlot::spanChanged, this, &RecordingWindow::followSpan);
    connect(plot_, &RecordingPlot::hovered, this, &RecordingWindow::showHoverTime);
    connect(overview_, &OverviewStrip::spanMoveWanted, plot_, &RecordingPlot::moveSpanTo);
    connect(plot_, &RecordingPlot::cursorsChanged, this, &RecordingWindow::showReadout);
    connect(copyButton_, &QPushButton::clicked, this, &RecordingWindow::copyReadout);
    connect(engineering_, &EngineeringControls::changed, this, &RecordingWindow::showReadout);
    connect(addReferenceButton_, &QPushButton::clicked, references_, &RecordingReferences::ask);
    connect(plot_, &RecordingPlot::referenceStepWanted, references_, &RecordingReferences::step);
    connect(references_, &RecordingReferences::changed, this, &RecordingWindow::showReferences);
    connect(exportSpanButton_, &QPushButton::clicked, this, &RecordingWindow::exportSpan);
    connect(savePictureButton_, &QPushButton::clicked, this, &RecordingWindow::savePicture);
    connect(printButton_, &QPushButton::clicked, this, [this] { windowprint::printWindowOnChosenPrinter(*this, dialogs_); });
    loader_->start(path);
}

RecordingWindow::~RecordingWindow() = default;

QString RecordingWindow::statusText() const { return summary_->text(); }

bool RecordingWindow::isLoading() const { return loader_->isLoading(); }

void RecordingWindow::endLoading()
{
    loadingBar_->hide();
    emit loadEnded();
}

void RecordingWindow::showLoaded(std::shared_ptr<const LoadedRecording> recording)
{
    recording_ = std::move(recording);
    references_->setRecording(recording_);
    const RecordingData &data = recording_->data;
    fillChannelList();
    overview_->setRecording(recording_);
    plot_->setRecording(recording_);
    const std::int64_t duration = data.timesMs.empty() ? 0 : data.timesMs.back() - data.timesMs.front();
    // A .trd's rows have no times: no duration either.
    QStringList parts{kRecordingSummary.arg(data.rowCount())
                          .arg(data.channels.size())
                          .arg(data.hasTimes ? durationText(duration) : kNoTimesText)};
    parts << data.notes;
    summary_->setText(parts.join(QStringLiteral("; ")));
    plot_->setFocus();
    addReferenceButton_->setEnabled(true);
    exportSpanButton_->setEnabled(true);
    savePictureButton_->setEnabled(true);
    endLoading();
}

void RecordingWindow::showFailure(const QString &message)
{
    summary_->setText(message);
    endLoading();
    dialogs_.showMessage(kRecordingNotReadText, message);
}

void RecordingWindow::showCancelled()
{
    summary_->setText(kLoadCancelledText);
    endLoading();
}

void RecordingWindow::fillChannelList()
{
    const QSignalBlocker blocker(channelList_);
    channelList_->clear();
    for (const RecordingChannel &channel : recording_->data.channels) {
        QPixmap swatch(12, 12);
        swatch.fill(QColor::fromRgb(channelColour(channel)));
        auto *item = new QListWidgetItem(QIcon(swatch), channel.name, channelList_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
        // The header as written: its unit and, for a math channel, the inputs it was computed on.
        item->setToolTip(channel.heading());
    }
}

void RecordingWindow::channelToggled(QListWidgetItem *)
{
    std::vector<bool> shown;
    for (int row = 0; row < channelList_->count(); ++row)
        shown.push_back(channelList_->item(row)->checkState() == Qt::Checked);
    plot_->setShownChannels(shown);
    overview_->setShownChannels(shown);
}

void RecordingWindow::followSpan()
{
    if (const VisibleSpan *span = plot_->span())
        overview_->setSpan(span->startMs(), span->endMs());
}

void RecordingWindow::showHoverTime(std::int64_t timeMs)
{
    if (!recording_)
        return;
    if (!recording_->data.hasTimes) {
        if (const std::optional<std::size_t> row = rowNearest(recording_->data, timeMs))
            hoverTime_->setText(kHoverRowText.arg(*row + 1));
        return;
    }
    const QString seconds = numbertext::secondsText(timeMs);
    if (!recording_->data.hasClockTime) {
        hoverTime_->setText(kHoverSecondsText.arg(seconds));
        return;
    }
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(recording_->data.clockStartMs + timeMs, QTimeZone::utc());
    hoverTime_->setText(kHoverClockText.arg(at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")), seconds));
}

} // namespace recording

namespace recording {

QString RecordingWindow::readoutText() const { return readout_->toPlainText(); }

void RecordingWindow::showReadout()
{
    const std::optional<std::size_t> rowA = plot_->cursorARow();
    if (!recording_ || !rowA)
        return;
    const RecordingData &data = recording_->data;
    const std::optional<std::size_t> rowB = plot_->cursorBRow();
    // Columns the file holds in engineering values are shown so whether engineering values are on or off.
    const UnitsTable *units = engineering_->units();
    const ChannelScales scales = units ? recordingScales(*units, data) : columnScales(data);
    const ChannelScales *shownScales = &scales;
    // Tabs between the cells when copied; aligned as text in the window.
    QString text = readoutstatistics::tabSeparatedText(readoutAtCursors(data, *rowA, rowB, shownScales));
    const std::vector<Reference> &references = references_->references();
    if (!references.empty())
        text += readoutstatistics::tabSeparatedText(referenceReadout(data, references, *rowA, rowB, shownScales));
    // The step response of a word channel between the cursors, and of the references laid over.
    std::vector<std::pair<int, QString>> words;
    for (std::size_t c = 0; c < data.channels.size(); ++c)
        if (!data.channels[c].logic)
            words.emplace_back(static_cast<int>(c), data.channels[c].name);
    engineering_->offerStepChannels(words);
    if (const int channel = engineering_->chosenStepChannel(); channel >= 0) {
        text += u'\n';
        text += rowB ? stepFiguresLines(data, references, static_cast<std::size_t>(channel), *rowA, *rowB, shownScales,
                                        engineering_->bandPercent())
                           .join(u'\n')
                     : kStepNeedsCursors;
        text += u'\n';
    }
    readout_->setTabStopDistance(readout_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 12);
    readout_->setPlainText(text);
}

const std::vector<Reference> &RecordingWindow::references() const { return references_->references(); }

void RecordingWindow::addReferenceFile(const QString &path) { references_->addFile(path); }

void RecordingWindow::stepReference(int samples) { references_->step(samples); }

void RecordingWindow::showReferences()
{
    plot_->setReferences(references_->references());
    showReadout();
    emit referencesChanged();
}

void RecordingWindow::exportSpan()
{
    const VisibleSpan *span = plot_->span();
    const QString path = span ? dialogs_.askSaveFile(kSpanCsvFilter, QStringLiteral("csv")) : QString();
    if (path.isEmpty())
        return;
    const RecordingData &data = recording_->data;
    QString error;
    if (!textfile::writeAtomically(path, spanCsv(data, rowAtOrAfter(data, span->startMs()), rowAtOrAfter(data, span->endMs())),
                                   &error))
        savefailure::report(dialogs_, kSpanNotSavedText, path, error);
}

void RecordingWindow::savePicture()
{
    const QString path = plot_->span() ? dialogs_.askSaveFile(kPictureFilter, QStringLiteral("png")) : QString();
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !plot_->picture().save(&file, "PNG") || !file.commit())
        savefailure::report(dialogs_, kPictureNotSavedText, path, file.errorString());
}

void RecordingWindow::copyReadout()
{
    QGuiApplication::clipboard()->setText(readout_->toPlainText());
}

} // namespace recording
