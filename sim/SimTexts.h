#pragma once
// Every text qmx-sim gives its user: the usage, printed for any argument it cannot take, and the
// line of a message on standard error.

namespace sim {

inline constexpr const char *kUsage =
    "usage: qmx-sim [--image FILE] [--link PATH] [--baud 9600] [--fault KIND[:ARG]] [--no-live]\n"
    "  --image FILE   controller memory from a data file (lines @ADDR,COUNT,WORD,...)\n"
    "  --link PATH    a symbolic link to the device, removed again on exit\n"
    "  --baud N       bytes take 10/N s each, as on an 8N1 line (0: at once)\n"
    "  --fault KIND   for every request: silence, nak:LETTER, checksum, lowercase, badfirst,\n"
    "                 pieces[:N], nolf, garbage, late:MS (reply MS ms late), echo (reply of\n"
    "                 another request: wrong echo or length), refuse-r[:LETTER] (\"r\" refused\n"
    "                 with NAK D or LETTER, \"R\" answered), short-r (\"r\" answered one byte short),\n"
    "                 silent-r (\"r\" never answered), stray[:HH] (the byte HH, LF when not\n"
    "                 given, at once, then the reply 50 ms later), repeat[:MS] (the reply, then\n"
    "                 the same frame again MS ms, 30 when not given, after it), out-of-order[:MS]\n"
    "                 (no reply in time: it follows the next reply, MS ms after it, at once when\n"
    "                 not given)\n"
    "  --fault-every N  the fault for every N-th request only\n"
    "  --no-live      keep the demo image's values still\n"
    "  --noise stray=P,split=P,stall=P,stall-ms=N,seed=N  per reply, the chance (0 to 1) of one to\n"
    "                 three stray bytes (LF, CR, STX, NAK, any) before, in or after it, of being\n"
    "                 split in pieces, of a stall of up to N ms (default 3000) before it\n"
    "  --drop-every T drop the line every T (as an unplugged adapter: device closed, link removed)\n"
    "  --drop-for T   and bring it back on a new pty under the same link after T (default 3s);\n"
    "                 T is a number with ms, s or m (seconds when bare)\n"
    "  --step ADDR:VALUE@WHEN  the word at ADDR becomes VALUE from WHEN: a time after the start\n"
    "                 (5s, 500ms) or the n-th read of ADDR (20), i.e. the n-th trend pass\n"
    "  --toggle ADDR:BIT/N  the bit of the word at ADDR toggles every N reads of ADDR (0 first)\n"
    "  --response ADDR:FROM:TO:TAU@WHEN  the word at ADDR holds FROM, and from WHEN (as for\n"
    "                 --step) moves to TO as a first-order system with time constant TAU does after\n"
    "                 a step (TAU in s or ms, seconds when bare): 63 % of the way after TAU\n"
    "  --response ADDR:FROM:TO:TAU:OVERSHOOT%@WHEN  the same as a damped second-order system that\n"
    "                 overshoots TO by OVERSHOOT % of the step (above 0, below 100), its natural\n"
    "                 angular frequency 1/TAU; FROM and TO decimal (-32768..32767) or 0x-hex\n"
    "                 A read of ADDR is a word read (\"R\") or a block read (\"r\": a trend pass's\n"
    "                 block read, a Monitor section) that holds the word; each counts once.\n"
    "Signals: SIGUSR1 drops the line, SIGUSR2 brings it back; SIGINT/SIGTERM end.\n";

// A message of the program on standard error; %s the message.
inline constexpr const char *kProgramMessage = "qmx-sim: %s\n";

} // namespace sim
