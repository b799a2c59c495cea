#pragma once
// Dialogs with scripted answers: messages are recorded, file and printer questions are answered
// from queues (an empty queue answers "cancelled").

#include "base/Dialogs.h"

#include <QStringList>
#include <deque>

class ScriptedDialogs : public Dialogs {
public:
    void ShowMessage(const QString &text) override { ShowMessage(text, QString()); }
    void ShowMessage(const QString &text, const QString &detail) override
    {
        messages.append(text);
        details.append(detail);
        lastDetail = detail;
    }
    QString AskOpenFile(const QString &filter) override;
    using Dialogs::AskSaveFile;
    QString AskSaveFile(const QString &filter, const QString &defaultExtension, const QString &suggestedName) override;
    std::unique_ptr<QPrinter> AskPrinter() override;

    QStringList messages;              // every message shown, in order
    QStringList details;               // the detailed text of each message (empty when none)
    QString lastDetail;                // the detailed text of the latest message
    std::deque<QString> openAnswers;   // answers to AskOpenFile
    std::deque<QString> saveAnswers;   // answers to AskSaveFile
    std::deque<QString> pdfAnswers;    // AskPrinter answers a PDF printer writing to this path
    QStringList filtersAsked;
    QStringList namesSuggested;        // the name each AskSaveFile offered
};
