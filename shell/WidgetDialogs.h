#pragma once
// The dialogs seam backed by real modal windows.

#include "base/Dialogs.h"

#include <QPointer>
#include <QWidget>

class WidgetDialogs : public Dialogs {
public:
    void showMessage(const QString &text) override;
    void showMessage(const QString &text, const QString &detail) override;
    QString askOpenFile(const QString &filter) override;
    using Dialogs::askSaveFile;
    QString askSaveFile(const QString &filter, const QString &defaultExtension, const QString &suggestedName) override;
    std::unique_ptr<QPrinter> askPrinter() override;
    LoseWorkAnswer askBeforeLosingWork(const QString &text) override;
    void endAll() override;

    // "Caption(*.ext)|*.ext" pairs as a file dialog filter. A caption that already names its
    // patterns is used as it is ("TRendDataFile(*.trd)"); other captions get them added.
    static QString qtFilter(const QString &filter);
    // The extension of the first pattern of the filter ("trd"), or empty.
    static QString firstExtension(const QString &filter);
    // The folder a file dialog for files of `extension` starts in: where the last one of that kind
    // was opened or saved, kept in the settings store, else the current folder.
    static QString folderFor(const QString &extension);
    static void rememberFolder(const QString &extension, const QString &chosenFile);

private:
    bool ending_ = false;
};
