#pragma once
// "Trigger...": a small tool window of the Trend Graph where the trigger is set up and armed. It
// offers the selected channels, named as the table shows them, a condition fitting the channel
// (a level for an analog one, typed in the window's Dec or Hex), an optional second condition
// joined by AND or OR, the rows kept before the trigger and whether it waits until they are stored
// (checked at first). Arm hands the set-up to the window;
// the dialog keeps no state of its own beyond its controls.

#include "trend/model/Trigger.h"

#include <QDialog>
#include <optional>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

class TriggerDialog : public QDialog {
    Q_OBJECT
public:
    // A channel the trigger can watch: its number (0..13) and its name as the table shows it.
    using Channel = std::pair<int, QString>;

    explicit TriggerDialog(QWidget *window);

    // Fills the controls: the channels offered, the set-up to show (or the first channel rising
    // through 0), the number base of the levels, and whether the trigger is armed.
    void showSetup(const std::vector<Channel> &channels, const std::optional<trigger::TriggerSetup> &setup, bool hex,
                   bool armed);
    void showArmed(bool armed);
    // The set-up the controls describe, or the message saying what is missing.
    std::optional<trigger::TriggerSetup> setupFromControls(QString *message) const;

    // Controls, by role.
    QComboBox *sourceBox() const { return source_; }
    QComboBox *conditionBox() const { return condition_; }
    QLineEdit *levelEdit() const { return level_; }
    QSpinBox *positionBox() const { return position_; }
    QCheckBox *waitBox() const { return wait_; }
    QPushButton *armButton() const { return arm_; }
    QPushButton *disarmButton() const { return disarm_; }

signals:
    void armAsked(const trigger::TriggerSetup &setup);
    void disarmAsked();
    // Arm was pressed on controls that describe no trigger.
    void refused(const QString &message);

private:
    void arm();
    // The condition list and the level fitting the chosen channel.
    void fitCondition(QComboBox *source, QComboBox *condition, QLineEdit *level);
    void showCondition(const trigger::Condition &condition, QComboBox *source, QComboBox *conditionBox, QLineEdit *level);
    std::optional<trigger::Condition> conditionFromControls(const QComboBox *source, const QComboBox *condition,
                                                            const QLineEdit *level, QString *message) const;
    void fitSecond();

    QComboBox *source_ = nullptr;
    QComboBox *condition_ = nullptr;
    QLineEdit *level_ = nullptr;
    QCheckBox *second_ = nullptr;
    QComboBox *combine_ = nullptr;
    QComboBox *secondSource_ = nullptr;
    QComboBox *secondCondition_ = nullptr;
    QLineEdit *secondLevel_ = nullptr;
    QSpinBox *position_ = nullptr;
    QCheckBox *wait_ = nullptr;
    QPushButton *arm_ = nullptr;
    QPushButton *disarm_ = nullptr;
    bool hex_ = false;
};
