#pragma once
// The channel table of the Trend Graph: seven analog and seven logic rows, each with its selection
// box, its address-or-name button ("A"/"L"), the name or address, the full scale (analog) or bit
// number (logic), and the value at the cursor. Names and bits are picked from the Variables List
// by double-clicking the name field. Any click into the table tells the window first, which ends
// an active run.

#include "program/Workspace.h"
#include "trend/model/TrendData.h"

#include <QWidget>
#include <functional>
#include <array>

class PictureWidget;
class QCheckBox;
class QLabel;
class QLineEdit;
class UnitsDialog;
class QPushButton;

// The controls of one channel.
struct ChannelRow {
    QCheckBox *selected = nullptr;
    QPushButton *addressKind = nullptr; // "A" address (maroon) or "L" variable name (teal)
    QLineEdit *name = nullptr;          // variable name or hex address
    QLineEdit *scale = nullptr;         // analog: full scale; logic: bit number
    QLineEdit *value = nullptr;         // the value at the cursor, shown after REDRAW or Open
};

class ChannelTable : public QWidget {
    Q_OBJECT
public:
    // Where the table lies in the window (the graph's last column, x 550, lies left of it); the
    // colour key strip lies in it, under the rows.
    static constexpr QRect kPlace{551, 67, 239, 347};

    // `key` is the colour key picture, shown beside the rows.
    ChannelTable(Workspace &ws, const QImage &key, QWidget *window);

    PictureWidget *keyPicture() const { return keyPicture_; }

    const ChannelRow &row(int channel) const { return rows_[static_cast<std::size_t>(channel)]; }
    AddressKind addressKind(int channel) const { return addressKinds_[static_cast<std::size_t>(channel)]; }
    // The button's caption and colour follow the kind.
    void setAddressKind(int channel, AddressKind kind);

    // Shows the records: selection, address kind, name and scale.
    void showRecords(const std::array<ChannelRecord, kChannels> &channels);
    // The selections into the records; false when no channel is selected.
    bool takeSelection(std::array<ChannelRecord, kChannels> &channels) const;
    // Address kinds, names (without spaces) and scales into the records.
    void takeSettings(std::array<ChannelRecord, kChannels> &channels) const;
    // Every analog full-scale field holds a number a run can start with.
    bool analogScalesPass() const;

    // During a run every row's controls show and the value fields are hidden.
    void showForRunning();
    // After REDRAW or Open only the selected channels' rows show, value fields included.
    void showSelectedRows(const std::array<ChannelRecord, kChannels> &channels);
    void setValueText(int channel, const QString &text);
    // The units dialog for a word channel's variable name or address, as its name field's context
    // menu opens it ("Units..."); null for a logic channel or an empty field.
    UnitsDialog *openUnitsDialog(int channel);

    // Double-clicks on a name field take what is chosen in the Variables List: an analog row its
    // name, a logic row its name and bit; a double-click on the first value field takes the bit.
    void pickAnalogName(int channel);
    void pickLogicNameAndBit(int channel);
    void pickBitIntoFirstValue();

    // Asked before a click changes the channels (Sel, the A/L button, a name picked from the
    // Variables List): false leaves them as they were. Other clicks only touch the table.
    void setChangeGuard(std::function<bool()> guard) { changeGuard_ = std::move(guard); }

signals:
    // A click into the table, before it takes effect.
    void touched();
    // A scale was written to the units file from a name field's "Units...".
    void unitsChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool mayChange() const { return !changeGuard_ || changeGuard_(); }
    std::function<bool()> changeGuard_;

    void buildCaptions();
    void buildRow(int channel);
    QLineEdit *makeField(const QString &text, const QRect &place);
    void toggleAddressKind(int channel);

    Workspace &ws_;
    PictureWidget *keyPicture_ = nullptr;
    QLabel *logicSelectCaption_ = nullptr;
    std::array<ChannelRow, kChannels> rows_{};
    std::array<AddressKind, kChannels> addressKinds_{};
};
