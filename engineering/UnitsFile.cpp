#include "engineering/UnitsFile.h"

#include "engineering/EngineeringTexts.h"

#include <QFileInfo>
#include <QStringList>

void UnitsFile::setPath(const QString &path)
{
    path_ = path;
    read_ = false;
}

void UnitsFile::read()
{
    problems_.clear();
    error_.clear();
    modified_ = QFileInfo(path_).lastModified();
    table_ = UnitsTable::read(path_, &problems_, &error_);
    read_ = true;
}

bool UnitsFile::readIfChanged()
{
    if (read_ && QFileInfo(path_).lastModified() == modified_)
        return false;
    read();
    return true;
}

QString UnitsFile::note() const
{
    using namespace engineeringtexts;
    if (!error_.isEmpty())
        return kUnitsNotRead.arg(UnitsTable::fileName(), error_);
    QString text = kUnitsRead.arg(UnitsTable::fileName()).arg(table_.entries().size());
    if (!problems_.empty())
        text += kUnitsLinesIgnored.arg(problems_.size());
    return text;
}

QString UnitsFile::noteDetail() const
{
    QStringList lines{path_};
    for (const UnitsProblem &problem : problems_)
        lines << problem.text();
    return lines.join(u'\n');
}
