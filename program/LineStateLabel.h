#pragma once
// The line's state as the windows show it while the controller does not answer: one line of large
// bold red letters, "no reply from COM1 (/dev/ttyS0) since 23:09:02", hidden while it answers.

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
};
