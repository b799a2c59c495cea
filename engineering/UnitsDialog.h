#pragma once
// The small dialog that sets one variable's scale in the user's units file: gain, offset and unit
// for a variable name or a word address, or no scale at all. It is the one place the units file is
// written; the line of that variable is replaced where it stands, a new one goes at the end, and
// every other line (comments, lines the reader ignores) is kept as the user wrote it. A file that
// cannot be written is told as every failed save is, and the file there stays as it was.

#include "engineering/UnitsTable.h"

#include <QDialog>
#include <optional>

class Dialogs;
class QLabel;
class QLineEdit;
class QPushButton;

namespace unitsfile {

// `lines` of a units file with the entry of `key` set to `scale`, or taken out when there is none.
QStringList withEntry(const QStringList &lines, const QString &key, const std::optional<UnitScale> &scale);

} // namespace unitsfile

class UnitsDialog : public QDialog {
    Q_OBJECT
public:
    // For `key` (a variable name or a hex address) in the units file at `path`; the fields show its
    // scale there, or gain 1, offset 0 and no unit.
    UnitsDialog(Dialogs &dialogs, const QString &key, const QString &path, QWidget *parent);

    QLineEdit *gain() const { return gain_; }
    QLineEdit *offset() const { return offset_; }
    QLineEdit *unit() const { return unit_; }
    QLabel *problem() const { return problem_; }
    QPushButton *saveButton() const { return save_; }
    QPushButton *removeButton() const { return remove_; }

    // "Save": the fields checked and written; the dialog closes when the file was written.
    void saveScale();
    // "No scale": the variable's line taken out of the file.
    void removeScale();

signals:
    // The units file was written.
    void unitsChanged();

private:
    bool writeWith(const std::optional<UnitScale> &scale);

    Dialogs &dialogs_;
    QString key_;
    QString path_;
    QLineEdit *gain_ = nullptr;
    QLineEdit *offset_ = nullptr;
    QLineEdit *unit_ = nullptr;
    QLabel *problem_ = nullptr;
    QPushButton *save_ = nullptr;
    QPushButton *remove_ = nullptr;
};
