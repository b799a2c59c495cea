#include "tests/support/ScriptedDialogs.h"

#include <QPrinter>

QString ScriptedDialogs::askOpenFile(const QString &filter)
{
    filtersAsked.append(filter);
    if (openAnswers.empty())
        return {};
    QString answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

QString ScriptedDialogs::askSaveFile(const QString &filter, const QString &, const QString &suggestedName)
{
    filtersAsked.append(filter);
    namesSuggested.append(suggestedName);
    if (saveAnswers.empty())
        return {};
    QString answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
}

std::unique_ptr<QPrinter> ScriptedDialogs::askPrinter()
{
    if (pdfAnswers.empty())
        return nullptr;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(pdfAnswers.front());
    pdfAnswers.pop_front();
    return printer;
}

Dialogs::LoseWorkAnswer ScriptedDialogs::askBeforeLosingWork(const QString &text)
{
    questions.append(text);
    if (loseWorkAnswers.empty())
        return LoseWorkAnswer::Discard;
    const LoseWorkAnswer answer = loseWorkAnswers.front();
    loseWorkAnswers.pop_front();
    return answer;
}
