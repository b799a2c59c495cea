#include "monitor/MonitorControls.h"

#include "base/WindowLook.h"
#include "monitor/MonitorTexts.h"

#include <QColor>
#include <QLabel>
#include <QPushButton>

using namespace monitor;

namespace {

constexpr int kLeft = 8;
constexpr int kTitleFontPixels = 20;
const QColor kStoppedColour(0x80, 0x80, 0x80);
const QColor kRunningColour(0x00, 0xFF, 0x00);

QLabel *createLabel(QWidget *window, const char *name, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, window);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(geometry);
    return label;
}

QPushButton *createButton(QWidget *window, const char *name, const QString &text, const QRect &geometry)
{
    auto *button = new QPushButton(text, window);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    return button;
}

} // namespace

MonitorControls MonitorControls::build(QWidget *window)
{
    MonitorControls controls;
    QLabel *title = createLabel(window, "title", kTitle, QRect(kLeft, 4, 170, 28));
    title->setFont(windowlook::courierNew(kTitleFontPixels));
    controls.runStatus = createLabel(window, "runStatus", kStop, QRect(184, 6, 60, 25));
    controls.runStatus->setAlignment(Qt::AlignCenter);
    controls.runStatus->setAutoFillBackground(true);

    controls.release = createButton(window, "releaseButton", kRelease, QRect(252, 5, 75, 27));
    controls.numberBase = createButton(window, "numberBaseButton", kDec, QRect(332, 5, 75, 27));
    controls.release->setToolTip(kReleaseTip);
    controls.numberBase->setToolTip(kNumberBaseTip);
    controls.open = createButton(window, "openButton", kOpen, QRect(440, 5, 75, 27));
    controls.save = createButton(window, "saveButton", kSave, QRect(520, 5, 75, 27));
    controls.print = createButton(window, "printButton", kPrint, QRect(600, 5, 75, 27));

    createLabel(window, "fileNameCaption", kFileNameCaption, QRect(kLeft, 36, 80, 15));
    controls.fileName = createLabel(window, "fileName", QString(), QRect(92, 36, 400, 15));
    return controls;
}

void MonitorControls::showReleased(bool released) const
{
    release->setText(released ? kPause : kRelease);
    runStatus->setText(released ? kRunning : kStop);
    QPalette palette = runStatus->palette();
    palette.setColor(QPalette::Window, released ? kRunningColour : kStoppedColour);
    runStatus->setPalette(palette);
}

void MonitorControls::enableFileButtons(bool enabled) const
{
    print->setEnabled(enabled);
    save->setEnabled(enabled);
    open->setEnabled(enabled);
}
