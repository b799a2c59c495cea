#pragma once
// The run's state in qmx-record's status line, after the line read: the trigger's progress and
// each broker's, in that order. While a trigger waits for its event no row is kept for the brokers
// (nor the file) beyond the time before it, so the line says that nothing is published yet.

#include "record/MqttPublisher.h"
#include "record/RecordTexts.h"
#include "record/TriggerCapture.h"

#include <QList>
#include <QString>
#include <optional>

namespace record {

inline QString runStateText(const std::optional<TriggerCapture::Progress> &capture,
                            const QList<MqttPublisher::Figures> &brokers)
{
    QStringList parts;
    if (capture) {
        QString text = captureStatusText(*capture);
        if (capture->state == TriggerCapture::State::Armed && !brokers.isEmpty())
            text += kCaptureNothingPublished;
        parts << text;
    }
    for (const MqttPublisher::Figures &broker : brokers)
        parts << publishStatusText(broker);
    return parts.join(QStringLiteral("  "));
}

} // namespace record
