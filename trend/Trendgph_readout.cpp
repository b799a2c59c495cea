// Cursor and value read-out of the Trend Graph window.

#include "trend/Cursor.h"
#include "trend/Trendgph.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

cursor::Base BaseShown(TTrendDspForm &form)
{
    return form.hexShown() ? cursor::Base::Hex : cursor::Base::Dec;
}

void FillValueBoxes(TTrendDspForm &form, cursor::LogicText logic)
{
    const TrendData &data = form.data();
    for (const auto &[channel, text] : cursor::CursorValueTexts(data, data.cursorX, BaseShown(form), logic))
        form.edit(channel + 29)->setText(text);
}

// Puts the cursor at `x` and redraws it; with no row to stand on nothing moves.
bool MoveCursor(TTrendDspForm &form, std::optional<int> x)
{
    if (!x)
        return false;
    form.data().cursorX = *x;
    form.DrawCursorLayer();
    form.ComposeGraph(true);
    form.ShowReadoutBand();
    return true;
}

} // namespace

void TTrendDspForm::ShowCursorValues()
{
    FillValueBoxes(*this, cursor::LogicText::Value);
}

void TTrendDspForm::Image4MouseDown(int x)
{
    // ">>" is enabled exactly while there is a recording to read and no run draws into the graph.
    if (!button(4)->isEnabled())
        return;
    if (MoveCursor(*this, cursor::ClickPosition(x, data().rowCount)))
        ShowCursorValues();
}

void TTrendDspForm::Button3Click()
{
    if (MoveCursor(*this, cursor::StepLeft(data().cursorX, data().rowCount)))
        FillValueBoxes(*this, cursor::LogicText::HighLow);
}

void TTrendDspForm::Button4Click()
{
    if (MoveCursor(*this, cursor::StepRight(data().cursorX, data().rowCount)))
        ShowCursorValues();
}

void TTrendDspForm::Button5Click()
{
    hexShown_ = !hexShown_;
    button(5)->setText(hexShown_ ? QStringLiteral("Hex") : QStringLiteral("Dec"));
    ShowCursorValues();
    ShowReadoutBand();
}
