#pragma once
// What the Monitor window says about the line: the figures of the current or last release and its
// last event (a save, the line lost or back) beside the block-output grid's caption, and, while the
// controller does not answer, the line's state in red over the end of the file name.

#include "monitor/MonitorPoll.h"

#include <QObject>
#include <QString>
#include <chrono>

class LineStateLabel;
class MonitorRun;
class QLabel;
class QWidget;

class MonitorLineStatus : public QObject {
    Q_OBJECT
public:
    // Places its two labels on `window`; the figures are those `run` keeps.
    MonitorLineStatus(const MonitorRun &run, QWidget *window);

    QLabel *figures() const { return figures_; }
    LineStateLabel *lineState() const { return lineState_; }
    // The device went away in the current release and has not come back.
    bool lineLost() const { return lineLost_; }

    // The passes of a release begin: no event yet, no figures.
    void beginRelease();
    // A section read: the line's events, and the figures a few times a second or when the
    // section failed.
    void takeSection(const monitor::SectionResult &result);
    void showFigures();
    // After a Save: the file's name whole, its folder giving way in the middle if need be.
    void showSaved(const QString &path);

private:
    const MonitorRun &run_;
    LineStateLabel *lineState_ = nullptr;
    QLabel *figures_ = nullptr;
    bool lineLost_ = false;
    QString eventText_;
    bool lineBackEvent_ = false; // the event is the line coming back
    std::chrono::steady_clock::time_point figuresShown_{};
};
