#pragma once
// "Export CSV...", "Export picture..." and "Copy picture", the head of the graph menu: the rows the
// graph shows as a CSV file, and the graph with its captions and colour key as a picture, written
// at screen scale and at twice it, or put on the clipboard. Each is offered while the view shows
// rows no run is drawing into. The window says what CSV the rows shown make.

#include "trend/model/TrendData.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <functional>

class Dialogs;
class QAction;
class TrendGraphView;

class GraphExport : public QObject {
    Q_OBJECT
public:
    // Puts its items at the head of the view's graph menu.
    GraphExport(Dialogs &dialogs, TrendData &data, const TrendGraphView &view, QObject *parent);

    QAction *exportCsvAction() const { return exportCsvAction_; }
    QAction *exportPictureAction() const { return exportPictureAction_; }
    QAction *copyPictureAction() const { return copyPictureAction_; }
    // The items are offered while the view shows rows.
    void updateActions();

    // What "Export CSV..." writes of the rows shown; readout::shownRowsCsv unless set.
    void setShownRowsCsv(std::function<QByteArray(const TrendData &)> csv) { shownRowsCsv_ = std::move(csv); }
    void exportCsv();
    void exportPicture();
    void copyPicture();
    // The graph with its captions and colour key, at scale 1 or 2.
    QImage pictureAtScale(int scale) const;

signals:
    // A file (or two) was written: what and where, for the band.
    void saved(const QString &text);
    // The rows shown were written to a CSV file.
    void rowsExported();

private:
    Dialogs &dialogs_;
    TrendData &data_;
    const TrendGraphView &view_;
    std::function<QByteArray(const TrendData &)> shownRowsCsv_;
    QAction *exportCsvAction_ = nullptr;
    QAction *exportPictureAction_ = nullptr;
    QAction *copyPictureAction_ = nullptr;
};
