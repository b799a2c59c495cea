#pragma once
// Result codes of one request/reply exchange with the controller. The numbers are the ones every
// caller and the error trace see; code reads the names. Free of any toolkit: the console tools
// built for other platforms use them too.

enum class LinkResult : int {
    Ok = 0,
    Timeout = -1,        // no complete reply (ending in LF) in time
    BadChecksum = -2,    // STX reply whose checksum does not match (or too short for its fixed part)
    RefusedD = -3,       // NAK "D"
    Refusedd = -4,       // NAK "d"
    RefusedE = -5,       // NAK "E"
    RefusedO = -6,       // NAK "O"
    RefusedP = -7,       // NAK "P"
    RefusedS = -8,       // NAK "S"
    Refuseds = -9,       // NAK "s"
    RefusedX = -10,      // NAK "X"
    RefusedZ = -11,      // NAK "Z"
    Refusedz = -12,      // NAK "z"
    UnexpectedReply = -13, // first byte neither STX nor NAK
    // NAK whose letter is not among the above (or that has none). A NAK carries no checksum, so
    // a real refusal with one corrupted letter ends here too: it is a failed read, never a value.
    RefusedUnknown = -14,
    // A whole reply that cannot be its request's answer by when it came: complete sooner than the
    // request and the reply take on the wire at the port's baud rate, or followed by more bytes at
    // once (a frame sent twice, another request's late reply out of order). Never a value.
    OutOfTurn = -15,
};

constexpr int codeOf(LinkResult r) { return static_cast<int>(r); }

// Whether `code` is the controller's refusal (NAK) of a request, whatever its letter.
constexpr bool isRefusal(int code)
{
    return (code <= codeOf(LinkResult::RefusedD) && code >= codeOf(LinkResult::Refusedz)) ||
           code == codeOf(LinkResult::RefusedUnknown);
}
