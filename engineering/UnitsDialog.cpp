#include "engineering/UnitsDialog.h"

#include "base/Dialogs.h"
#include "base/SaveFailure.h"
#include "base/TextFile.h"
#include "engineering/EngineeringTexts.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

namespace unitsfile {

namespace {

// Whether two keys name the same variable: the same name, or the same address however written.
bool sameKey(const QString &a, const QString &b)
{
    if (a == b)
        return true;
    const std::optional<std::uint32_t> left = UnitsTable::keyAddress(a);
    return left && left == UnitsTable::keyAddress(b);
}

} // namespace

QStringList withEntry(const QStringList &lines, const QString &key, const std::optional<UnitScale> &scale)
{
    // The line the reader takes for the key (the first of several), found as the reader finds it.
    const UnitsTable table = UnitsTable::parse(lines, UnitsTable::fileName());
    int lineIndex = -1;
    for (const UnitsEntry &entry : table.entries())
        if (sameKey(entry.key, key)) {
            lineIndex = entry.line - 1;
            break;
        }
    QStringList edited = lines;
    if (!scale) {
        if (lineIndex >= 0 && lineIndex < edited.size())
            edited.removeAt(lineIndex);
        return edited;
    }
    // The entry's line written as the table writes its lines.
    UnitsTable one;
    one.set(key, *scale);
    const QString line = one.toLines().constLast();
    if (lineIndex >= 0 && lineIndex < edited.size())
        edited[lineIndex] = line;
    else {
        if (edited.isEmpty())
            edited << engineeringtexts::kUnitsFileHeader;
        edited << line;
    }
    return edited;
}

} // namespace unitsfile

UnitsDialog::UnitsDialog(Dialogs &dialogs, const QString &key, const QString &path, QWidget *parent)
    : QDialog(parent), dialogs_(dialogs), key_(key), path_(path)
{
    setObjectName(QStringLiteral("UnitsDialog"));
    setWindowTitle(engineeringtexts::kUnitsDialogTitle.arg(key));
    const UnitsTable table = UnitsTable::read(path);
    const UnitScale *current = table.find(UnitsTable::keyAddress(key) ? QString() : key, UnitsTable::keyAddress(key));
    const UnitScale shown = current ? *current : UnitScale{};

    gain_ = new QLineEdit(UnitsTable::numberText(shown.gain), this);
    offset_ = new QLineEdit(UnitsTable::numberText(shown.offset), this);
    unit_ = new QLineEdit(shown.unit, this);
    problem_ = new QLabel(this);
    problem_->setStyleSheet(QStringLiteral("color: #b00000"));
    auto *place = new QLabel(QFileInfo(path).fileName(), this);
    place->setToolTip(path);

    auto *buttons = new QDialogButtonBox(this);
    save_ = buttons->addButton(engineeringtexts::kUnitsSaveCaption, QDialogButtonBox::AcceptRole);
    remove_ = buttons->addButton(engineeringtexts::kUnitsRemoveCaption, QDialogButtonBox::DestructiveRole);
    remove_->setEnabled(current != nullptr);
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(save_, &QPushButton::clicked, this, &UnitsDialog::saveScale);
    connect(remove_, &QPushButton::clicked, this, &UnitsDialog::removeScale);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *form = new QFormLayout;
    form->addRow(engineeringtexts::kUnitsGainCaption, gain_);
    form->addRow(engineeringtexts::kUnitsOffsetCaption, offset_);
    form->addRow(engineeringtexts::kUnitsUnitCaption, unit_);
    form->addRow(engineeringtexts::kUnitsFileCaption, place);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(engineeringtexts::kUnitsFormula, this));
    layout->addLayout(form);
    layout->addWidget(problem_);
    layout->addWidget(buttons);
}

void UnitsDialog::saveScale()
{
    bool gainOk = false, offsetOk = false;
    const double gain = gain_->text().trimmed().toDouble(&gainOk);
    const double offset = offset_->text().trimmed().toDouble(&offsetOk);
    const QString unit = unit_->text().trimmed();
    if (!gainOk || !std::isfinite(gain) || gain == 0) {
        problem_->setText(engineeringtexts::kUnitsDialogBadGain);
        return;
    }
    if (!offsetOk || !std::isfinite(offset)) {
        problem_->setText(engineeringtexts::kUnitsDialogBadOffset);
        return;
    }
    if (unit.contains(u'\t') || unit.contains(u'#')) {
        problem_->setText(engineeringtexts::kUnitsDialogBadUnit);
        return;
    }
    if (writeWith(UnitScale{gain, offset, unit}))
        accept();
}

void UnitsDialog::removeScale()
{
    if (writeWith(std::nullopt))
        accept();
}

bool UnitsDialog::writeWith(const std::optional<UnitScale> &scale)
{
    // The file as it is now, not as it was when the dialog opened: another edit is kept.
    QString error;
    QStringList lines;
    if (QFileInfo::exists(path_)) {
        const std::optional<QStringList> read = textfile::readLines(path_, &error);
        if (!read) {
            savefailure::report(dialogs_, engineeringtexts::kUnitsNotSaved, path_, error);
            return false;
        }
        lines = *read;
    }
    if (!textfile::writeAtomically(path_, textfile::joinLinesCrLf(unitsfile::withEntry(lines, key_, scale)), &error)) {
        savefailure::report(dialogs_, engineeringtexts::kUnitsNotSaved, path_, error);
        return false;
    }
    emit unitsChanged();
    return true;
}
