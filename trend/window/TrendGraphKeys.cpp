#include "trend/window/TrendGraphKeys.h"

#include "trend/model/Cursor.h"
#include "trend/graph/PictureWidget.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/window/TrendGraphView.h"
#include "trend/window/TrendGraphWindow.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <algorithm>
#include <functional>

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

TrendGraphKeys::TrendGraphKeys(TrendGraphWindow &window) : QObject(&window), window_(window)
{
    TrendGraphWindow *w = &window;
    for (const QKeySequence &key : {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R)})
        pressWith(w, key, window.runButton(), [w] { w->toggleRun(); });
    pressWith(w, QKeySequence(Qt::CTRL | Qt::Key_O), window.openButton(), [w] { w->openTrendFile(); });
    pressWith(w, QKeySequence(Qt::CTRL | Qt::Key_S), window.saveButton(), [w] { w->saveTrendFile(); });
    addKeyToTip(window.runButton(), kRunKeys);
    addKeyToTip(window.openButton(), kOpenKeys);
    addKeyToTip(window.saveButton(), kSaveKeys);
    addKeyToTip(window.stepLeftButton(), kStepLeftKeys);
    addKeyToTip(window.stepRightButton(), kStepRightKeys);

    // The menu item carries its key, so the menu shows it; the window holds it too, so that it
    // works with the menu closed (while the item is enabled).
    QAction *exportCsv = window.view().exportCsvAction();
    exportCsv->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    exportCsv->setShortcutContext(Qt::WindowShortcut);
    window.addAction(exportCsv);

    // A click on the graph takes the keyboard's focus from the table's fields, so that the arrow
    // keys then step the cursor instead of moving in a field.
    window.graphPicture()->setFocusPolicy(Qt::ClickFocus);
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
    QPushButton *button = right ? window_.stepRightButton() : window_.stepLeftButton();
    if (button->isEnabled())
        right ? window_.stepCursorRight() : window_.stepCursorLeft();
    return true;
}

void TrendGraphKeys::stepSecondCursor(bool right)
{
    TrendGraphView &view = window_.view();
    if (!view.cursorsEnabled() || window_.data().rowCount <= 0)
        return;
    // A second cursor not yet placed starts from A.
    const int from = view.secondCursorX().value_or(window_.data().cursorX);
    const std::optional<int> to = right ? cursor::stepRight(from, window_.data().rowCount)
                                        : cursor::stepLeft(from, window_.data().rowCount);
    if (to)
        view.setSecondCursor(*to);
}

void TrendGraphKeys::openMenuAtCursor()
{
    TrendGraphView &view = window_.view();
    PictureWidget *picture = view.picture();
    const int x = std::clamp(window_.data().cursorX, 0, picture->width() - 1);
    view.updateMenu();
    view.menu()->popup(picture->mapToGlobal(QPoint(x, picture->height() / 2)));
}
