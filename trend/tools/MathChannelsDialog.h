#pragma once
// "Math channels...": up to four lines "NAME = EXPRESSION", each with the full scale it is drawn
// against. OK takes them only when every line can be computed over the channels selected in the
// table; otherwise the dialog says which line is refused and why, and puts the text cursor at the
// fault. It never blocks: it is shown and answers through taken().

#include "engineering/MathExpression.h"
#include "trend/model/MathChannelsFile.h"

#include <QDialog>
#include <array>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;

class MathChannelsDialog : public QDialog {
    Q_OBJECT
public:
    explicit MathChannelsDialog(QWidget *parent);

    // The channels the definitions may name, and the definitions the lines show.
    void setInputs(std::vector<MathInput> inputs) { inputs_ = std::move(inputs); }
    void showDefinitions(const MathChannelDefinitions &definitions);
    void showFileProblems(const QStringList &problems);

    QLineEdit *definition(int line) const { return definitions_[static_cast<std::size_t>(line)]; }
    QLineEdit *fullScale(int line) const { return fullScales_[static_cast<std::size_t>(line)]; }
    QLabel *problem() const { return problem_; }
    // The lines of MathChannels.txt not used, each named; hidden when there are none.
    QLabel *fileProblems() const { return fileProblems_; }
    QPushButton *okButton() const { return ok_; }

    // OK: the lines checked; taken() and the dialog closes when all can be taken, else the problem
    // is shown. Lines left empty are no channels.
    bool takeLines();

signals:
    void taken(const MathChannelDefinitions &definitions);

private:
    std::vector<MathInput> inputs_;
    std::array<QLineEdit *, kMathChannels> definitions_{};
    std::array<QLineEdit *, kMathChannels> fullScales_{};
    QLabel *problem_ = nullptr;
    QLabel *fileProblems_ = nullptr;
    QPushButton *ok_ = nullptr;
};
