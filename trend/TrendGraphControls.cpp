#include "trend/TrendGraphControls.h"

#include "trend/TrendGraphTexts.h"

#include <QLabel>
#include <QPushButton>

namespace {

const QColor kWorkspaceColour(171, 171, 171);

QLabel *makeLabel(QWidget *parent, const QString &text, const QRect &place)
{
    auto *label = new QLabel(text, parent);
    label->setGeometry(place);
    return label;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QString &text, const QRect &place)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(place);
    return button;
}

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
    QLabel *heading = makeLabel(window, kTrendGraphHeading, {9, 4, 257, 26});
    QFont headingFont = window->font();
    headingFont.setBold(true);
    headingFont.setItalic(true);
    headingFont.setPixelSize(16);
    heading->setFont(headingFont);
    setWidgetColours(heading, kWorkspaceColour, Qt::white);

    // Percent of full scale down the left edge, sample numbers under the graph.
    const char *percent[] = {"+100", "+50", "0", "-50", "-100"};
    for (int i = 0; i < 5; ++i)
        makeLabel(window, QString::fromLatin1(percent[i]), {4, 40 + 100 * i - 7, 42, 14})
            ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (int sample : {0, 100, 200, 250})
        makeLabel(window, QString::number(sample), {50 + 2 * sample - 20, 443, 40, 14})
            ->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    TrendGraphControls controls;
    controls.runStatus = makeLabel(window, kRunStatusCaption, {622, 420, 91, 26});
    controls.runStatus->setObjectName(QStringLiteral("RunStatus"));
    controls.runStatus->setAlignment(Qt::AlignCenter);
    setWidgetColours(controls.runStatus, window->palette().color(QPalette::Window), Qt::white);
    makeLabel(window, kCursorMoveCaption, {565, 460, 91, 16});

    controls.open = makeButton(window, "OpenButton", QStringLiteral("Open"), {390, 8, 56, 23});
    controls.save = makeButton(window, "SaveButton", QStringLiteral("Save"), {445, 8, 51, 23});
    controls.print = makeButton(window, "PrintButton", QStringLiteral("Print"), {495, 8, 51, 23});
    controls.numberBase = makeButton(window, "NumberBaseButton", kDecCaption, {750, 55, 36, 18});
    controls.run = makeButton(window, "RunButton", kRunCaption, {725, 420, 56, 26});
    controls.stepLeft = makeButton(window, "StepLeftButton", QStringLiteral("<<"), {660, 455, 27, 26});
    controls.stepRight = makeButton(window, "StepRightButton", QStringLiteral(">>"), {686, 455, 27, 26});
    controls.redraw = makeButton(window, "RedrawButton", QStringLiteral("REDRAW"), {725, 455, 56, 26});
    controls.stepLeft->setToolTip(kStepLeftTip);
    controls.stepRight->setToolTip(kStepRightTip);
    controls.redraw->setToolTip(kRedrawTip);
    controls.numberBase->setToolTip(kNumberBaseTip);
    return controls;
}
