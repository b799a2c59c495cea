#pragma once
// The dialogs seam backed by real modal windows.

#include "base/Dialogs.h"

#include <QPointer>
#include <QWidget>

class WidgetDialogs : public Dialogs {
public:
    void ShowMessage(const QString &text) override;
    void ShowMessage(const QString &text, const QString &detail) override;
    QString AskOpenFile(const QString &filter) override;
    QString AskSaveFile(const QString &filter, const QString &defaultExtension) override;
    std::unique_ptr<QPrinter> AskPrinter() override;

    // "Caption(*.ext)|*.ext" pairs as a file dialog filter. A caption that already names its
    // patterns is used as it is ("TRendDataFile(*.trd)"); other captions get them added.
    static QString QtFilter(const QString &filter);
    // The extension of the first pattern of the filter ("trd"), or empty.
    static QString FirstExtension(const QString &filter);
};
