#include "monitor/MonitorLineStatus.h"

#include "base/WindowLook.h"
#include "link/PollFigures.h"
#include "link/Settings.h"
#include "monitor/MonitorRun.h"
#include "monitor/MonitorTexts.h"
#include "program/LineStateLabel.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QTime>
#include <algorithm>

using namespace monitor;

namespace {

constexpr int kFiguresFontPixels = 9;
constexpr std::chrono::milliseconds kFiguresRefresh{250};

QString timeNow() { return QTime::currentTime().toString(kTimeFormat); }

} // namespace

MonitorLineStatus::MonitorLineStatus(const MonitorRun &run, QWidget *window) : QObject(window), run_(run)
{
    // While the controller does not answer: large, red, at the top right, over the file name's end.
    lineState_ = new LineStateLabel(window, "lineState", QRect(250, 34, 426, 18), Qt::AlignRight);
    connect(&run, &MonitorRun::noReply, lineState_,
            [this](const QDateTime &since) { lineState_->showNoReply(chosenPortName(), since); });
    connect(&run, &MonitorRun::replyAgain, lineState_, &LineStateLabel::clearState);
    // "line back" waits while "no reply since" is said, and shows once the controller answers.
    connect(lineState_, &LineStateLabel::stateChanged, this, &MonitorLineStatus::showFigures);

    // The figures beside the block-output grid's caption, where the row has room.
    figures_ = new QLabel(window);
    figures_->setObjectName(QStringLiteral("lineStatistics"));
    figures_->setGeometry(172, 443, 504, 15);
    figures_->setFont(windowlook::courierNew(kFiguresFontPixels));
    figures_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void MonitorLineStatus::beginRelease()
{
    lineLost_ = false;
    lineBackEvent_ = false;
    eventText_.clear();
    showFigures();
}

void MonitorLineStatus::takeSection(const SectionResult &result)
{
    if (result.lineLost || result.lineBack) {
        lineLost_ = result.lineLost;
        lineBackEvent_ = result.lineBack && !result.lineLost;
        eventText_ = (result.lineLost ? kLineLost : kLineBack).arg(timeNow());
    }
    // The figures change with every section; a few times a second is enough to read them.
    const bool due = std::chrono::steady_clock::now() - figuresShown_ >= kFiguresRefresh;
    if (due || result.outcome != PassOutcome::Complete)
        showFigures();
}

void MonitorLineStatus::showFigures()
{
    figuresShown_ = std::chrono::steady_clock::now();
    const PollFigures &figures = run_.releaseFigures();
    QString text = figures.stats.exchanges == 0 ? QString() : pollFiguresText(figures);
    // The one rule of the line's messages: no "line back" beside "no reply since".
    const bool eventStands = !eventText_.isEmpty() && (!lineBackEvent_ || lineState_->letsLineBackStand());
    if (eventStands) {
        // The event comes first and whole where it fits; the figures take the room that is left.
        const QFontMetrics metrics(figures_->font());
        const int width = figures_->width();
        const QString event = metrics.elidedText(eventText_, Qt::ElideMiddle, width);
        text = text.isEmpty() ? event
                              : metrics.elidedText(kEventAndFigures.arg(event, text), Qt::ElideRight, width);
    }
    figures_->setText(text);
}

void MonitorLineStatus::showSaved(const QString &path)
{
    const QFileInfo saved(path);
    const QFontMetrics metrics(figures_->font());
    const int room = figures_->width() - metrics.horizontalAdvance(kSavedIn.arg(saved.fileName(), QString()));
    lineBackEvent_ = false;
    eventText_ = kSavedIn.arg(saved.fileName(), metrics.elidedText(QDir::toNativeSeparators(saved.absolutePath()),
                                                                   Qt::ElideMiddle, std::max(room, 0)));
    showFigures();
}
