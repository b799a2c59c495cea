#pragma once
// The typed ways one window of the program reaches another. A window asks through these calls and
// the window concerned, when it is open, has connected to them; no window touches another's
// controls.

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

// What is chosen in the Variables List, as the Trend Graph's channel table takes it.
struct VariableChoice {
    bool listShown = false; // the Variables List window is open and visible
    int nameLine = -1;      // the selected line of the name list, or -1
    QString name;           // that line's text
    std::optional<QString> bitNumber; // the two digits that begin the selected bit line
};

class WindowLinks : public QObject {
    Q_OBJECT
public:
    // The Variables List's "Data Read" may be pressed (no trend run holds the line).
    void setDataReadAllowed(bool allowed) { emit dataReadAllowedChanged(allowed); }
    // The Trend Graph's RUN/STOP may be pressed (a variable list is built, no Data Read runs).
    void setTrendRunAllowed(bool allowed) { emit trendRunAllowedChanged(allowed); }
    // A window that needs the Variables List beside it asks for it to be opened.
    void askForVariablesList() { emit variablesListWanted(); }
    // The Trend Graph or the Monitor has closed.
    void tellDisplayWindowClosed() { emit displayWindowClosed(); }

    // The Variables List tells what is chosen in it while it is open; nothing is chosen otherwise.
    void setVariableChoiceSource(std::function<VariableChoice()> source) { choiceSource_ = std::move(source); }
    VariableChoice variableChoice() const { return choiceSource_ ? choiceSource_() : VariableChoice{}; }

signals:
    void dataReadAllowedChanged(bool allowed);
    void trendRunAllowedChanged(bool allowed);
    void variablesListWanted();
    void displayWindowClosed();

private:
    std::function<VariableChoice()> choiceSource_;
};
