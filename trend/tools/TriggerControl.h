#pragma once
// The Trend Graph's trigger: its set-up (kept in its own file beside the channel presets), whether
// it is armed, the set-up dialog, and the capture of the run going on. The window tells it when a
// run begins and ends and after every row stored; it answers with the run's row the trigger fired
// on once the rows after it are complete, and says what the band should show of it.

#include "trend/model/Trigger.h"
#include "trend/tools/TriggerDialog.h"

#include <QDateTime>
#include <QObject>
#include <memory>
#include <optional>
#include <vector>

struct TrendData;
struct Workspace;
class QWidget;

class TriggerControl : public QObject {
    Q_OBJECT
public:
    // Reads the set-up kept from the last time. The dialog, once opened, belongs to `window`.
    TriggerControl(Workspace &ws, const TrendData &data, QWidget *window);
    ~TriggerControl() override;

    // Opens the set-up dialog beside the window, or brings it forward, offering `channels`; the
    // levels are typed in hex when `hex`.
    void openDialog(const std::vector<TriggerDialog::Channel> &channels, bool hex);
    // Arm: keeps the set-up (a failure to save it is said, the trigger is armed all the same).
    void arm(const trigger::TriggerSetup &setup);
    void disarm();

    bool armed() const { return armed_; }
    const std::optional<trigger::TriggerSetup> &setup() const { return setup_; }
    // Nothing until the dialog was first opened.
    TriggerDialog *dialog() const { return dialog_; }

    // A run begins, or the trigger is armed during one with `rowsStored` rows of the run stored:
    // the capture starts counting from there. Nothing without a set-up.
    void beginCapture(int rowsStored, bool hex);
    bool capturing() const { return capture_ != nullptr; }
    // The row just stored (the one before the ring's write position): once the capture is
    // complete, the run's row the trigger fired on; the capture is over then.
    std::optional<int> takeStoredRow();
    // The run ended before the trigger fired: the capture is over and the band says nothing of it.
    void endCapture();
    // The band's word on a trigger that fired on shown row `row` at `when`: with the rows from
    // `rowsAfter` of `rowsAfterAsked` while the capture goes on (nothing: complete), and how few
    // rows came before it when fewer than asked.
    QString triggeredText(const std::optional<QDateTime> &when, int row, std::optional<int> rowsAfter = std::nullopt,
                          int rowsAfterAsked = 0) const;

signals:
    void armedChanged(bool armed);
    void bandTextChanged(const QString &text);

private:
    QString conditionText(bool hex) const;
    // The band while armed: the condition, and while the rows before the trigger are stored how
    // many of them are.
    void showArmed();

    Workspace &ws_;
    const TrendData &data_;
    QWidget *window_;
    TriggerDialog *dialog_ = nullptr;
    std::optional<trigger::TriggerSetup> setup_;
    bool armed_ = false;
    std::unique_ptr<trigger::RingCapture> capture_;
    int rowsBeforeCapture_ = 0; // rows of the run stored before the capture began
    QString armedText_;         // "armed: <condition>" of the capture going on
    std::optional<QDateTime> firedAt_; // the trigger row's time, once it fired
    int rowsAfterTrigger_ = 0;         // rows stored after the trigger row so far
};
