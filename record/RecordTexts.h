#pragma once
// Every text qmx-record gives the user: its help, what is wrong with an argument, the messages of a
// run and its status and summary lines. The words of the command line itself (option names,
// units, trigger words) are the parser's, not texts.

#include <QString>

namespace record {

// Every message on stderr is one line: "qmx-record: " and the message.
inline const QString kProgramMessage = QStringLiteral("qmx-record: %1\n");
inline const QString kProgramWarning = QStringLiteral("qmx-record: warning: %1\n");

// --help.
inline const QString kHelpText = QStringLiteral(
    "usage: qmx-record --port PORT (--presets FILE | --channel CH ...) --out FILE.csv\n"
    "                  [--duration T] [--wait-time MS] [--reads MODE] [--data-read] [--force] [--quiet]\n"
    "                  [--trigger COND [--pre T] [--post T] [--repeat N]]\n"
    "                  [--format csv|influx] [--tag KEY=VALUE ...] [--rotate T|SIZE [--keep N]]\n"
    "                  [--publish mqtt://[user[:password]@]host[:port]/topic ... [--payload influx|json]\n"
    "                   [--cafile FILE] [--cert FILE --key FILE] [--spool-max N|T]] [--config FILE]\n"
    "                  [--units FILE] [--scaled] [--math 'NAME=EXPR' ...]\n"
    "\n"
    "Records every trend pass of a QMX controller to a CSV file (time, t_s, one column per\n"
    "channel; a failed read is an empty cell), flushed at least once a second. Runs until the\n"
    "duration is over or Ctrl-C / SIGTERM / SIGHUP; a device that goes away and comes back is opened\n"
    "again by itself.\n"
    "\n"
    "  --port PORT       COM1..COM9 as the program maps them, or a device such as /dev/ttyUSB0\n"
    "  --presets FILE    the channels of a preset file (UserPre.qmt) whose channels are ON\n"
    "  --channel CH      a channel: a variable name (SpdFbk), a hex address (600E60), or a\n"
    "                    logic channel NAME:BIT or ADDRESS:BIT (InvFlag:07); repeat for more,\n"
    "                    up to 7 word channels and 7 logic channels; an address has at most\n"
    "                    8 hex digits, and one that is no name but begins with A-F is read\n"
    "                    as an address with a warning\n"
    "  --out FILE        the CSV file; written beside it under a temporary name and put in\n"
    "                    its place with the first row, so a failed start or a run without a\n"
    "                    row leaves any file there as it was; a write that fails (a full\n"
    "                    disk) leaves the file ending with its last whole row\n"
    "  --force           replace an --out file that exists (refused otherwise); a folder,\n"
    "                    device or FIFO is never replaced\n"
    "  --duration T      stop after T: a number with ms, s, m or h (90s, 15m, 2h; no unit:\n"
    "                    seconds); default: until stopped\n"
    "  --wait-time MS    pause between passes in milliseconds (default 0)\n"
    "  --reads MODE      the requests of a pass: channel (one read per channel), word (each\n"
    "                    word once, the default) or block (neighbouring words in one block\n"
    "                    read; a block read the controller refuses falls back to word reads)\n"
    "  --data-read       read the super block from the controller first (as Data Read does,\n"
    "                    writing sbdata.qmx); names are otherwise resolved through the saved\n"
    "                    sbdata.qmx, Varlist.txt and Varlist2.txt (a sbdata.qmx that fails its\n"
    "                    check is refused)\n"
    "  --trigger COND    write only the rows around events: 'CH>LEVEL' or 'CH rises LEVEL' (the\n"
    "                    value passes the level upwards), 'CH<LEVEL' or 'CH falls LEVEL',\n"
    "                    'CH crosses LEVEL'; for a logic channel 'NAME:BIT rises|falls|changes';\n"
    "                    two conditions joined by ' and ' or ' or '. CH is one of the --channel\n"
    "                    texts (or a preset channel's name), another one in each condition;\n"
    "                    LEVEL decimal, -32768 to 32767, or the 16-bit word in hex as the\n"
    "                    Trend Graph's Hex shows it (0xC000 is -16384). A failed read is\n"
    "                    never an event. Adds the column event (1 on the trigger row)\n"
    "  --pre T           the time kept before each event (default 5s; 0, 0s or 0ms for none)\n"
    "  --post T          the time written after each event (default 5s; 0 for none)\n"
    "  --repeat N        end (exit 0) after N events (default 1)\n"
    "  --out -           the rows on standard output, nothing else there (the summary and\n"
    "                    every message on standard error)\n"
    "  --format FORMAT   csv (the default) or influx: InfluxDB line protocol, one line per pass,\n"
    "                    qmx,port=<device>[,<tags>] <column>=<value>i,...,pass=<n>i,run=<ms>i <ns time>;\n"
    "                    a failed read leaves its field out; scaled and math values are floats\n"
    "  --tag KEY=VALUE   a tag on every InfluxDB line (in the file or published); repeat for more\n"
    "  --rotate T|SIZE   a series of files named from --out with the start of each\n"
    "                    (run-20261208-140000.csv), a new one each period on the clock (1h, 15m)\n"
    "                    or before a file would pass a size (100MB, 512KiB); a header in each\n"
    "  --keep N          keep the newest N files of the series, delete older ones\n"
    "  --publish URL     every pass as a QoS 1 message on the topic of an MQTT broker (as\n"
    "                    well as --out, or without it); \"online\"/\"offline\" retained on\n"
    "                    <topic>/status. While the broker is away the passes wait on disk in\n"
    "                    $XDG_STATE_HOME/qmx-record (~/.local/state) and go in order once it is\n"
    "                    back, or at the next start on the same topic\n"
    "  --payload FORM    influx (the InfluxDB line, the default) or json\n"
    "                    ({\"time\":...,\"pass\":...,\"run\":...,\"values\":{...}}); run is the run's\n"
    "                    start in ms since the epoch: (run, pass) tells a repeat\n"
    "  --password-file FILE  the broker's password, the file's first line, for a URL that\n"
    "                    names a user and no password (else $QMX_MQTT_PASSWORD); it then shows\n"
    "                    in no process list, and no message ever shows a password\n"
    "  --cafile FILE     TLS to the broker, trusting this authority (port 8883 unless given)\n"
    "  --cert FILE, --key FILE  this client's certificate and key, for a broker that asks\n"
    "  --spool-max N|T   passes kept waiting for the broker, as a number or as the passes of a\n"
    "                    length of time at the run's pace (default 1h); past it the oldest\n"
    "                    are dropped and counted\n"
    "  --config FILE     arguments read from FILE (words as a shell splits them, # comment lines),\n"
    "                    as the service qmx-record@NAME reads /etc/qmx-record/NAME.conf\n"
    "%1"
    "  --quiet           no status line (there is none either when not on a terminal)\n"
    "  --help            this text\n"
    "\n"
    "Exit codes: 0 done or stopped (the file complete; a stop during --data-read records\n"
    "nothing and leaves sbdata.qmx and --out as they were), 1 the port could not be opened, the\n"
    "super block not read, or a write to the file failed during the run, 2 bad arguments (also\n"
    "an --out that exists without --force, that is no regular file, or whose folder cannot be\n"
    "written), 3 the run ended without a single good read (a silent controller or a wrong port),\n"
    "4 a --trigger run ended (its --duration over) without a single event.\n"
    "\n"
    "Example:\n"
    "  qmx-record --port /dev/ttyUSB0 --channel SpdFbk --channel 600E60 --channel InvFlag:07 \\\n"
    "             --out run.csv --duration 2h\n");

// Arguments that cannot be taken: %1 the option, or the value given to the option each names.
inline const QString kUnknownOption = QStringLiteral("%1: unknown option (see --help)");
inline const QString kValueMissing = QStringLiteral("%1: a value is missing");
inline const QString kBadDuration =
    QStringLiteral("--duration %1: give a length of time such as 90s, 15m or 2h");
inline const QString kBadWaitTime =
    QStringLiteral("--wait-time %1: give the pause in milliseconds (0 or more)");
inline const QString kBadReadMode = QStringLiteral("--reads %1: give channel, word or block");
inline const QString kBadCaptureTime = QStringLiteral("%1 %2: give a length of time such as 0, 2s or 1m");
inline const QString kBadRepeat = QStringLiteral("--repeat %1: give the number of events, 1 or more");
inline const QString kPortMissing =
    QStringLiteral("--port: the port is missing (COM1 or a device such as /dev/ttyUSB0)");
inline const QString kOutMissing = QStringLiteral("--out: the CSV file to write is missing");
inline const QString kNoChannels = QStringLiteral("--presets or --channel: no channels to record");
inline const QString kPresetsAndChannels = QStringLiteral("--presets and --channel: give one or the other");
inline const QString kOnlyWithTrigger = QStringLiteral("%1: only with --trigger");
// --rotate and --keep. %1 the value given.
inline const QString kBadRotate = QStringLiteral(
    "--rotate %1: give a length of time of a second or more (1h, 15m) or a size of 1kB or more (100MB, 512KiB)");
inline const QString kBadKeep = QStringLiteral("--keep %1: give the number of files to keep, 1 or more");
inline const QString kKeepWithoutRotate = QStringLiteral("--keep: only with --rotate");
inline const QString kRotateWithoutFile = QStringLiteral("--rotate: give --out FILE, the name the files are named from");
// --config FILE: %1 the file, %2 why it cannot be read.
inline const QString kConfigUnreadable = QStringLiteral("--config %1: %2");
inline const QString kConfigTooLarge = QStringLiteral("--config %1: larger than an argument file can be (4 MiB)");
inline const QString kConfigInConfig = QStringLiteral("--config %1: an argument file names no other --config");
inline const QString kBadFormat = QStringLiteral("--format %1: give csv or influx");
// A --tag text (%1) that cannot be a tag of the line protocol.
inline const QString kTagForm = QStringLiteral("--tag %1: give KEY=VALUE, neither empty");
inline const QString kTagCharacters =
    QStringLiteral("--tag %1: a tag holds no backslash and no line end");
// %2 the key.
inline const QString kTagReserved = QStringLiteral("--tag %1: %2 is a tag or column of its own; choose another key");
inline const QString kTagUnderscore =
    QStringLiteral("--tag %1: InfluxDB keeps keys beginning with _ for itself; choose another key");
inline const QString kTagTwice = QStringLiteral("--tag %1: the key is given twice");
inline const QString kTagOnlyInflux = QStringLiteral("--tag %1: only with --format influx or --publish");
// A name or tag value of every InfluxDB line that the protocol cannot carry, after what names it
// (kInfluxDevice, kInfluxColumn).
inline const QString kInfluxLineEnd = QStringLiteral("holds a line end, which ends an InfluxDB line");
inline const QString kInfluxBackslash = QStringLiteral(
    "holds a backslash before a comma, an equals sign, a blank, another backslash or at its end, which InfluxDB "
    "reads as an escape");
// %1 the port, %2 its device, %3 the reason.
inline const QString kInfluxDevice = QStringLiteral("--port %1: the device %2 %3; give another name for it");
// %1 the column, %2 the reason.
inline const QString kInfluxColumn = QStringLiteral("the channel %1 %2; record it by its address");
// A --math definition (%1) whose name (%2) an output or a reader of ours would take for something
// else; %3 the names the outputs use for themselves.
inline const QString kMathNameOwn =
    QStringLiteral("--math %1: %2 is a name the outputs use for themselves (%3); choose another name");
inline const QString kMathNameLogic =
    QStringLiteral("--math %1: %2 reads as a logic channel's bit (NAME.BB) in a recording; choose another name");
inline const QString kMathNameUnderscore =
    QStringLiteral("--math %1: InfluxDB keeps names beginning with _ for itself; choose another name");
// --publish and its options. %1 the value given.
inline const QString kPublishForm =
    QStringLiteral("--publish %1: give mqtt://[user[:password]@]host[:port]/topic");
inline const QString kPublishTopic =
    QStringLiteral("--publish %1: give one topic to publish on, without + or # and without ? or #");
inline const QString kPublishTwice = QStringLiteral("--publish %1: the same broker and topic twice");
inline const QString kBadPayload = QStringLiteral("--payload %1: give influx or json");
inline const QString kBadSpoolMax =
    QStringLiteral("--spool-max %1: give a number of passes (1 or more) or a length of time such as 1h");
// %1 the option, %2 the file, %3 why it cannot be read.
inline const QString kTlsFileUnreadable = QStringLiteral("%1 %2: %3");
inline const QString kTlsFileMissing = QStringLiteral("%1 %2: the file cannot be read");
inline const QString kCertAndKey = QStringLiteral("--cert and --key: give both or neither");
// --password-file FILE (%1) and the environment variable that may hold the password instead.
inline const QString kPasswordFileUnreadable = QStringLiteral("--password-file %1: %2");
inline const QString kPasswordFileEmpty = QStringLiteral("--password-file %1: the file's first line holds no password");
inline constexpr char kPasswordVariable[] = "QMX_MQTT_PASSWORD";
// %1 the option.
inline const QString kOnlyWithPublish = QStringLiteral("%1: only with --publish");

// What is said about --out. %1: the --out path.
inline const QString kOutNotRegular = QStringLiteral("--out %1: %2; give the CSV file's name");
inline const QString kOutExists = QStringLiteral("--out %1: the file exists; --force replaces it");
inline const QString kOutFolderNotWritable = QStringLiteral("--out %1: its folder cannot be written");
inline const QString kOutCannotBeMade =
    QStringLiteral("--out %1: the temporary file beside it cannot be made: %2");
inline const QString kOutWriteFailed = QStringLiteral("--out %1: the file could not be written: %2");
// Why, when the file written is no longer found at its name.
inline const QString kFileNotAtItsName =
    QStringLiteral("the file is no longer at its name (deleted, or its folder removed or renamed, or another file put "
                   "there); the rows written since are not in a file there");
inline const QString kOutNotInPlace =
    QStringLiteral("--out %1: the file could not be put in place: %2; the rows are in %3");
// --out - : standard output could not take the rows; %1 the system's reason.
inline const QString kStandardOutputFailed = QStringLiteral("--out -: standard output could not be written: %1");
inline const QString kOutNoRow =
    QStringLiteral("--out %1: no row was recorded; the file there is left as it was");

// The channels. An argument (%1 its value) and what is wrong with it after it.
inline const QString kChannelArgument = QStringLiteral("--channel %1");
inline const QString kPresetsArgument = QStringLiteral("--presets %1");
// %1 the preset file, %2 the channel's row (1-14), %3 its name or address.
inline const QString kPresetsChannel = QStringLiteral("--presets %1: channel %2 (%3)");
inline const QString kPresetsUnreadable = QStringLiteral("--presets %1: the file cannot be read (%2)");
inline const QString kGiveNameOrAddress = QStringLiteral(": give a variable name or a hex address");
inline const QString kBitAfterColonOutOfRange =
    QStringLiteral(": the bit after ':' must be a number from 0 to 15");
inline const QString kTooManyWordChannels = QStringLiteral(": more than 7 word channels");
inline const QString kTooManyLogicChannels = QStringLiteral(": more than 7 logic channels");
inline const QString kAddressTooLong = QStringLiteral(": a hex address has at most 8 digits");
// %1 the address in upper case.
inline const QString kReadAsAddress = QStringLiteral(": not a variable name; read as the hex address %1");
// %1 the channel as given; kDidYouMean may follow with the closest names (%1).
inline const QString kNotInVariableList =
    QStringLiteral("%1: not in the variable list (sbdata.qmx, Varlist.txt, Varlist2.txt; --data-read reads it from "
                   "the controller) and not a hex address");
// Without sbdata.qmx (a fresh install): what is added to kNotInVariableList, and what a channel
// given by name says of its address (%1 the name, %2 the address, %3 the list that gave it).
inline const QString kDataReadNeeded =
    QStringLiteral("; without sbdata.qmx only Varlist.txt, Varlist2.txt and the DIO and M words give names: a "
                   "block's name needs a Data Read (--data-read)");
inline const QString kNameFromShippedList = QStringLiteral("%1 is %2, from %3 (there is no sbdata.qmx yet)");
inline const QString kVarlistName = QStringLiteral("Varlist.txt");
inline const QString kVarlist2Name = QStringLiteral("Varlist2.txt");
inline const QString kFixedWords = QStringLiteral("the controller's fixed DIO and M words");
inline const QString kDidYouMean = QStringLiteral("; did you mean %1?");
inline const QString kBitNumberNotWhole =
    QStringLiteral("%1: a logic channel's bit number must be a whole number");
inline const QString kFullScaleNotWhole =
    QStringLiteral("%1: a channel's F.S. value must be a whole number other than 0");
inline const QString kBitOutOfRange = QStringLiteral("%1: the bit must be a number from 0 to 15");
inline const QString kNoChannelOn = QStringLiteral("%1: no channel is ON");

// What is wrong with a --trigger text, after the argument (%1 the text).
inline const QString kTriggerArgument = QStringLiteral("--trigger %1");
inline const QString kTriggerForms =
    QStringLiteral(": give CH>LEVEL, CH<LEVEL, CH rises|falls|crosses LEVEL or NAME:BIT rises|falls|changes");
inline const QString kNotRecordedChannel = QStringLiteral(": %1 is not one of the recorded channels");
inline const QString kLogicChannelEdges = QStringLiteral(": a logic channel rises, falls or changes");
inline const QString kWordChannelEdges = QStringLiteral(": a word channel rises, falls or crosses a level");
inline const QString kLevelNotANumber =
    QStringLiteral(": the level must be a whole number (decimal or 0x hex)");
inline const QString kLevelOutOfRange =
    QStringLiteral(": the level %1 is outside a word's values, -32768 to 32767");
inline const QString kHexLevelTooLong =
    QStringLiteral(": a hex level is the 16-bit word, 0x0000 to 0xFFFF (0x8000 to 0xFFFF being -32768 to -1)");
inline const QString kLogicLevel =
    QStringLiteral(": a logic channel rises, falls or changes, without a level");
inline const QString kLogicLevelOutOfRange =
    QStringLiteral(": a logic channel is 0 or 1, never %1; it rises, falls or changes, without a level");
inline const QString kSameChannelTwice = QStringLiteral(": the second condition watches another channel");

// --data-read. %1 the address read, %2 the result code, %3 its meaning.
inline const QString kDataReadProgress = QStringLiteral("reading super block: %1 words (%2 reads)");
inline const QString kDataReadFailed = QStringLiteral("--data-read: the read at %1 failed with code %2 (%3)");
// A stop during --data-read, before anything is recorded.
inline const QString kDataReadStopped =
    QStringLiteral("--data-read: stopped before the recording began; sbdata.qmx and --out are as they were");
// The port would not open: %1 the message, %2 the system's reason after a space, or nothing.
inline const QString kPortProblem = QStringLiteral("--port: %1%2");

// The spool of a --publish target. %1 its folder.
inline const QString kSpoolFolderNotMade = QStringLiteral("--publish: the spool folder %1 cannot be made");
// %2 the system's reason.
inline const QString kSpoolNotOpened = QStringLiteral("--publish: the spool %1 cannot be opened: %2");
inline const QString kSpoolInUse =
    QStringLiteral("--publish: the spool %1 is in use by another qmx-record publishing to the same topic");
// Why a broker is away, where the library has no words of its own.
inline const QString kBrokerNoAnswer = QStringLiteral("no answer from the broker");
inline const QString kTlsRefused = QStringLiteral("TLS set-up refused: %1");
// In the status line: %1 connected or away, %2 passes waiting, %3 passes dropped.
inline const QString kPublishStatus = QStringLiteral("mqtt %1, queued %2, dropped %3");
inline const QString kBrokerConnected = QStringLiteral("connected");
inline const QString kBrokerAway = QStringLiteral("away");
// %1 why: the library's words ("Connection refused", "not authorised") or the spool's disk.
inline const QString kBrokerAwayBecause = QStringLiteral("away (%1)");
// After the summary, one line per --publish: %1 the broker and topic, %2 passes the broker took in
// this run, %3 waiting, %4 dropped.
inline const QString kPublishSummary = QStringLiteral("qmx-record: %1: sent %2, queued %3, dropped %4");
inline const QString kPublishLeftWaiting = QStringLiteral(" (kept in the spool for the next start)");
inline const QString kPublishLastProblem = QStringLiteral("; last problem: %1");

// The status line on a terminal and the summary at the end. %1 rows, %2 passes a second, %3 the
// failed reads by result code ("none" without any), %4 the time elapsed, %5 kilobytes written.
inline const QString kStatusLine = QStringLiteral("rows %1  %2 passes/s  failed reads %3  elapsed %4  %5 kB");
inline const QString kSummaryLine =
    QStringLiteral("qmx-record: %1 rows in %2, %3 passes/s, failed reads: %4");
inline const QString kNoFailedReads = QStringLiteral("none");
// After the failed reads by code in the summary, those of each channel; %1 "SpdFbk: 2, InvFlag.07: 1".
inline const QString kFailedReadsByChannel = QStringLiteral(" (%1)");
inline const QString kChannelFailedReads = QStringLiteral("%1: %2");
// The line the status line names; %1 the port, %2 its device.
inline const QString kPortAndDevice = QStringLiteral("%1 (%2)");
// In the status line while the controller does not answer; %1 when it last answered.
inline const QString kNoReplySinceStatus = QStringLiteral("no reply since %1");
// A run that ended without a single good read: %1 the line.
inline const QString kNoGoodRead =
    QStringLiteral("no pass had a good read: the controller on %1 did not answer (exit 3)");
// The time of the last line event in the status line.
inline const QString kLineEventTimeFormat = QStringLiteral("HH:mm:ss");
// A triggered capture's progress. %1 the event, %2 the events asked for.
inline const QString kCaptureArmed = QStringLiteral("armed for event %1 of %2");
inline const QString kCaptureCapturing = QStringLiteral("capturing event %1 of %2");
inline const QString kCaptureDone = QStringLiteral("done: %1 of %2 events");
// After kCaptureArmed while passes go to a broker: none goes before the event.
inline const QString kCaptureNothingPublished = QStringLiteral(", nothing published until it comes");
// A --trigger run (%1 the condition) that ended without an event: %2 how long it waited.
inline const QString kNoEventCame = QStringLiteral("--trigger %1: no event came in %2 (exit 4)");
// The same, stopped by a signal (which ends a run with 0).
inline const QString kNoEventBeforeStop = QStringLiteral("--trigger %1: no event came in %2 before the stop");

// --publish udp://HOST:PORT. %1 the value given.
inline const QString kUdpForm = QStringLiteral("--publish %1: give udp://host:port (an IPv6 address in brackets)");
// %2 the host, %3 the resolver's reason.
inline const QString kUdpHostUnknown = QStringLiteral("--publish %1: the host %2 cannot be found: %3");
// %2 the system's reason.
inline const QString kUdpSocket = QStringLiteral("--publish %1: %2");
// %2 the longest message a pass can make, %3 the most a datagram to that host holds.
inline const QString kUdpTooLarge =
    QStringLiteral("--publish %1: a pass makes a message of up to %2 bytes and a datagram holds %3; "
                   "record fewer channels or give them shorter names");
// After the summary, one line per datagram stream: %1 the target, %2 datagrams sent, %3 dropped.
inline const QString kUdpSummary = QStringLiteral("qmx-record: %1: sent %2 datagrams, dropped %3");
// In the status line: %1 sent, %2 dropped.
inline const QString kUdpStatus = QStringLiteral("udp sent %1, dropped %2");

} // namespace record
