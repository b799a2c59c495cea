#include "record/TerminalOutput.h"

#include "record/RecordTexts.h"

#include <QByteArray>
#include <sys/ioctl.h>
#include <unistd.h>

namespace record {

namespace {

// The status line on a terminal is written over in place: from the line's start, the rest of the
// line cleared after the text.
const QString kLineStart = QStringLiteral("\r");
const QString kClearToLineEnd = QStringLiteral("\x1b[K");

// The status line fits the terminal's width: a line longer than the terminal would wrap, and the
// next one would be written over only its last part.
QString fittedToTerminal(const QString &text)
{
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col < 2)
        return text;
    const qsizetype room = size.ws_col - 1;
    return text.size() <= room ? text : text.left(room);
}

} // namespace

void print(std::FILE *to, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), to);
}

void printMessage(const QString &text) { print(stderr, kProgramMessage.arg(text)); }

void printStatus(const QString &text) { print(stderr, kLineStart + fittedToTerminal(text) + kClearToLineEnd); }

void printLastStatus(const QString &text)
{
    print(stderr, kLineStart + fittedToTerminal(text) + kClearToLineEnd + u'\n');
}

} // namespace record
