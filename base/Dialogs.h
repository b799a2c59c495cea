#pragma once
// The one seam through which every window asks the user something: message boxes, file dialogs
// and the print dialog. The program hands the widget-backed implementation to the windows; tests
// hand in one with scripted answers, so no test ever blocks on a modal window.

#include <QString>
#include <QtGlobal>
#include <memory>

class QPrinter;

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A modal box whose whole text is `text`.
    virtual void showMessage(const QString &text) = 0;
    // The same box with `detail` behind it (the device and the reason a port would not open);
    // seams that have no place for the detail show the text alone.
    virtual void showMessage(const QString &text, const QString &detail)
    {
        Q_UNUSED(detail);
        showMessage(text);
    }
    // A file to open, or an empty string when the user cancelled. `filter` uses the "Caption|*.ext"
    // form of the system's own texts, e.g. "TRendDataFile(*.trd)|*.trd".
    virtual QString askOpenFile(const QString &filter) = 0;
    // A file to save to; `defaultExtension` (without dot) is added to a name typed without one.
    // `suggestedName`, when given, is offered as the file's name. An existing file is replaced
    // only once the user has confirmed it.
    virtual QString askSaveFile(const QString &filter, const QString &defaultExtension,
                                const QString &suggestedName) = 0;
    QString askSaveFile(const QString &filter, const QString &defaultExtension)
    {
        return askSaveFile(filter, defaultExtension, QString());
    }
    // What to do with work that would be lost: save it first, let it go, or not go on at all.
    enum class LoseWorkAnswer { Save, Discard, Cancel };
    // A modal question whose whole text is `text`, answered Save, Discard or Cancel. A seam that
    // cannot ask (the program is ending) answers Discard, so that nothing waits for a user.
    virtual LoseWorkAnswer askBeforeLosingWork(const QString &text)
    {
        Q_UNUSED(text);
        return LoseWorkAnswer::Discard;
    }
    // A printer chosen and set up by the user, or null when the user cancelled.
    virtual std::unique_ptr<QPrinter> askPrinter() = 0;
    // The program is ending (a shutdown, a logout, a service stop): every dialog open now is
    // cancelled, and every later one answers at once as cancelled, so nothing waits for a user.
    virtual void endAll() {}
};
