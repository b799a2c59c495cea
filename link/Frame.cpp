#include "link/Frame.h"

QByteArray ChecksumText(const char *data, qsizetype length)
{
    return QByteArray::fromStdString(ChecksumDigits(data, static_cast<std::size_t>(length)));
}

QByteArray BuildRequestFrame(const RequestRecord &request)
{
    return QByteArray::fromStdString(RequestFrameBytes(request));
}
