#include "shell/ReadModeChoice.h"

#include "base/WindowLook.h"
#include "shell/PortSettingsTexts.h"

#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <algorithm>
#include <iterator>

namespace {
constexpr int kRowHeight = 62;
constexpr int kHintHeight = 40; // three lines of hint

constexpr readplan::ReadMode kModesShown[] = {readplan::ReadMode::PerChannel, readplan::ReadMode::EachWord,
                                              readplan::ReadMode::Blocks};

std::size_t modeIndex(readplan::ReadMode mode)
{
    return static_cast<std::size_t>(std::find(std::begin(kModesShown), std::end(kModesShown), mode) -
                                    std::begin(kModesShown));
}
} // namespace

ReadModeChoice::ReadModeChoice(QWidget *dialog) : QObject(dialog)
{
    const QString captions[] = {kReadPerChannelCaption, kReadEachWordCaption, kReadBlocksCaption};
    const QString hints[] = {kReadPerChannelHint, kReadEachWordHint, kReadBlocksHint};
    panel_ = new QGroupBox(kReadModeGroupCaption, dialog);
    panel_->setObjectName(QStringLiteral("readModeGroup"));
    const readplan::ReadMode stored = readplan::storedReadMode();
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        const int top = 18 + static_cast<int>(i) * kRowHeight;
        auto *button = new QRadioButton(captions[i], panel_);
        button->setObjectName(QStringLiteral("reads-") + readplan::readModeName(kModesShown[i]));
        button->setGeometry(8, top, kWidth - 16, 17);
        button->setChecked(kModesShown[i] == stored);
        auto *hint = new QLabel(hints[i], panel_);
        hint->setObjectName(button->objectName() + QStringLiteral("-hint"));
        hint->setFont(windowlook::courierNew(10));
        hint->setWordWrap(true);
        hint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        hint->setGeometry(26, top + 17, kWidth - 34, kHintHeight);
        buttons_[i] = button;
        hints_[i] = hint;
    }
}

QRadioButton *ReadModeChoice::button(readplan::ReadMode mode) const { return buttons_[modeIndex(mode)]; }

QLabel *ReadModeChoice::hint(readplan::ReadMode mode) const { return hints_[modeIndex(mode)]; }

void ReadModeChoice::store() const
{
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        if (buttons_[i]->isChecked())
            readplan::storeReadMode(kModesShown[i]);
    }
}
