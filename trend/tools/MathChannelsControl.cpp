#include "trend/tools/MathChannelsControl.h"

#include "base/SaveFailure.h"
#include "trend/tools/MathChannelsDialog.h"
#include "trend/model/MathChannelsTexts.h"
#include "trend/readout/MathReadout.h"

#include <QAction>
#include <QMenu>

MathChannelsControl::MathChannelsControl(Dialogs &dialogs, QMenu *menu, QWidget *window)
    : QObject(window), dialogs_(dialogs), window_(window), path_(mathchannels::defaultPath())
{
    readFile();
    menu->addSeparator();
    mathChannelsAction_ = menu->addAction(kMathChannelsCaption);
    mathChannelsAction_->setObjectName(QStringLiteral("MathChannelsAction"));
    engineeringExportAction_ = menu->addAction(kExportEngineeringCaption);
    engineeringExportAction_->setObjectName(QStringLiteral("ExportEngineeringAction"));
    engineeringExportAction_->setCheckable(true);
    engineeringExportAction_->setChecked(false);
}

void MathChannelsControl::setPath(const QString &path)
{
    path_ = path;
    readFile();
    emit definitionsChanged();
}

void MathChannelsControl::readFile()
{
    QString error;
    std::vector<mathchannels::LineProblem> problems;
    definitions_ = mathchannels::read(path_, &error, &problems);
    fileProblems_.clear();
    if (!error.isEmpty())
        fileProblems_ << error;
    for (const mathchannels::LineProblem &problem : problems)
        fileProblems_ << problem.text();
}

void MathChannelsControl::openDialog(std::vector<MathInput> inputs)
{
    if (!dialog_) {
        dialog_ = new MathChannelsDialog(window_);
        connect(dialog_, &MathChannelsDialog::taken, this, &MathChannelsControl::keep);
    }
    dialog_->setInputs(std::move(inputs));
    if (!dialog_->isVisible()) {
        dialog_->showDefinitions(definitions_);
        dialog_->showFileProblems(fileProblems_);
    }
    dialog_->show();
    dialog_->raise();
    dialog_->activateWindow();
}

void MathChannelsControl::keep(const MathChannelDefinitions &definitions)
{
    QString error;
    if (mathchannels::write(path_, definitions, &error)) {
        // What the file now holds, the user's lines not used among it.
        readFile();
    } else {
        definitions_ = definitions;
        savefailure::report(dialogs_, kMathChannelsNotSaved, path_, error);
    }
    emit definitionsChanged();
}

QByteArray MathChannelsControl::shownRowsCsv(const TrendData &data)
{
    if (!engineeringExportAction_->isChecked())
        return mathreadout::shownRowsCsv(data, nullptr);
    exportUnits_.readIfChanged();
    const readoutstatistics::ChannelScales scales = readoutstatistics::channelScales(exportUnits_.table(), data);
    return mathreadout::shownRowsCsv(data, &scales);
}
