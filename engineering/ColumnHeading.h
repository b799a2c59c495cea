#pragma once
// How a CSV column of engineering values is headed, as qmx-record, the Trend Graph's export and
// "Record to file" write it and the Recording window reads it. A read channel written in
// engineering values is "NAME [unit]", "NAME []" when its scale has no unit (the brackets say the
// cells are engineering values already, never to be scaled again); a read channel written raw is
// "NAME". A math channel of a run that had any scale says which inputs it was computed on:
// "NAME (raw inputs)" or "NAME (scaled inputs)", a unit in brackets before that; without any scale
// in the run it is the bare "NAME", so files written without units keep their bytes.

#include <QString>

namespace columnheading {

// What a math channel's inputs were, as its header says.
enum class MathInputs { Unstated, Raw, Scaled };

inline const QString kRawInputs = QStringLiteral("raw inputs");
inline const QString kScaledInputs = QStringLiteral("scaled inputs");

// "NAME [unit]", also with an empty unit.
inline QString scaledColumn(const QString &name, const QString &unit)
{
    return name + QStringLiteral(" [") + unit + u']';
}

inline QString mathColumn(const QString &name, MathInputs inputs)
{
    switch (inputs) {
    case MathInputs::Raw:
        return name + QStringLiteral(" (") + kRawInputs + u')';
    case MathInputs::Scaled:
        return name + QStringLiteral(" (") + kScaledInputs + u')';
    case MathInputs::Unstated:
        break;
    }
    return name;
}

// A math channel's inputs as its header gives them: Scaled where any input it uses had a scale,
// Raw where none did while the run had scales, else Unstated.
inline MathInputs mathInputs(bool runHasScales, bool usesScaledInput)
{
    if (!runHasScales)
        return MathInputs::Unstated;
    return usesScaledInput ? MathInputs::Scaled : MathInputs::Raw;
}

// A header taken apart: "NAME [unit] (scaled inputs)" gives the name, the unit in brackets and
// what the inputs were; a plain "NAME" only its name.
struct Heading {
    QString name;
    bool unitBracket = false;
    QString unit;
    QString inputs; // kRawInputs, kScaledInputs or empty
};

inline Heading parseHeading(const QString &header)
{
    Heading heading{header, false, {}, {}};
    for (const QString &inputs : {kRawInputs, kScaledInputs}) {
        const QString suffix = QStringLiteral(" (") + inputs + u')';
        if (heading.name.size() > suffix.size() && heading.name.endsWith(suffix)) {
            heading.name.chop(suffix.size());
            heading.inputs = inputs;
            break;
        }
    }
    const qsizetype open = heading.name.lastIndexOf(QStringLiteral(" ["));
    if (open > 0 && heading.name.endsWith(u']')) {
        heading.unit = heading.name.sliced(open + 2).chopped(1);
        heading.unitBracket = true;
        heading.name.truncate(open);
    }
    return heading;
}

// Whether a column named `name` is a logic channel's: NAME.BB, a bit number of one or two digits
// after the last point, as the Trend Graph's export names a bit ("InvFlag.07") and the readers of
// recordings take it. A writer gives no other column such a name.
inline bool isLogicColumn(const QString &name)
{
    const qsizetype point = name.lastIndexOf(u'.');
    const qsizetype bitDigits = name.size() - point - 1;
    if (point < 1 || bitDigits < 1 || bitDigits > 2)
        return false;
    for (qsizetype i = point + 1; i < name.size(); ++i) {
        if (!name[i].isDigit())
            return false;
    }
    return true;
}

} // namespace columnheading
