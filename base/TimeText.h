#pragma once
// The local date and time as the system writes it, for single-byte text files.

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace timetext {

// A QLocale time format without its time-zone field ("t" to "tttt"), together with the white
// space that joins the field to the rest and brackets that hold nothing but the field. Quoted
// text is left alone.
QString withoutTimeZone(const QString &timeFormat);

// `when` in `locale`'s short date format, one space, its long time format without a time-zone
// name. A locale that writes characters Latin-1 cannot hold gets "yyyy/MM/dd HH:mm:ss" instead,
// so a single-byte file never shows them as "?".
QString shortDateLongTime(const QDateTime &when, const QLocale &locale);
// A file name offered when saving: "trend-20261207-153000.trd" for prefix "trend", extension "trd".
QString stampedFileName(const QString &prefix, const QString &extension, const QDateTime &when);

} // namespace timetext
