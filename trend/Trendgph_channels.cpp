// Channel set-up controls of the Trend Graph window (placeholder until filled in).
#include "trend/Trendgph.h"

void TTrendDspForm::Edit1Click(QLineEdit *) {}
void TTrendDspForm::CheckBox1Click(QCheckBox *) {}
void TTrendDspForm::BitBtn1Click(QPushButton *) {}
void TTrendDspForm::Edit1DblClick(QLineEdit *) {}
void TTrendDspForm::Edit8DblClick(QLineEdit *) {}
void TTrendDspForm::Edit29DblClick() {}
