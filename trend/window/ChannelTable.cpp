#include "trend/window/ChannelTable.h"

#include "engineering/EngineeringTexts.h"
#include "engineering/UnitsDialog.h"
#include "trend/readout/TrendGraphTexts.h"
#include "trend/graph/PictureWidget.h"
#include "trend/model/RunStart.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <algorithm>

namespace {

const QColor kTeal(0, 128, 128);
const QColor kMaroon(128, 0, 0);

// Places in window coordinates, turned into the table's own by tableRect().
constexpr int kAnalogRowTop = 95;
constexpr int kLogicRowTop = 265;
constexpr int kRowPitch = 20;
constexpr int kRowHeight = 21;

QRect tableRect(int x, int y, int width, int height)
{
    return {x - ChannelTable::kPlace.x(), y - ChannelTable::kPlace.y(), width, height};
}

int rowTop(int channel)
{
    return channel < kAnalogChannels ? kAnalogRowTop + kRowPitch * channel
                                     : kLogicRowTop + kRowPitch * (channel - kAnalogChannels);
}

QLabel *makeCaption(QWidget *parent, const QString &text, const QRect &place, int pixelSize = 0)
{
    auto *caption = new QLabel(text, parent);
    caption->setGeometry(place);
    if (pixelSize > 0) {
        QFont small = parent->font();
        small.setPixelSize(pixelSize);
        caption->setFont(small);
    }
    return caption;
}

} // namespace

ChannelTable::ChannelTable(Workspace &ws, const QImage &key, QWidget *window) : QWidget(window), ws_(ws)
{
    setGeometry(kPlace);
    buildCaptions();
    keyPicture_ = new PictureWidget(key, this);
    keyPicture_->setObjectName(QStringLiteral("ColourKey"));
    keyPicture_->setGeometry(tableRect(552, 94, key.width(), key.height()));
    // The logic block's "Sel" lies over the key strip's top.
    logicSelectCaption_->raise();
    for (int c = 0; c < kChannels; ++c)
        buildRow(c);
}

void ChannelTable::buildCaptions()
{
    // "Adrs" over "Labl" names the address-or-name column.
    makeCaption(this, kSelectColumnCaption, tableRect(550, 79, 24, 16));
    makeCaption(this, kAddressColumnCaption, tableRect(576, 67, 24, 12), 10);
    makeCaption(this, kLabelColumnCaption, tableRect(576, 80, 24, 12), 10);
    makeCaption(this, kAnalogColumnsCaption, tableRect(600, 79, 190, 16));
    logicSelectCaption_ = makeCaption(this, kSelectColumnCaption, tableRect(550, 249, 24, 16));
    makeCaption(this, kAddressColumnCaption, tableRect(576, 237, 24, 12), 10);
    makeCaption(this, kLabelColumnCaption, tableRect(576, 250, 24, 12), 10);
    makeCaption(this, kLogicColumnsCaption, tableRect(600, 249, 190, 16));
}

QLineEdit *ChannelTable::makeField(const QString &text, const QRect &place)
{
    auto *field = new QLineEdit(text, this);
    field->setGeometry(place);
    field->installEventFilter(this);
    return field;
}

void ChannelTable::buildRow(int c)
{
    const bool analog = c < kAnalogChannels;
    const int top = rowTop(c);
    ChannelRow &row = rows_[static_cast<std::size_t>(c)];

    row.selected = new QCheckBox(this);
    row.selected->setGeometry(tableRect(555, top, 16, 16));
    connect(row.selected, &QCheckBox::clicked, this, [this, c](bool checked) {
        if (!mayChange()) {
            rows_[static_cast<std::size_t>(c)].selected->setChecked(!checked);
            return;
        }
        emit touched();
    });

    row.addressKind = new QPushButton(this);
    row.addressKind->setGeometry(tableRect(575, top, 21, kRowHeight));
    setAddressKind(c, AddressKind::Name);
    connect(row.addressKind, &QPushButton::clicked, this, [this, c] { toggleAddressKind(c); });

    row.name = makeField(QString(), tableRect(600, top, 76, kRowHeight));
    row.scale = makeField(analog ? QStringLiteral("32767") : QStringLiteral("0"),
                          analog ? tableRect(680, top, 51, kRowHeight) : tableRect(690, top, 26, kRowHeight));
    row.value = makeField(analog ? QStringLiteral("-32767") : QStringLiteral("0"),
                          analog ? tableRect(735, top, 50, kRowHeight) : tableRect(750, top, 26, kRowHeight));
    // The value fields show once there are values: after REDRAW or Open.
    row.value->hide();
    row.selected->setToolTip(kSelectTip);
    row.addressKind->setToolTip(kAddressKindTip);
    row.name->setToolTip(analog ? kNameFieldTip : kLogicNameFieldTip);
    if (analog) {
        // Beside the field's own editing items, the variable's scale to engineering values.
        row.name->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(row.name, &QLineEdit::customContextMenuRequested, this, [this, c](const QPoint &at) {
            QLineEdit *field = rows_[static_cast<std::size_t>(c)].name;
            QMenu *menu = field->createStandardContextMenu();
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->addSeparator();
            QAction *units = menu->addAction(engineeringtexts::kUnitsMenuCaption, this, [this, c] { openUnitsDialog(c); });
            units->setEnabled(!field->text().trimmed().isEmpty());
            menu->popup(field->mapToGlobal(at));
        });
    }
    row.scale->setToolTip(analog ? kFullScaleTip : kBitTip);
}

UnitsDialog *ChannelTable::openUnitsDialog(int channel)
{
    if (channel < 0 || channel >= kAnalogChannels)
        return nullptr;
    const QString key = rows_[static_cast<std::size_t>(channel)].name->text().trimmed();
    if (key.isEmpty())
        return nullptr;
    auto *dialog = new UnitsDialog(ws_.dialogs, key, UnitsTable::defaultPath(), window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &UnitsDialog::unitsChanged, this, &ChannelTable::unitsChanged);
    dialog->open();
    return dialog;
}

bool ChannelTable::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick)
        return QWidget::eventFilter(watched, event);
    for (int c = 0; c < kChannels; ++c) {
        const ChannelRow &row = rows_[static_cast<std::size_t>(c)];
        if (watched == row.name || watched == row.scale) {
            if (type == QEvent::MouseButtonPress)
                emit touched();
            else if (watched == row.name)
                c < kAnalogChannels ? pickAnalogName(c) : pickLogicNameAndBit(c);
            break;
        }
        if (watched == row.value) {
            if (type == QEvent::MouseButtonDblClick && c == 0)
                pickBitIntoFirstValue();
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ChannelTable::setAddressKind(int channel, AddressKind kind)
{
    if (channel < 0 || channel >= kChannels)
        return;
    addressKinds_[static_cast<std::size_t>(channel)] = kind;
    QPushButton *button = rows_[static_cast<std::size_t>(channel)].addressKind;
    button->setText(kind == AddressKind::Name ? kNameKindCaption : kAddressKindCaption);
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, kind == AddressKind::Name ? kTeal : kMaroon);
    button->setPalette(palette);
}

void ChannelTable::toggleAddressKind(int channel)
{
    if (!mayChange())
        return;
    emit touched();
    setAddressKind(channel, addressKind(channel) == AddressKind::Address ? AddressKind::Name : AddressKind::Address);
}

void ChannelTable::showRecords(const std::array<ChannelRecord, kChannels> &channels)
{
    for (int c = 0; c < kChannels; ++c) {
        const ChannelRecord &record = channels[static_cast<std::size_t>(c)];
        const ChannelRow &row = rows_[static_cast<std::size_t>(c)];
        row.selected->setChecked(record.selected);
        setAddressKind(c, record.addressKind);
        row.name->setText(record.addressOrName);
        row.scale->setText(record.fullScale);
    }
}

bool ChannelTable::takeSelection(std::array<ChannelRecord, kChannels> &channels) const
{
    for (int c = 0; c < kChannels; ++c)
        channels[static_cast<std::size_t>(c)].selected = rows_[static_cast<std::size_t>(c)].selected->isChecked();
    return std::any_of(channels.begin(), channels.end(), [](const ChannelRecord &r) { return r.selected; });
}

void ChannelTable::takeSettings(std::array<ChannelRecord, kChannels> &channels) const
{
    for (int c = 0; c < kChannels; ++c) {
        ChannelRecord &record = channels[static_cast<std::size_t>(c)];
        const ChannelRow &row = rows_[static_cast<std::size_t>(c)];
        record.addressKind = addressKinds_[static_cast<std::size_t>(c)];
        record.addressOrName = runstart::removeSpaces(row.name->text());
        record.fullScale = row.scale->text();
    }
}

bool ChannelTable::analogScalesPass() const
{
    return std::all_of(rows_.begin(), rows_.begin() + kAnalogChannels,
                       [](const ChannelRow &row) { return runstart::fullScaleTextPasses(row.scale->text()); });
}

void ChannelTable::showForRunning()
{
    for (const ChannelRow &row : rows_) {
        row.name->show();
        row.scale->show();
        row.selected->show();
        row.addressKind->show();
        row.value->hide();
    }
}

void ChannelTable::showSelectedRows(const std::array<ChannelRecord, kChannels> &channels)
{
    for (int c = 0; c < kChannels; ++c) {
        const bool shown = channels[static_cast<std::size_t>(c)].selected;
        const ChannelRow &row = rows_[static_cast<std::size_t>(c)];
        for (QWidget *control : {static_cast<QWidget *>(row.name), static_cast<QWidget *>(row.scale),
                                 static_cast<QWidget *>(row.value), static_cast<QWidget *>(row.selected),
                                 static_cast<QWidget *>(row.addressKind)})
            control->setVisible(shown);
    }
}

void ChannelTable::setValueText(int channel, const QString &text)
{
    if (channel >= 0 && channel < kChannels)
        rows_[static_cast<std::size_t>(channel)].value->setText(text);
}

// ---------------------------------------------------------------------------------------------
// Picks from the Variables List

void ChannelTable::pickAnalogName(int channel)
{
    const VariableChoice choice = ws_.links.variableChoice();
    if (!choice.listShown || !mayChange())
        return;
    emit touched();
    if (!ws_.session.state().variablesListOpen) {
        ws_.dialogs.showMessage(kOpenVariablesList);
        return;
    }
    // With no name selected there is nothing to take; the field keeps its text.
    if (choice.nameLine < 0)
        return;
    rows_[static_cast<std::size_t>(channel)].name->setText(choice.name);
    setAddressKind(channel, AddressKind::Name);
}

void ChannelTable::pickLogicNameAndBit(int channel)
{
    if (!mayChange())
        return;
    emit touched();
    if (!ws_.session.state().variablesListOpen) {
        ws_.dialogs.showMessage(kOpenVariablesList);
        return;
    }
    // The name is the variable list entry behind the selected line, less its address and comma.
    // The name and the bit are taken each when its list has a selection, so a bit can be changed
    // alone.
    const VariableChoice choice = ws_.links.variableChoice();
    const QStringList &variables = ws_.catalogue.variableList;
    const ChannelRow &row = rows_[static_cast<std::size_t>(channel)];
    if (choice.nameLine >= 0 && choice.nameLine < variables.size() && variables.at(choice.nameLine) != u"END") {
        row.name->setText(variables.at(choice.nameLine).mid(9));
        setAddressKind(channel, AddressKind::Name);
    }
    if (choice.bitNumber)
        row.scale->setText(*choice.bitNumber);
}

void ChannelTable::pickBitIntoFirstValue()
{
    if (!ws_.session.state().variablesListOpen) {
        ws_.dialogs.showMessage(kOpenVariablesList);
        return;
    }
    if (const auto bit = ws_.links.variableChoice().bitNumber)
        rows_[0].value->setText(*bit);
}
