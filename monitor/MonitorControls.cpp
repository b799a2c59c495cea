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

} // namespace

MonitorControls MonitorControls::build(QWidget *window)
{
    MonitorControls controls;
    QLabel *title = windowlook::placeLabel(window, "title", kTitle, QRect(kLeft, 4, 170, 28));
    title->setFont(windowlook::courierNew(kTitleFontPixels));
    controls.runStatus = windowlook::placeLabel(window, "runStatus", kStop, QRect(184, 6, 60, 25));
    controls.runStatus->setAlignment(Qt::AlignCenter);
    controls.runStatus->setAutoFillBackground(true);

    controls.release = windowlook::placeButton(window, "releaseButton", kRelease, QRect(252, 5, 75, 27));
    controls.numberBase = windowlook::placeButton(window, "numberBaseButton", kDec, QRect(332, 5, 75, 27));
    controls.release->setToolTip(kReleaseTip);
    controls.numberBase->setToolTip(kNumberBaseTip);
    controls.open = windowlook::placeButton(window, "openButton", kOpen, QRect(440, 5, 75, 27));
    controls.save = windowlook::placeButton(window, "saveButton", kSave, QRect(520, 5, 75, 27));
    controls.print = windowlook::placeButton(window, "printButton", kPrint, QRect(600, 5, 75, 27));

    windowlook::placeLabel(window, "fileNameCaption", kFileNameCaption, QRect(kLeft, 36, 80, 15));
    controls.fileName = windowlook::placeLabel(window, "fileName", QString(), QRect(92, 36, 400, 15));
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
