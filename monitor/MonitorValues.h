#pragma once
// What the Monitor's three grids hold, without a widget: the names laid out from the variable list,
// the values each section read places beside them in the number base chosen, the values last read
// (to show them again in the other base), and which sections a failed pass left unrefreshed. It
// says what changed; the grid view shows it.

#include "monitor/MonitorFile.h"
#include "monitor/MonitorLayout.h"
#include "monitor/MonitorPoll.h"

#include <QObject>
#include <QString>
#include <array>
#include <optional>
#include <utility>
#include <vector>

class MonitorValues : public QObject {
    Q_OBJECT
public:
    explicit MonitorValues(const QStringList &variableList, QObject *parent = nullptr);

    const monitor::MonitorGrids &grids() const { return grids_; }
    const monitor::SectionTable &sections() const { return sections_; }
    int dioCount() const { return dioCount_; }
    int superBlockOutputCount() const { return superBlockOutputCount_; }
    // "Dec", "Hex", or the format of an opened file that is neither, as the number-base button shows it.
    const QString &valueFormat() const { return valueFormat_; }
    // A value shown is not the controller's now: a failed pass did not refresh its section.
    bool anyStale() const;

    // Dec becomes Hex, anything else Dec; the values last read are shown again at once in the new
    // base, so that the grids, the button and a saved file agree.
    void toggleNumberBase();
    // A section read by the link thread: its values placed at its grid's cursor of the pass, or,
    // after a failed read, it and the sections after it marked stale.
    void takeSection(const monitor::SectionResult &result);
    // An opened file: its cells over the grids and its format. The grids show the file now, not
    // values read.
    void showSnapshot(const monitor::MonitorSnapshot &snapshot);

signals:
    void valueFormatChanged(const QString &format);
    void gridChanged(monitor::Grid grid);
    // The value cells of a section, from `from` up to `to` in `grid`, are stale now, or live again.
    void staleChanged(monitor::Grid grid, monitor::GridCursor from, monitor::GridCursor to, bool stale);

private:
    void setValueFormat(const QString &format);
    void placeLastValues();
    void markSectionStale(int section, bool stale);

    monitor::MonitorGrids grids_;
    monitor::SectionTable sections_{};
    int dioCount_ = 0;
    int superBlockOutputCount_ = 0;
    QString valueFormat_;
    monitor::GridCursors passCursors_{};
    bool passDecimal_ = true; // the base the pass on the grids began with
    // The values each section was last read with, for showing them again in the other base.
    std::vector<std::optional<std::vector<int>>> lastValues_;
    // Where each section's values stand (from, to) once placed, and whether the last pass left
    // them unrefreshed.
    std::array<std::optional<std::pair<monitor::GridCursor, monitor::GridCursor>>,
               std::tuple_size_v<monitor::SectionTable>>
        sectionCells_{};
    std::array<bool, std::tuple_size_v<monitor::SectionTable>> sectionStale_{};
};
