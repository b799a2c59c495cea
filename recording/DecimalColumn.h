#pragma once
// The reading of a column of decimals into a recording's 32-bit storage. A cell's text tells how
// many decimals it needs ("12.5" one, "1e-05" five, "1500" minus two); the column takes the most
// any of its cells needed, held back where its largest number would no longer fit in 32 bits. When
// a finer cell or a larger number comes, the values stored so far are brought to the new power of
// ten (multiplied exactly, or divided and rounded half away from zero). From the first cell that
// would be rounded so, the column keeps every number as read in doubles too (RecordingChannel::
// exact): no cell is ever shown other than as written.

#include "recording/RecordingData.h"

#include <QByteArrayView>
#include <optional>

namespace recording {

struct DecimalCell {
    double value = 0;
    int decimals = 0; // the decimals the text needs to be held exactly; negative for trailing zeros
};

// A number as qmx-record and the Trend Graph write one: an optional minus, digits with an
// optional point, an optional exponent ("-0.001234567891", "1.5e+12", "1E-05"). None for anything
// else, and for a number beyond a double.
std::optional<DecimalCell> parseDecimalCell(QByteArrayView text);

class DecimalColumn {
public:
    // Takes over `channel` at its current rows, which were read as whole numbers.
    explicit DecimalColumn(RecordingChannel &channel);

    void append(const DecimalCell &cell);
    void appendFailed();

private:
    void rescale(int decimals);
    void becomeWide();

    RecordingChannel *channel_;
    int wanted_ = 0;       // the most decimals any cell needed, 0 at least
    double largest_ = 0.0; // the largest magnitude seen
};

} // namespace recording
