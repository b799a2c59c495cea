#include "trend/window/ReadoutBand.h"

#include "program/LineStateLabel.h"

#include "base/WindowLook.h"
#include "link/PollFigures.h"
#include "trend/model/Cursor.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/readout/TrendReadout.h"

#include <QLabel>
#include <algorithm>

namespace {

constexpr int kFontPixels = 10;
constexpr std::chrono::milliseconds kFiguresRefresh{250};

// Text rows a band line has room for.
int rowsOf(const QLabel *line) { return std::max(1, line->height() / line->fontMetrics().lineSpacing()); }

// As many whole items as `rows` rows of the line take, measured in the line's font.
QString fitted(const QLabel *line, const QStringList &items, const QString &separator, int rows, const QString &more)
{
    const QFontMetrics metrics = line->fontMetrics();
    return readout::fitItems(items, separator, line->contentsRect().width(), rows,
                             [&metrics](const QString &text) { return metrics.horizontalAdvance(text); }, more);
}

} // namespace

ReadoutBand::ReadoutBand(const TrendData &data, QWidget *window) : QWidget(window), data_(data)
{
    setGeometry(kPlace);
    const char *names[] = {"ReadoutTime", "ReadoutDifference", "ReadoutStatistics", "ReadoutLine"};
    const QRect places[] = {{0, 0, kPlace.width(), 12},
                            {0, 12, kPlace.width(), 24},
                            {0, 36, kPlace.width(), 24},
                            {0, 60, kPlace.width(), 12}};
    const QFont font = windowlook::courierNew(kFontPixels);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        auto *line = new QLabel(this);
        line->setObjectName(QLatin1String(names[i]));
        line->setGeometry(places[i]);
        line->setFont(font);
        line->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        // The band breaks its lines itself, between items, so that no name is parted from its value.
        line->setWordWrap(false);
        lines_[i] = line;
    }
    lineState_ = new LineStateLabel(this, "LineState", QRect(0, 0, kPlace.width(), 34), Qt::AlignLeft);
}

void ReadoutBand::show(const View &view)
{
    // Rows shown from a .trd have no time: with one cursor on them the band stays empty.
    const std::optional<int> row = cursor::rowUnderCursor(view.cursorX, data_.rowCount);
    const bool timed = row && data_.displayRowInfo[static_cast<std::size_t>(*row)].sinceRunStart.has_value();
    QStringList times;
    QStringList difference;
    if (view.cursorsShown && (timed || view.secondCursorX)) {
        times << readout::cursorTimeText(data_, view.cursorX, kCursorAMark);
        if (view.secondCursorX) {
            times << readout::cursorTimeText(data_, *view.secondCursorX, kCursorBMark);
            if (const auto d = readout::cursorDifference(data_, view.cursorX, *view.secondCursorX))
                difference = readout::differenceItems(data_, *d, view.hex, view.scales);
        }
    }
    lines_[0]->setText(fitted(lines_[0], times, QStringLiteral("    "), rowsOf(lines_[0]), kBandMoreMark));
    lines_[1]->setText(fitted(lines_[1], difference, QStringLiteral("  "), rowsOf(lines_[1]), kReadoutMoreMark));
    if (!fileName_.isEmpty()) {
        lines_[2]->setText(fitted(lines_[2], {kBandFileShown.arg(fileName_)}, QString(), 1, kBandMoreMark));
    } else if (runFigures_.passes == 0 && runFigures_.stats.exchanges == 0) {
        lines_[2]->clear();
    } else {
        // Each of the figures' two lines on a line of its own.
        const QString figures = kBandLineFigures.arg(pollFiguresText(runFigures_, QStringLiteral("\n")));
        QStringList rows;
        for (const QString &text : figures.split(u'\n'))
            rows << fitted(lines_[2], text.split(QStringLiteral(", ")), QStringLiteral(", "), 1, kBandMoreMark);
        lines_[2]->setText(rows.join(u'\n'));
    }
    // The latest Save or export first: it is what the user just did.
    QStringList events;
    if (!savedText_.isEmpty())
        events << savedText_;
    if (!triggerText_.isEmpty())
        events << triggerText_;
    if (!errorTraceProblem_.isEmpty())
        events << errorTraceText();
    // The one rule of the line's messages: no "line back" beside "no reply since".
    if (!lineEventText_.isEmpty() && (!lineEventIsBack_ || lineState_->letsLineBackStand()))
        events << lineEventText_;
    if (!recordingText_.isEmpty())
        events << recordingText_;
    // The plan says the same all run: it yields its place first.
    if (!planText_.isEmpty())
        events << planText_;
    lines_[3]->setText(fitted(lines_[3], events, QStringLiteral("   "), 1, kBandMoreMark));
    // What the line cuts short is there whole, one event a line, when the pointer rests on it.
    lines_[3]->setToolTip(events.join(u'\n'));
    shown_ = std::chrono::steady_clock::now();
}

void ReadoutBand::setErrorTraceMoved(const QString &problem, const QString &nowPath)
{
    errorTraceProblem_ = problem;
    errorTracePath_ = nowPath;
}

QString ReadoutBand::errorTraceText() const
{
    if (errorTracePath_.isEmpty())
        return kBandErrorTraceLost.arg(errorTraceProblem_);
    // A long folder gives way in its middle, so that the reason and the file's name stay whole
    // with the more mark after them.
    const QFontMetrics metrics = lines_[3]->fontMetrics();
    const int room = lines_[3]->contentsRect().width() -
                     metrics.horizontalAdvance(kBandErrorTraceMoved.arg(errorTraceProblem_, QString()) +
                                               QStringLiteral("   ") + kBandMoreMark);
    return kBandErrorTraceMoved.arg(errorTraceProblem_, metrics.elidedText(errorTracePath_, Qt::ElideMiddle, std::max(room, 0)));
}

void ReadoutBand::showFile(const QString &fileName)
{
    fileName_ = fileName;
    runFigures_ = PollFigures{};
    lineEventText_.clear();
    recordingText_.clear();
    planText_.clear();
    triggerText_.clear();
    errorTraceProblem_.clear();
}

void ReadoutBand::beginRun()
{
    runFigures_.begin(data_.runStartedSteady);
    lineEventText_.clear();
    recordingText_.clear();
    savedText_.clear();
    triggerText_.clear();
    errorTraceProblem_.clear();
    fileName_.clear();
    planText_.clear();
}

bool ReadoutBand::takePass(const trendpoll::TrendPass &pass)
{
    runFigures_.take(pass.stats, pass.ended, true);
    if (pass.planNow)
        planText_ = readout::planChangeText(*pass.planNow, pass.blockReadsGivenUp);
    if (pass.lineEvent == trendpoll::LineEvent::None)
        return pass.planNow.has_value();
    lineEventText_ = readout::lineEventText(pass.lineEvent, data_, pass.ended);
    lineEventIsBack_ = pass.lineEvent == trendpoll::LineEvent::Back;
    return true;
}

bool ReadoutBand::figuresDue() const { return std::chrono::steady_clock::now() - shown_ >= kFiguresRefresh; }

