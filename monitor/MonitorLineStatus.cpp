#include "monitor/MonitorLineStatus.h"

#include "base/WindowLook.h"
#include "link/ExchangeStatsText.h"
#include "link/LinkResult.h"
#include "link/Settings.h"
#include "monitor/MonitorRun.h"
#include "monitor/MonitorTexts.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QTime>
#include <algorithm>

using namespace monitor;

namespace {

constexpr int kFiguresFontPixels = 9;
constexpr int kLineStateFontPixels = 13;
constexpr std::chrono::milliseconds kFiguresRefresh{250};

QString timeNow() { return QTime::currentTime().toString(kTimeFormat); }

} // namespace

MonitorLineStatus::MonitorLineStatus(const MonitorRun &run, QWidget *window) : QObject(window), run_(run)
{
    // While the controller does not answer: large, red, at the top right, over the file name's end.
    lineState_ = new QLabel(window);
    lineState_->setObjectName(QStringLiteral("lineState"));
    lineState_->setGeometry(250, 34, 426, 18);
    QFont stateFont = windowlook::courierNew(kLineStateFontPixels);
    stateFont.setBold(true);
    lineState_->setFont(stateFont);
    lineState_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPalette statePalette = lineState_->palette();
    statePalette.setColor(QPalette::WindowText, kLineStateColour);
    lineState_->setPalette(statePalette);
    lineState_->hide();

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
    eventText_.clear();
    showFigures();
}

void MonitorLineStatus::takeSection(const SectionResult &result)
{
    showLineState(result);
    if (result.lineLost || result.lineBack) {
        lineLost_ = result.lineLost;
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
    const ExchangeStats &stats = run_.lineStats();
    QString text =
        stats.exchanges == 0 ? QString() : exchangeStatsText(stats, run_.releasePasses(), run_.releaseTime());
    if (!eventText_.isEmpty()) {
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
    eventText_ = kSavedIn.arg(saved.fileName(), metrics.elidedText(QDir::toNativeSeparators(saved.absolutePath()),
                                                                   Qt::ElideMiddle, std::max(room, 0)));
    showFigures();
}

void MonitorLineStatus::showLineState(const SectionResult &result)
{
    // From the first read that got no reply (or found the device gone) until the first good one.
    const bool noReply =
        result.lineLost || result.stats.failuresByCode.count(static_cast<int>(LinkResult::Timeout)) > 0;
    if (result.outcome == PassOutcome::Complete) {
        lineState_->hide();
        lineState_->clear();
        return;
    }
    if (!noReply || lineState_->isVisible())
        return;
    const QString port = chosenPortName();
    lineState_->setText(kNoReplySince.arg(port, devicePathForPort(port), timeNow()));
    lineState_->show();
}
