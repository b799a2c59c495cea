#pragma once
// What the end-to-end fault tests share: the real program's windows found through its workspace,
// the channel table set up by hand, and the error trace read back entry by entry.

#include "catalogue/VariablesListWindow.h"
#include "monitor/MonitorWindow.h"
#include "shell/MainWindow.h"
#include "shell/Program.h"
#include "trend/run/Sampling.h"
#include "trend/window/TrendGraphWindow.h"
#include "trend/window/ChannelTable.h"
#include "trend/window/ReadoutBand.h"
#include "trend/window/TrendGraphView.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <utility>
#include <vector>

namespace e2e {

inline constexpr QRgb kLime = 0xFF00FF00u;
inline const QString kErrorTrace = QStringLiteral("ErrTrace.txt");

inline QRgb pixel(const QImage &image, int x, int y) { return image.pixel(x, y) | 0xFF000000u; }

inline void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

inline TrendGraphWindow *trendWindow(Program &p) { return p.mainWindow->trendGraphWindow(); }
inline VariablesListWindow *variablesListOf(Program &p)
{
    return p.mainWindow->variablesListWindow();
}
inline MonitorWindow *monitorOf(Program &p) { return p.mainWindow->monitorWindow(); }

// Only the given rows ticked: {channel, "A"/"L", name or address, full scale or bit}.
struct Row {
    int channel;
    const char *al;
    const char *name;
    const char *scale;
};
inline void setChannels(TrendGraphWindow &form, std::initializer_list<Row> rows)
{
    for (int n = 1; n <= kChannels; ++n)
        form.table().row(n - 1).selected->setChecked(false);
    for (const Row &r : rows) {
        form.table().row(r.channel).selected->setChecked(true);
        form.table().setAddressKind(r.channel, r.al == std::string_view("L") ? AddressKind::Name : AddressKind::Address);
        form.table().row(r.channel).name->setText(QLatin1String(r.name));
        form.table().row(r.channel).scale->setText(QLatin1String(r.scale));
    }
}

inline QStringList lines(const QListWidget *list)
{
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
        lines.append(list->item(i)->text());
    return lines;
}

// The value shown next to a name in the Monitor's grids (empty when the name is not shown).
// The value cell beside `name` in the Monitor's grids, or null.
inline const QTableWidgetItem *monitorValueCell(const MonitorWindow *monitor, const QString &name)
{
    for (const MonitorWindow::Grid grid : MonitorWindow::kGrids) {
        const QTableWidget *table = monitor->gridView(grid);
        for (int r = 0; r < table->rowCount(); ++r) {
            for (int c = 0; c + 1 < table->columnCount(); c += 2) {
                if (table->item(r, c) && table->item(r, c)->text() == name)
                    return table->item(r, c + 1);
            }
        }
    }
    return nullptr;
}

// Shown grey: not refreshed by the last pass.
inline bool monitorValueStale(const MonitorWindow *monitor, const QString &name)
{
    const QTableWidgetItem *cell = monitorValueCell(monitor, name);
    return cell && cell->foreground().style() != Qt::NoBrush && cell->foreground().color() == monitor::kStaleColour;
}

inline QString monitorValue(const MonitorWindow *monitor, const QString &name)
{
    for (const MonitorWindow::Grid grid : MonitorWindow::kGrids) {
        const QTableWidget *table = monitor->gridView(grid);
        for (int r = 0; r < table->rowCount(); ++r) {
            for (int c = 0; c + 1 < table->columnCount(); c += 2) {
                if (table->item(r, c) && table->item(r, c)->text() == name)
                    return table->item(r, c + 1)->text();
            }
        }
    }
    return {};
}

// One expected line of the error trace: the code and the stored refusal it carries.
using TraceEntry = std::pair<int, QByteArray>;

// Checks that `file` holds exactly `expected`, line after line, each beginning with the local
// date and time of a second from `fromSecs` to `toSecs`. Empty when it does; else what differs.
inline QString checkErrorTrace(const QByteArray &file, const std::vector<TraceEntry> &expected, qint64 fromSecs,
                               qint64 toSecs)
{
    QString pattern = QStringLiteral("^");
    for (const TraceEntry &e : expected) {
        QByteArray rest = " Code=" + QByteArray::number(e.first) + " Data=" + e.second;
        rest.replace("\n", "\r\n"); // the text-mode writing of every line feed
        // After the fields, what failed: the channel, its word and the request.
        pattern += QStringLiteral("([^\\r\\n]+)") + QRegularExpression::escape(QString::fromLatin1(rest)) +
                   QStringLiteral(" Channel=\\d+:[^ \\r\\n]+ Address=[0-9A-F]{8} Request=(?:R [0-9A-F]{8}|r [0-9A-F]{8}\\+\\d+)\\r\\n");
    }
    pattern += u'$';
    const QRegularExpressionMatch match =
        QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption).match(QString::fromLatin1(file));
    if (!match.hasMatch())
        return QStringLiteral("trace does not match: ") + QString::fromLatin1(file.toPercentEncoding(" =-:/"));
    QStringList stamps;
    for (qint64 s = fromSecs; s <= toSecs; ++s)
        stamps.append(sampling::traceTimestamp(QDateTime::fromSecsSinceEpoch(s)));
    for (int i = 1; i <= match.lastCapturedIndex(); ++i) {
        if (!stamps.contains(match.captured(i)))
            return QStringLiteral("line %1 has the time stamp '%2'").arg(i).arg(match.captured(i));
    }
    return {};
}

} // namespace e2e
