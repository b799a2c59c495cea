#pragma once
// The Trend Graph's math channels and its export in engineering values, as the graph menu offers
// them: "Math channels..." opens the dialog over the channels the table selects and keeps what it
// takes in the user's MathChannels.txt; "Engineering values" (unchecked at first) makes "Export
// CSV..." write the word channels that have a scale in the units file as raw x gain + offset. The
// window hands the definitions to each run and asks here for the CSV of the rows shown.

#include "engineering/UnitsFile.h"
#include "trend/model/MathChannelsFile.h"
#include "trend/model/TrendData.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <functional>

class Dialogs;
class MathChannelsDialog;
class QAction;
class QMenu;
class QWidget;

class MathChannelsControl : public QObject {
    Q_OBJECT
public:
    // Adds its items to `menu`; the definitions are read from the user's file.
    MathChannelsControl(Dialogs &dialogs, QMenu *menu, QWidget *window);

    QAction *mathChannelsAction() const { return mathChannelsAction_; }
    QAction *engineeringExportAction() const { return engineeringExportAction_; }
    // Nothing until "Math channels..." was first chosen.
    MathChannelsDialog *dialog() const { return dialog_; }

    const MathChannelDefinitions &definitions() const { return definitions_; }
    // The lines of the file that are no channel, each named with its line; empty when all are.
    const QStringList &fileProblems() const { return fileProblems_; }
    // Opens the dialog over these channels, or brings it forward.
    void openDialog(std::vector<MathInput> inputs);

    // Where the definitions and the export's units are kept; the user's files unless a test says
    // otherwise.
    void setPath(const QString &path);
    void setUnitsPath(const QString &path) { exportUnits_.setPath(path); }
    // The rows shown as "Export CSV..." writes them.
    QByteArray shownRowsCsv(const TrendData &data);

signals:
    void definitionsChanged();

private:
    void keep(const MathChannelDefinitions &definitions);
    // Reads the definitions and names the lines not used.
    void readFile();

    Dialogs &dialogs_;
    QWidget *window_;
    QString path_;
    MathChannelDefinitions definitions_;
    QStringList fileProblems_;
    UnitsFile exportUnits_;
    QAction *mathChannelsAction_ = nullptr;
    QAction *engineeringExportAction_ = nullptr;
    MathChannelsDialog *dialog_ = nullptr;
};
