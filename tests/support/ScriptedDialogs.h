#pragma once
// Dialogs with scripted answers: messages are recorded, file and printer questions are answered
// from queues (an empty queue answers "cancelled").

#include "base/Dialogs.h"

#include <QStringList>
#include <deque>

class ScriptedDialogs : public Dialogs {
public:
    void showMessage(const QString &text) override { showMessage(text, QString()); }
    void showMessage(const QString &text, const QString &detail) override
    {
        messages.append(text);
        details.append(detail);
    }
    QString askOpenFile(const QString &filter) override;
    using Dialogs::askSaveFile;
    QString askSaveFile(const QString &filter, const QString &defaultExtension, const QString &suggestedName) override;
    std::unique_ptr<QPrinter> askPrinter() override;
    // Answered from loseWorkAnswers; an empty queue answers Discard, as a window that is not asked
    // would go on.
    LoseWorkAnswer askBeforeLosingWork(const QString &text) override;

    QStringList messages;              // every message shown, in order
    QStringList details;               // the detailed text of each message (empty when none)
    std::deque<QString> openAnswers;   // answers to askOpenFile
    std::deque<QString> saveAnswers;   // answers to askSaveFile
    std::deque<QString> pdfAnswers;    // askPrinter answers a PDF printer writing to this path
    QStringList filtersAsked;
    QStringList namesSuggested;        // the name each askSaveFile offered
    QStringList questions;             // every Save / Discard / Cancel question asked, in order
    std::deque<LoseWorkAnswer> loseWorkAnswers;
};
