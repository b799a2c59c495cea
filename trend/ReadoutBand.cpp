#include "trend/ReadoutBand.h"

#include "base/WindowLook.h"
#include "link/ExchangeStatsText.h"
#include "trend/Cursor.h"
#include "trend/TrendReadout.h"

#include <QLabel>

namespace {

constexpr int kFontPixels = 10;
constexpr std::chrono::milliseconds kFiguresRefresh{250};

} // namespace

ReadoutBand::ReadoutBand(const TrendData &data, QWidget *window) : QWidget(window), data_(data)
{
    setGeometry(kPlace);
    const char *names[] = {"ReadoutTime", "ReadoutDifference", "ReadoutStatistics", "ReadoutLine"};
    const QRect places[] = {{0, 0, kPlace.width(), 12},
                            {0, 12, kPlace.width(), 24},
                            {0, 36, kPlace.width(), 24},
                            {0, 60, kPlace.width(), 12}};
    const QFont font = windowlook::CourierNew(kFontPixels);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        auto *line = new QLabel(this);
        line->setObjectName(QLatin1String(names[i]));
        line->setGeometry(places[i]);
        line->setFont(font);
        line->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        line->setWordWrap(i == 1 || i == 2);
        lines_[i] = line;
    }
}

void ReadoutBand::show(const View &view)
{
    // Rows shown from a .trd have no time: with one cursor on them the band stays empty.
    const std::optional<int> row = cursor::RowUnderCursor(data_.cursorX, data_.rowCount);
    const bool timed = row && data_.displayRowInfo[static_cast<std::size_t>(*row)].sinceRunStart.has_value();
    QString time;
    QString difference;
    if (view.cursorsShown && (timed || view.secondCursorX)) {
        time = readout::CursorTimeText(data_, data_.cursorX, QStringLiteral("A"));
        if (view.secondCursorX) {
            time += QStringLiteral("    ") + readout::CursorTimeText(data_, *view.secondCursorX, QStringLiteral("B"));
            if (const auto d = readout::Difference(data_, data_.cursorX, *view.secondCursorX))
                difference = readout::DifferenceText(data_, *d, view.hex);
        }
    }
    lines_[0]->setText(time);
    lines_[1]->setText(difference);
    lines_[2]->setText(runPasses_ == 0 && runStats_.exchanges == 0
                           ? QString()
                           : QStringLiteral("Line: ") + ExchangeStatsText(runStats_, runPasses_,
                                                                          lastPassEnded_ - data_.runStartedSteady,
                                                                          QStringLiteral("\n")));
    QStringList events;
    if (!planText_.isEmpty())
        events << planText_;
    if (!lineEventText_.isEmpty())
        events << lineEventText_;
    if (!recordingText_.isEmpty())
        events << recordingText_;
    lines_[3]->setText(events.join(QStringLiteral("   ")));
    shown_ = std::chrono::steady_clock::now();
}

void ReadoutBand::beginRun()
{
    runStats_ = ExchangeStats{};
    runPasses_ = 0;
    lastPassEnded_ = data_.runStartedSteady;
    lineEventText_.clear();
    recordingText_.clear();
    planText_.clear();
}

bool ReadoutBand::takePass(const sampling::TrendPass &pass)
{
    runStats_.merge(pass.stats);
    ++runPasses_;
    lastPassEnded_ = pass.ended;
    if (pass.planNow)
        planText_ = readout::PlanChangeText(*pass.planNow, pass.blockReadsGivenUp);
    if (pass.lineEvent == sampling::LineEvent::None)
        return pass.planNow.has_value();
    lineEventText_ = readout::LineEventText(pass.lineEvent, data_, pass.ended);
    return true;
}

bool ReadoutBand::figuresDue() const { return std::chrono::steady_clock::now() - shown_ >= kFiguresRefresh; }
