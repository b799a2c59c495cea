// Channel set-up controls of the Trend Graph window: any click into the table ends an active run;
// the name and bit boxes take their picks from the Variables List.

#include "trend/Messages.h"
#include "trend/Trendgph.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The number that ends a control's name: "Edit12" gives 12.
int NumberInName(const QObject *control, QLatin1String prefix)
{
    return control->objectName().mid(prefix.size()).toInt();
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
    SetAddressLabelCaption(n, addressLabel(n) == AddressKind::Address ? AddressKind::Name : AddressKind::Address);
}

void TTrendDspForm::Edit1DblClick(QLineEdit *edit)
{
    const VariableChoice choice = ws_.links.variableChoice();
    if (!choice.listShown)
        return;
    if (runActive())
        StopRun();
    if (!ws_.variablesListOpen) {
        ws_.dialogs.ShowMessage(kOpenVariablesList);
        return;
    }
    // With no name selected there is nothing to take; the box keeps its text.
    if (choice.nameLine < 0)
        return;
    edit->setText(choice.name);
    SetAddressLabelCaption(NumberInName(edit, QLatin1String("Edit")), AddressKind::Name);
}

void TTrendDspForm::Edit8DblClick(QLineEdit *edit)
{
    if (runActive())
        StopRun();
    if (!ws_.variablesListOpen) {
        ws_.dialogs.ShowMessage(kOpenVariablesList);
        return;
    }
    const int n = NumberInName(edit, QLatin1String("Edit"));
    // The name is the variableList entry behind the selected line, less its address and comma. The
    // name and the bit are taken each when its list has a selection, so a bit can be changed alone.
    const VariableChoice choice = ws_.links.variableChoice();
    const int line = choice.nameLine;
    const QStringList &variables = ws_.catalogue.variableList;
    if (line >= 0 && line < variables.size() && variables.at(line) != QLatin1String("END")) {
        edit->setText(variables.at(line).mid(9));
        SetAddressLabelCaption(n, AddressKind::Name);
    }
    if (choice.bitNumber)
        this->edit(n + 14)->setText(*choice.bitNumber);
}

void TTrendDspForm::Edit29DblClick()
{
    if (!ws_.variablesListOpen) {
        ws_.dialogs.ShowMessage(kOpenVariablesList);
        return;
    }
    if (const auto bit = ws_.links.variableChoice().bitNumber)
        edit(29)->setText(*bit);
}
