#include "trend/tools/MathChannelsDialog.h"

#include "engineering/EngineeringTexts.h"
#include "engineering/MathChannelSet.h"
#include "trend/model/MathChannelsTexts.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

MathChannelsDialog::MathChannelsDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("MathChannelsDialog"));
    setWindowTitle(kMathChannelsTitle);
    auto *layout = new QGridLayout(this);
    auto *help = new QLabel(kMathChannelsHelp, this);
    help->setWordWrap(true);
    layout->addWidget(help, 0, 0, 1, 2);
    layout->addWidget(new QLabel(kMathDefinitionColumn, this), 1, 0);
    layout->addWidget(new QLabel(kMathFullScaleColumn, this), 1, 1);
    for (int line = 0; line < kMathChannels; ++line) {
        auto *definition = new QLineEdit(this);
        definition->setObjectName(QStringLiteral("MathDefinition%1").arg(line + 1));
        definition->setMaxLength(MathExpression::kMaxLength);
        definition->setMinimumWidth(360);
        auto *fullScale = new QLineEdit(this);
        fullScale->setObjectName(QStringLiteral("MathFullScale%1").arg(line + 1));
        fullScale->setMaximumWidth(90);
        layout->addWidget(definition, line + 2, 0);
        layout->addWidget(fullScale, line + 2, 1);
        definitions_[static_cast<std::size_t>(line)] = definition;
        fullScales_[static_cast<std::size_t>(line)] = fullScale;
    }
    fileProblems_ = new QLabel(this);
    fileProblems_->setObjectName(QStringLiteral("MathFileProblems"));
    fileProblems_->setWordWrap(true);
    fileProblems_->setTextFormat(Qt::PlainText);
    fileProblems_->hide();
    layout->addWidget(fileProblems_, kMathChannels + 2, 0, 1, 2);
    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("MathProblem"));
    problem_->setWordWrap(true);
    problem_->setStyleSheet(QStringLiteral("color: #c00000"));
    layout->addWidget(problem_, kMathChannels + 3, 0, 1, 2);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    layout->addWidget(buttons, kMathChannels + 4, 0, 1, 2);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { takeLines(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void MathChannelsDialog::showDefinitions(const MathChannelDefinitions &definitions)
{
    for (std::size_t line = 0; line < definitions_.size(); ++line) {
        const bool shown = line < definitions.size();
        definitions_[line]->setText(shown ? definitions[line].definition : QString());
        fullScales_[line]->setText(shown ? mathchannels::fullScaleText(definitions[line].fullScale) : QString());
    }
    problem_->clear();
}

void MathChannelsDialog::showFileProblems(const QStringList &problems)
{
    fileProblems_->setText(problems.isEmpty() ? QString() : (QStringList{kMathFileLinesNotUsed} + problems).join(u'\n'));
    fileProblems_->setVisible(!problems.isEmpty());
}

bool MathChannelsDialog::takeLines()
{
    MathChannelSet set(inputs_);
    MathChannelDefinitions kept;
    const auto refuse = [this](int line, QLineEdit *field, int position, const QString &text) {
        problem_->setText(kMathChannelRefused.arg(line + 1).arg(text));
        field->setFocus();
        field->setCursorPosition(position);
        return false;
    };
    for (int line = 0; line < kMathChannels; ++line) {
        QLineEdit *definitionField = definitions_[static_cast<std::size_t>(line)];
        QLineEdit *fullScaleField = fullScales_[static_cast<std::size_t>(line)];
        const QString definition = definitionField->text();
        if (definition.trimmed().isEmpty())
            continue;
        MathFault fault;
        if (!set.add(definition, &fault))
            return refuse(line, definitionField, fault.position,
                          engineeringtexts::kMathFault.arg(definition, fault.message).arg(fault.position + 1));
        const std::optional<double> fullScale = mathchannels::parseFullScale(fullScaleField->text());
        if (!fullScale) {
            problem_->setText(kMathFullScaleRefused.arg(line + 1).arg(fullScaleField->text()));
            fullScaleField->setFocus();
            return false;
        }
        kept.push_back({definition.trimmed(), *fullScale});
    }
    problem_->clear();
    emit taken(kept);
    accept();
    return true;
}
