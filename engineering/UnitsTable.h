#pragma once
// Units and scaling per variable: the user's file "Units.txt" beside the presets, one variable a
// line, tab separated,
//
//     NAME_OR_ADDRESS <TAB> gain <TAB> offset <TAB> unit        # a comment
//
// engineering value = raw x gain + offset. "#" starts a comment (to the line's end); blank lines
// are nothing. The unit may be left out. A line that cannot be taken is named (file, line, reason)
// and ignored; the rest of the file still counts. The file is only read, except by the units
// dialog, which writes it whole through write() (an atomic replace: a failed write leaves the file
// that was there).
//
// Which entry a channel takes: the entry of its variable name when there is one, else the entry of
// its word address. The name wins because it follows the variable when a new super block moves it,
// while an address entry scales whatever lies at that address. A key is compared with names as it
// stands (case matters) and with addresses as a hex number of at most eight digits (case does not
// matter, leading zeros neither: "600e60" and "00600E60" are the same address). Logic channels (a
// word's bit) are 0 or 1 and take no scale; that is the caller's to leave out.
//
// QtCore only: the Trend Graph's windows, the Recording window and qmx-record share one table.

#include <QHash>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

struct UnitScale {
    double gain = 1.0;
    double offset = 0.0;
    QString unit; // may be empty

    double apply(double raw) const { return raw * gain + offset; }
    bool operator==(const UnitScale &) const = default;
};

struct UnitsEntry {
    QString key; // a variable name or a hex address, as written in the file
    UnitScale scale;
    int line = 0; // in the file it was read from (1 for the first line); 0 when not read from one
};

// A line of the units file that was ignored.
struct UnitsProblem {
    QString file; // its bare name
    int line = 0;
    QString reason;
    // "Units.txt:7: gain \"x\" is not a finite number"
    QString text() const;
};

class UnitsTable {
public:
    // The units file's own name and where it is kept: beside the presets, in the program's files
    // folder.
    static QString fileName();
    static QString defaultPath();

    // The entries of a units file's lines; every line not taken is added to `problems` under
    // `fileName` (its bare name is used). Of two lines for the same key the first counts.
    static UnitsTable parse(const QStringList &lines, const QString &fileName,
                            std::vector<UnitsProblem> *problems = nullptr);
    // Reads `path`. A file that is not there is an empty table (no units yet) and no error; a file
    // that cannot be read (a folder, too large, no permission) is an empty table with `error` set
    // to the reason.
    static UnitsTable read(const QString &path, std::vector<UnitsProblem> *problems = nullptr,
                           QString *error = nullptr);

    // The scale of a channel named `name` at word `address`: the name's entry, else the
    // address's; nothing when neither has one. An empty name looks up the address only, no address
    // the name only.
    const UnitScale *find(const QString &name, std::optional<std::uint32_t> address) const;
    const UnitScale *findName(const QString &name) const;
    const UnitScale *findAddress(std::uint32_t address) const;

    const std::vector<UnitsEntry> &entries() const { return entries_; }
    bool isEmpty() const { return entries_.empty(); }

    // For the units dialog: sets the entry of `key` (a new one goes last), or removes it. False
    // when `key` is no usable key (empty, or holds blanks, a tab or "#") or the gain or offset is not
    // finite.
    bool set(const QString &key, const UnitScale &scale);
    bool remove(const QString &key);

    // The file's lines: a heading comment and one line per entry, numbers in their shortest form
    // that reads back the same.
    QStringList toLines() const;
    // Writes toLines() to `path` as the program's text files are (Latin-1, CR LF), replacing it
    // atomically; false, with `error` set to the system's reason, when it could not be written.
    bool write(const QString &path, QString *error = nullptr) const;

    // A number as the file writes it and the units dialog shows it: the shortest decimal form that
    // reads back as the same double ("0.1", not "0.10000000000000001").
    static QString numberText(double value);
    // A key as an address: one to eight hex digits; nothing for anything else.
    static std::optional<std::uint32_t> keyAddress(const QString &key);
    // Whether `key` can stand in the file as the first field.
    static bool isUsableKey(const QString &key);

private:
    // Adds an entry and indexes it; the entry of a key or an address given earlier keeps its place.
    void append(UnitsEntry entry);
    void reindex();

    std::vector<UnitsEntry> entries_;
    // Where each key, and the first key of each address, stands in entries_: a file of many
    // thousand lines loads and answers in time that grows with its lines, not with their square.
    QHash<QString, std::size_t> keyIndex_;
    QHash<std::uint32_t, std::size_t> addressIndex_;
};
