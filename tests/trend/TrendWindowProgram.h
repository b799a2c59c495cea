#pragma once
// What a Trend Graph window needs of the program in a test: the program object without its windows,
// its variable list built, and a stand-in for an open Variables List.

#include "shell/Program.h"
#include "tests/support/ScriptedDialogs.h"

#include <QStringList>
#include <QWidget>
#include <utility>

struct TrendWindowProgram {
    explicit TrendWindowProgram(QStringList variableList = {"00600E00,AnTermIn", "00600F00,InvFlag", "END"})
    {
        ws.catalogue.variableList = std::move(variableList);
        ws.catalogue.variableListBuilt = true;
        ws.session.setCatalogueDecoded(true);
        ws.session.setVariablesListOpen(true);
    }
    TrendWindowProgram(const TrendWindowProgram &) = delete;
    TrendWindowProgram &operator=(const TrendWindowProgram &) = delete;

    ScriptedDialogs dialogs;
    Program program{dialogs};
    Link &link = program.link;
    Workspace &ws = program.ws;
    TrendData &data = program.trend;
};
