// Channel set-up controls of the Trend Graph window: any click into the table ends an active run;
// the name and bit boxes take their picks from the Variables List.

#include "trend/Messages.h"
#include "trend/Trendgph.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

// The number that ends a control's name: "Edit12" gives 12.
int NumberInName(const QObject *control, QLatin1String prefix)
{
    return control->objectName().mid(prefix.size()).toInt();
}

// The line selected in one of the Variables List's lists ("ListBox1" names, "ListBox2" bits), or
// -1 when the window or the list is gone or no line is selected.
int SelectedLine(const Workspace &ws, const char *listName)
{
    if (!ws.varListWindow)
        return -1;
    const auto *list = ws.varListWindow->findChild<QListWidget *>(QLatin1String(listName));
    if (!list || !list->currentItem() || !list->currentItem()->isSelected())
        return -1;
    return list->currentRow();
}

QString SelectedText(const Workspace &ws, const char *listName)
{
    const int line = SelectedLine(ws, listName);
    return line < 0 ? QString() : ws.varListWindow->findChild<QListWidget *>(QLatin1String(listName))->item(line)->text();
}

// The bit number of the selected bit-list line ("07 GATE ON" gives "07"), or nothing.
std::optional<QString> PickedBit(const Workspace &ws)
{
    if (SelectedLine(ws, "ListBox2") < 0)
        return std::nullopt;
    return SelectedText(ws, "ListBox2").left(2);
}

} // namespace

void TTrendDspForm::Edit1Click(QLineEdit *)
{
    if (runActive())
        StopRun();
}

void TTrendDspForm::CheckBox1Click(QCheckBox *)
{
    if (runActive())
        StopRun();
}

void TTrendDspForm::BitBtn1Click(QPushButton *bitBtn)
{
    if (runActive())
        StopRun();
    const int n = NumberInName(bitBtn, QLatin1String("BitBtn"));
    SetAddressLabelCaption(n, addressLabel(n) == QLatin1String("A") ? QStringLiteral("L") : QStringLiteral("A"));
}

void TTrendDspForm::Edit1DblClick(QLineEdit *edit)
{
    if (!ws_.varListWindow || !ws_.varListWindow->isVisible())
        return;
    if (runActive())
        StopRun();
    if (!ws_.VarListOpen) {
        ws_.dialogs.ShowMessage(kOpenVariablesList);
        return;
    }
    // With no name selected there is nothing to take; the box keeps its text.
    if (SelectedLine(ws_, "ListBox1") < 0)
        return;
    edit->setText(SelectedText(ws_, "ListBox1"));
    SetAddressLabelCaption(NumberInName(edit, QLatin1String("Edit")), QStringLiteral("L"));
}

void TTrendDspForm::Edit8DblClick(QLineEdit *edit)
{
    if (runActive())
        StopRun();
    if (!ws_.VarListOpen) {
        ws_.dialogs.ShowMessage(kOpenVariablesList);
        return;
    }
    const int n = NumberInName(edit, QLatin1String("Edit"));
    // The name is the VariableList entry behind the selected line, less its address and comma. The
    // name and the bit are taken each when its list has a selection, so a bit can be changed alone.
    const int line = SelectedLine(ws_, "ListBox1");
    const QStringList &variables = ws_.catalogue.VariableList;
    if (line >= 0 && line < variables.size() && variables.at(line) != QLatin1String("END")) {
        edit->setText(variables.at(line).mid(9));
        SetAddressLabelCaption(n, QStringLiteral("L"));
    }
    if (const auto bit = PickedBit(ws_))
        this->edit(n + 14)->setText(*bit);
}

void TTrendDspForm::Edit29DblClick()
{
    if (!ws_.VarListOpen) {
        ws_.dialogs.ShowMessage(kOpenVariablesList);
        return;
    }
    if (const auto bit = PickedBit(ws_))
        edit(29)->setText(*bit);
}
