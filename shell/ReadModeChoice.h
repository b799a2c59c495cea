#pragma once
// The port settings dialog's choice of how a trend pass reads its channels: a panel of the three
// ways, one line of hint under each, opening on the way stored beside the port. The dialog lays the
// panel out beside its own controls and has the choice stored as it ends.

#include "trend/model/ReadPlan.h"

#include <QObject>
#include <array>

class QGroupBox;
class QLabel;
class QRadioButton;
class QWidget;

class ReadModeChoice : public QObject {
    Q_OBJECT
public:
    // The panel's width; its height is the dialog's to give.
    static constexpr int kWidth = 300;

    // The panel is a child of `dialog`, made after every control the dialog had (its place in
    // the tab order).
    explicit ReadModeChoice(QWidget *dialog);

    QGroupBox *panel() const { return panel_; }
    QRadioButton *button(readplan::ReadMode mode) const;
    QLabel *hint(readplan::ReadMode mode) const;
    // The checked way becomes the stored one; none checked stores nothing.
    void store() const;

private:
    static constexpr int kModes = 3;
    QGroupBox *panel_ = nullptr;
    std::array<QRadioButton *, kModes> buttons_{};
    std::array<QLabel *, kModes> hints_{};
};
