#include "trend/tools/TriggerDialog.h"

#include "trend/model/Cursor.h"
#include "trend/readout/TrendGraphTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace {

QComboBox *newBox(QWidget *parent, const char *name)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    return box;
}

QLineEdit *newLevel(QWidget *parent, const char *name)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    return edit;
}

} // namespace

TriggerDialog::TriggerDialog(QWidget *window) : QDialog(window, Qt::Tool)
{
    setObjectName(QStringLiteral("TriggerDialog"));
    setWindowTitle(kTriggerTitle);
    source_ = newBox(this, "TriggerSource");
    condition_ = newBox(this, "TriggerCondition");
    level_ = newLevel(this, "TriggerLevel");
    second_ = new QCheckBox(kTriggerSecondLabel, this);
    second_->setObjectName(QStringLiteral("TriggerSecond"));
    combine_ = newBox(this, "TriggerCombine");
    combine_->addItems(kTriggerCombinations);
    secondSource_ = newBox(this, "TriggerSecondSource");
    secondCondition_ = newBox(this, "TriggerSecondCondition");
    secondLevel_ = newLevel(this, "TriggerSecondLevel");
    position_ = new QSpinBox(this);
    position_->setObjectName(QStringLiteral("TriggerPosition"));
    position_->setRange(0, kRingRows - 1);
    position_->setValue(trigger::kDefaultPreRows);
    wait_ = new QCheckBox(kTriggerWaitLabel, this);
    wait_->setObjectName(QStringLiteral("TriggerWaitForPreRows"));
    wait_->setChecked(true);
    arm_ = new QPushButton(kTriggerArmCaption, this);
    arm_->setObjectName(QStringLiteral("TriggerArm"));
    disarm_ = new QPushButton(kTriggerDisarmCaption, this);
    disarm_->setObjectName(QStringLiteral("TriggerDisarm"));

    auto *form = new QFormLayout(this);
    form->addRow(kTriggerSourceLabel, source_);
    form->addRow(kTriggerConditionLabel, condition_);
    form->addRow(kTriggerLevelLabel.arg(kDecCaption), level_);
    form->addRow(second_, combine_);
    form->addRow(kTriggerSourceLabel, secondSource_);
    form->addRow(kTriggerConditionLabel, secondCondition_);
    form->addRow(kTriggerLevelLabel.arg(kDecCaption), secondLevel_);
    form->addRow(kTriggerPositionLabel, position_);
    form->addRow(wait_);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(arm_);
    buttons->addWidget(disarm_);
    form->addRow(buttons);

    connect(source_, &QComboBox::currentIndexChanged, this, [this] { fitCondition(source_, condition_, level_); });
    connect(secondSource_, &QComboBox::currentIndexChanged, this,
            [this] { fitCondition(secondSource_, secondCondition_, secondLevel_); });
    connect(second_, &QCheckBox::toggled, this, &TriggerDialog::fitSecond);
    connect(arm_, &QPushButton::clicked, this, &TriggerDialog::arm);
    connect(disarm_, &QPushButton::clicked, this, &TriggerDialog::disarmAsked);
    fitSecond();
}

void TriggerDialog::fitCondition(QComboBox *source, QComboBox *condition, QLineEdit *level)
{
    const bool logic = source->currentData().toInt() >= kAnalogChannels;
    const QStringList &items = logic ? kTriggerLogicConditions : kTriggerAnalogConditions;
    const int kept = std::max(0, condition->currentIndex());
    condition->clear();
    condition->addItems(items);
    condition->setCurrentIndex(kept);
    level->setEnabled(!logic && (source != secondSource_ || second_->isChecked()));
}

void TriggerDialog::fitSecond()
{
    const bool on = second_->isChecked();
    for (QWidget *control : {static_cast<QWidget *>(combine_), static_cast<QWidget *>(secondSource_),
                             static_cast<QWidget *>(secondCondition_)})
        control->setEnabled(on);
    fitCondition(secondSource_, secondCondition_, secondLevel_);
}

void TriggerDialog::showCondition(const trigger::Condition &condition, QComboBox *source, QComboBox *conditionBox,
                                  QLineEdit *level)
{
    const int index = source->findData(condition.channel);
    if (index < 0)
        return;
    source->setCurrentIndex(index);
    fitCondition(source, conditionBox, level);
    conditionBox->setCurrentIndex(static_cast<int>(condition.edge));
    if (!condition.isLogic())
        level->setText(cursor::valueText(condition.channel, condition.level,
                                         hex_ ? cursor::Base::Hex : cursor::Base::Dec, cursor::LogicText::Value));
}

void TriggerDialog::showSetup(const std::vector<Channel> &channels, const std::optional<trigger::TriggerSetup> &setup,
                              bool hex, bool armed)
{
    hex_ = hex;
    auto *form = static_cast<QFormLayout *>(layout());
    for (QLineEdit *level : {level_, secondLevel_})
        if (auto *label = qobject_cast<QLabel *>(form->labelForField(level)))
            label->setText(kTriggerLevelLabel.arg(hex ? kHexCaption : kDecCaption));
    for (QComboBox *box : {source_, secondSource_}) {
        const QSignalBlocker blocker(box);
        box->clear();
        for (const auto &[channel, name] : channels)
            box->addItem(name, channel);
    }
    level_->clear();
    secondLevel_->clear();
    fitCondition(source_, condition_, level_);
    second_->setChecked(false);
    wait_->setChecked(!setup || setup->waitForPreRows);
    if (setup) {
        showCondition(setup->first, source_, condition_, level_);
        second_->setChecked(setup->second.has_value());
        if (setup->second)
            showCondition(*setup->second, secondSource_, secondCondition_, secondLevel_);
        combine_->setCurrentIndex(setup->combine == trigger::Combine::And ? 0 : 1);
        position_->setValue(setup->preRows);
    }
    fitSecond();
    showArmed(armed);
}

void TriggerDialog::showArmed(bool armed)
{
    arm_->setEnabled(!armed);
    disarm_->setEnabled(armed);
}

std::optional<trigger::Condition> TriggerDialog::conditionFromControls(const QComboBox *source,
                                                                       const QComboBox *conditionBox,
                                                                       const QLineEdit *level, QString *message) const
{
    if (source->currentIndex() < 0) {
        *message = kTriggerNoChannel;
        return std::nullopt;
    }
    trigger::Condition condition;
    condition.channel = source->currentData().toInt();
    condition.edge = static_cast<trigger::Edge>(std::max(0, conditionBox->currentIndex()));
    if (condition.isLogic())
        return condition;
    const std::optional<std::int32_t> value = trigger::parseLevelText(level->text(), hex_);
    if (!value) {
        *message = kTriggerBadLevel.arg(hex_ ? kHexCaption : kDecCaption);
        return std::nullopt;
    }
    condition.level = *value;
    return condition;
}

std::optional<trigger::TriggerSetup> TriggerDialog::setupFromControls(QString *message) const
{
    trigger::TriggerSetup setup;
    const std::optional<trigger::Condition> first = conditionFromControls(source_, condition_, level_, message);
    if (!first)
        return std::nullopt;
    setup.first = *first;
    if (second_->isChecked()) {
        setup.second = conditionFromControls(secondSource_, secondCondition_, secondLevel_, message);
        if (!setup.second)
            return std::nullopt;
        if (setup.second->channel == setup.first.channel) {
            *message = kTriggerSameChannel;
            return std::nullopt;
        }
        setup.combine = combine_->currentIndex() == 0 ? trigger::Combine::And : trigger::Combine::Or;
    }
    setup.preRows = position_->value();
    setup.waitForPreRows = wait_->isChecked();
    return setup;
}

void TriggerDialog::arm()
{
    QString message;
    if (const std::optional<trigger::TriggerSetup> setup = setupFromControls(&message))
        emit armAsked(*setup);
    else
        emit refused(message);
}
