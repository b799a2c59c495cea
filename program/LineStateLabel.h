#pragma once
// The line's state as the windows show it while the controller does not answer: one line of large
// bold red letters, "no reply from COM1 (/dev/ttyS0) since 23:09:02", hidden while it answers.
// The text is laid out to its width whatever the font and scale: where it does not fit, the
// device gives way in its middle (the whole text is the tooltip), so no letter is ever cut.
//
// It is also the one rule between the line's two messages: a "line back" event stands beside it
// only while it says nothing (the controller answers), so "no reply since" and "line back" never
// stand together. Windows ask letsLineBackStand() and show again on stateChanged().

#include <QColor>
#include <QLabel>
#include <QString>

class QDateTime;

class LineStateLabel : public QLabel {
    Q_OBJECT
public:
    static inline const QColor kColour{220, 0, 0};

    // Placed at `geometry` in `parent`, its text aligned as `alignment` asks; hidden at first.
    LineStateLabel(QWidget *parent, const char *name, const QRect &geometry, Qt::Alignment alignment);

    // The controller on `port` has not answered since `since`.
    void showNoReply(const QString &port, const QDateTime &since);
    // It answers again, or the poll has ended.
    void clearState();

    // "no reply since" is said now.
    bool saysNoReply() const { return !fullText_.isEmpty(); }
    // The one rule: "line back" may be shown only while "no reply since" is not.
    bool letsLineBackStand() const { return !saysNoReply(); }
    // The whole text, also when the label shows it shortened.
    const QString &fullText() const { return fullText_; }

signals:
    // "no reply since" was said or taken back.
    void stateChanged();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // The text as the label's width and font allow.
    void fitText();

    QString fullText_;
    QString port_;
    QString device_;
    QString since_;
};
