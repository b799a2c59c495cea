#pragma once
// The typed ways one window of the program asks another for something. A window asks through
// these calls and the window concerned, when it is open, has connected to them; no window touches
// another's controls. What the windows are allowed to do follows from the Session's state.

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
    // A window that needs the Variables List beside it asks for it to be opened.
    void askForVariablesList() { emit variablesListWanted(); }

    // The Variables List tells what is chosen in it while it is open; nothing is chosen otherwise.
    void setVariableChoiceSource(std::function<VariableChoice()> source) { choiceSource_ = std::move(source); }
    VariableChoice variableChoice() const { return choiceSource_ ? choiceSource_() : VariableChoice{}; }

signals:
    void variablesListWanted();

private:
    std::function<VariableChoice()> choiceSource_;
};
