#pragma once
// The dialogs seam backed by real modal windows.

#include "base/Dialogs.h"

#include <QPointer>
#include <QWidget>

class WidgetDialogs : public Dialogs {
public:
    void ShowMessage(const QString &text) override;
    QString AskOpenFile(const QString &filter) override;
    QString AskSaveFile(const QString &filter, const QString &defaultExtension) override;
    std::unique_ptr<QPrinter> AskPrinter() override;

    // "Caption(*.ext)|*.ext" pairs as a file dialog filter ("Caption(*.ext) (*.ext)").
    static QString QtFilter(const QString &filter);
};
