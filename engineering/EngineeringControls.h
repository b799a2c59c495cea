#pragma once
// The row of controls a read-out shows engineering values and step figures with: "Engineering
// values" (the word channels that have a scale in the units file as raw x gain + offset with their
// unit), a note of what the units file gave (its ignored lines in the tooltip), the channel whose
// step response is wanted and the settling band. The Trend Graph's Read-out window and the
// Recording window each show one; the window works out the texts.

#include "engineering/UnitsFile.h"

#include <QString>
#include <QWidget>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;

class EngineeringControls : public QWidget {
    Q_OBJECT
public:
    explicit EngineeringControls(QWidget *parent);

    QCheckBox *engineeringValues() const { return engineeringValues_; }
    QLabel *unitsNote() const { return unitsNote_; }
    QComboBox *stepChannel() const { return stepChannel_; }
    QDoubleSpinBox *stepBand() const { return stepBand_; }

    // Where the units file is read from; the user's Units.txt unless a test says otherwise.
    void setUnitsPath(const QString &path) { units_.setPath(path); }
    // The scales while engineering values are shown (the file read again when it has changed since),
    // else null.
    const UnitsTable *units();

    // The channels a step response can be asked of, by their index and name; the one chosen stays
    // chosen while it is among them.
    void offerStepChannels(const std::vector<std::pair<int, QString>> &channels);
    // The chosen channel's index, -1 for none.
    int chosenStepChannel() const;
    double bandPercent() const;

signals:
    // What is to be shown changed: the window shows its read-out again.
    void changed();

private:
    void showUnitsNote();

    UnitsFile units_;
    QCheckBox *engineeringValues_ = nullptr;
    QLabel *unitsNote_ = nullptr;
    QComboBox *stepChannel_ = nullptr;
    QDoubleSpinBox *stepBand_ = nullptr;
};
