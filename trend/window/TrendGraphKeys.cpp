#include "trend/window/TrendGraphKeys.h"

#include "trend/model/Cursor.h"
#include "trend/graph/PictureWidget.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/window/TrendGraphView.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <algorithm>
#include <functional>
#include <utility>

namespace {

// A key of the window that presses `button` while it may be pressed.
void pressWith(QWidget *window, const QKeySequence &key, QPushButton *button, const std::function<void()> &press)
{
    auto *shortcut = new QShortcut(key, window);
    QObject::connect(shortcut, &QShortcut::activated, window, [button, press] {
        if (button->isEnabled())
            press();
    });
}

void addKeyToTip(QPushButton *button, const QString &keys)
{
    button->setToolTip(button->toolTip().isEmpty() ? keys : button->toolTip() + u' ' + kKeyTip.arg(keys));
}

} // namespace

TrendGraphKeys::TrendGraphKeys(Parts parts) : QObject(&parts.window), parts_(std::move(parts))
{
    QWidget *w = &parts_.window;
    const TrendGraphControls &controls = parts_.controls;
    for (const QKeySequence &key : {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R)})
        pressWith(w, key, controls.run, parts_.toggleRun);
    pressWith(w, QKeySequence(Qt::CTRL | Qt::Key_O), controls.open, parts_.openFile);
    pressWith(w, QKeySequence(Qt::CTRL | Qt::Key_S), controls.save, parts_.saveFile);
    addKeyToTip(controls.run, kRunKeys);
    addKeyToTip(controls.open, kOpenKeys);
    addKeyToTip(controls.save, kSaveKeys);
    addKeyToTip(controls.stepLeft, kStepLeftKeys);
    addKeyToTip(controls.stepRight, kStepRightKeys);

    // The menu item carries its key, so the menu shows it; the window holds it too, so that it
    // works with the menu closed (while the item is enabled).
    QAction *exportCsv = &parts_.exportCsv;
    exportCsv->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    exportCsv->setShortcutContext(Qt::WindowShortcut);
    w->addAction(exportCsv);

    // A click on the graph takes the keyboard's focus from the table's fields, so that the arrow
    // keys then step the cursor instead of moving in a field.
    parts_.view.picture()->setFocusPolicy(Qt::ClickFocus);
    for (const QKeySequence &key : {QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)}) {
        auto *shortcut = new QShortcut(key, w);
        connect(shortcut, &QShortcut::activated, this, &TrendGraphKeys::openMenuAtCursor);
    }
}

bool TrendGraphKeys::takeKey(const QKeyEvent &event)
{
    const int key = event.key();
    if (key != Qt::Key_Left && key != Qt::Key_Right)
        return false;
    const bool right = key == Qt::Key_Right;
    if (event.modifiers() & Qt::ShiftModifier) {
        stepSecondCursor(right);
        return true;
    }
    // As "<<" and ">>", while they can be pressed.
    QPushButton *button = right ? parts_.controls.stepRight : parts_.controls.stepLeft;
    if (button->isEnabled())
        right ? parts_.stepCursorRight() : parts_.stepCursorLeft();
    return true;
}

void TrendGraphKeys::stepSecondCursor(bool right)
{
    TrendGraphView &view = parts_.view;
    if (!view.cursorsEnabled() || parts_.data.rowCount <= 0)
        return;
    // A second cursor not yet placed starts from A.
    const int from = view.secondCursorX().value_or(view.cursorX());
    const std::optional<int> to = right ? cursor::stepRight(from, parts_.data.rowCount)
                                        : cursor::stepLeft(from, parts_.data.rowCount);
    if (to)
        view.setSecondCursor(*to);
}

void TrendGraphKeys::openMenuAtCursor()
{
    TrendGraphView &view = parts_.view;
    PictureWidget *picture = view.picture();
    const int x = std::clamp(view.cursorX(), 0, picture->width() - 1);
    view.updateMenu();
    view.menu()->popup(picture->mapToGlobal(QPoint(x, picture->height() / 2)));
}
