#include "link/Frame.h"

QByteArray checksumText(const char *data, qsizetype length)
{
    return QByteArray::fromStdString(checksumDigits(data, static_cast<std::size_t>(length)));
}

QByteArray buildRequestFrame(const RequestRecord &request)
{
    return QByteArray::fromStdString(requestFrameBytes(request));
}
