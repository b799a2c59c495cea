#include "trend/window/TrendGraphControls.h"

#include "base/WindowLook.h"
#include "trend/readout/TrendGraphTexts.h"

#include <QLabel>
#include <QPushButton>

namespace {

const QColor kWorkspaceColour(171, 171, 171);
const QColor kRunGreen(0, 255, 0);
const QColor kStopGrey(128, 128, 128);

} // namespace

void setWidgetColours(QWidget *widget, const QColor &background, const QColor &text)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

TrendGraphControls TrendGraphControls::build(QWidget *window)
{
    QLabel *heading = windowlook::placeLabel(window, nullptr, kTrendGraphHeading, {9, 4, 257, 26});
    QFont headingFont = window->font();
    headingFont.setBold(true);
    headingFont.setItalic(true);
    headingFont.setPixelSize(16);
    heading->setFont(headingFont);
    setWidgetColours(heading, kWorkspaceColour, Qt::white);

    // Percent of full scale down the left edge, sample numbers under the graph.
    for (int i = 0; i < kFullScalePercentCaptions.size(); ++i)
        windowlook::placeLabel(window, nullptr, kFullScalePercentCaptions[i], {4, 40 + 100 * i - 7, 42, 14})
            ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (int sample : {0, 100, 200, 250})
        windowlook::placeLabel(window, nullptr, QString::number(sample), {50 + 2 * sample - 20, 443, 40, 14})
            ->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    TrendGraphControls controls;
    controls.runStatus = windowlook::placeLabel(window, nullptr, kRunStatusCaption, {622, 420, 91, 26});
    controls.runStatus->setObjectName(QStringLiteral("RunStatus"));
    controls.runStatus->setAlignment(Qt::AlignCenter);
    setWidgetColours(controls.runStatus, window->palette().color(QPalette::Window), Qt::white);
    windowlook::placeLabel(window, nullptr, kCursorMoveCaption, {565, 460, 91, 16});

    controls.open = windowlook::placeButton(window, "OpenButton", kOpenCaption, {390, 8, 56, 23});
    controls.save = windowlook::placeButton(window, "SaveButton", kSaveCaption, {445, 8, 51, 23});
    controls.print = windowlook::placeButton(window, "PrintButton", kPrintCaption, {495, 8, 51, 23});
    controls.numberBase = windowlook::placeButton(window, "NumberBaseButton", kDecCaption, {750, 55, 36, 18});
    controls.run = windowlook::placeButton(window, "RunButton", kRunCaption, {725, 420, 56, 26});
    controls.stepLeft = windowlook::placeButton(window, "StepLeftButton", kStepLeftCaption, {660, 455, 27, 26});
    controls.stepRight = windowlook::placeButton(window, "StepRightButton", kStepRightCaption, {686, 455, 27, 26});
    controls.redraw = windowlook::placeButton(window, "RedrawButton", kRedrawCaption, {725, 455, 56, 26});
    controls.stepLeft->setToolTip(kStepLeftTip);
    controls.stepRight->setToolTip(kStepRightTip);
    controls.redraw->setToolTip(kRedrawTip);
    controls.numberBase->setToolTip(kNumberBaseTip);
    return controls;
}

void TrendGraphControls::showRunning()
{
    runStatus->setText(kRunningStatus);
    setWidgetColours(runStatus, kRunGreen, Qt::white);
    disableRecordingButtons();
}

void TrendGraphControls::showStopped()
{
    runStatus->setText(kStoppedStatus);
    setWidgetColours(runStatus, kStopGrey, Qt::white);
    for (QPushButton *button : {redraw, open, save, print})
        button->setEnabled(true);
}

void TrendGraphControls::disableRecordingButtons()
{
    setCursorButtonsEnabled(false);
    for (QPushButton *button : {redraw, open, save, print})
        button->setEnabled(false);
}

void TrendGraphControls::setCursorButtonsEnabled(bool enabled)
{
    for (QPushButton *button : {stepLeft, stepRight, numberBase})
        button->setEnabled(enabled);
}
