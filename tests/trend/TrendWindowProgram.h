#pragma once
// What a Trend Graph window needs of the program in a test: a workspace with a variable list built
// and a stand-in for an open Variables List, and the trend data.

#include "catalogue/Workspace.h"
#include "tests/support/ScriptedDialogs.h"
#include "trend/TrendData.h"

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
        ws.variablesListWindow = &varList;
    }
    Link link;
    ScriptedDialogs dialogs;
    Workspace ws{link, dialogs};
    TrendData data;
    QWidget varList;
};
