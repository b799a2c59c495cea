#include "engineering/EngineeringControls.h"

#include "engineering/EngineeringTexts.h"
#include "engineering/StepResponse.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>

using namespace engineeringtexts;

EngineeringControls::EngineeringControls(QWidget *parent) : QWidget(parent)
{
    engineeringValues_ = new QCheckBox(kEngineeringValuesCaption, this);
    engineeringValues_->setObjectName(QStringLiteral("EngineeringValues"));
    engineeringValues_->setToolTip(kEngineeringValuesTip);
    unitsNote_ = new QLabel(this);
    unitsNote_->setObjectName(QStringLiteral("UnitsNote"));
    unitsNote_->hide();
    stepChannel_ = new QComboBox(this);
    stepChannel_->setObjectName(QStringLiteral("StepChannel"));
    stepChannel_->addItem(kStepNoChannel, -1);
    stepBand_ = new QDoubleSpinBox(this);
    stepBand_->setObjectName(QStringLiteral("StepBand"));
    stepBand_->setRange(0.1, 50.0);
    stepBand_->setDecimals(1);
    stepBand_->setSingleStep(0.5);
    stepBand_->setValue(stepresponse::kDefaultBandPercent);
    stepBand_->setSuffix(QStringLiteral(" %"));

    connect(engineeringValues_, &QCheckBox::toggled, this, [this](bool on) {
        if (on) {
            units_.read();
            showUnitsNote();
        }
        unitsNote_->setVisible(on);
        emit changed();
    });
    connect(stepChannel_, &QComboBox::activated, this, &EngineeringControls::changed);
    connect(stepBand_, &QDoubleSpinBox::valueChanged, this, &EngineeringControls::changed);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(engineeringValues_);
    layout->addWidget(unitsNote_, 1);
    layout->addStretch(0);
    layout->addWidget(new QLabel(kStepChannelCaption, this));
    layout->addWidget(stepChannel_);
    layout->addWidget(new QLabel(kStepBandCaption, this));
    layout->addWidget(stepBand_);
}

const UnitsTable *EngineeringControls::units()
{
    if (!engineeringValues_->isChecked())
        return nullptr;
    // The units dialog (or an editor) may have changed the file since it was read.
    if (units_.readIfChanged())
        showUnitsNote();
    return &units_.table();
}

void EngineeringControls::showUnitsNote()
{
    unitsNote_->setText(units_.note());
    unitsNote_->setToolTip(units_.noteDetail());
}

void EngineeringControls::offerStepChannels(const std::vector<std::pair<int, QString>> &channels)
{
    const int chosen = chosenStepChannel();
    std::vector<std::pair<int, QString>> offered{{-1, kStepNoChannel}};
    offered.insert(offered.end(), channels.begin(), channels.end());
    bool same = static_cast<int>(offered.size()) == stepChannel_->count();
    for (int i = 0; same && i < stepChannel_->count(); ++i)
        same = stepChannel_->itemData(i).toInt() == offered[static_cast<std::size_t>(i)].first &&
               stepChannel_->itemText(i) == offered[static_cast<std::size_t>(i)].second;
    if (!same) {
        stepChannel_->clear();
        for (const auto &[index, name] : offered)
            stepChannel_->addItem(name, index);
    }
    stepChannel_->setCurrentIndex(std::max(0, stepChannel_->findData(chosen)));
}

int EngineeringControls::chosenStepChannel() const { return stepChannel_->currentData().toInt(); }

double EngineeringControls::bandPercent() const { return stepBand_->value(); }
