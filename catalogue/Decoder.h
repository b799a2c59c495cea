#pragma once
// Turns the super-block words into decoded block records and builds the list of named controller
// variables from them, the fixed DIO and M areas and the two variable files beside the program.
// Pure functions over CatalogueData: messages come back in the outcome for the window to show.

#include "catalogue/CatalogueData.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

struct CatalogueOutcome {
    // False when the Data Read (or the window's first build) must end here; the data it was
    // working on is left exactly as it was.
    bool proceed = true;
    // Texts to show, in order.
    QStringList messages;
};

// The byte address of word offset `offset` from the catalogue's base 600600.
constexpr quint32 kCatalogueBase = 0x600600;
constexpr quint32 offsetAddress(quint32 offset) { return kCatalogueBase + 2 * offset; }

inline constexpr int kMaxVarlistLines = 255; // lines taken from "Varlist.txt"

// A whole text of hexadecimal digits (either case), or nothing when it is empty, holds any other
// character or does not fit 32 bits.
std::optional<quint32> parseHex(QStringView text);
// Eight upper-case hexadecimal digits.
QString hexAddress(quint32 address);

// Rewrites blockRecords from superBlockWords. A type code above 124, more than 127 blocks or a
// chain that runs past the loaded words ends the table at the blocks decoded so far, with
// "Incorrect Load Data". A header whose type digits (or a CONS header whose count digit) are not
// hexadecimal ends the Data Read and leaves blockRecords untouched. No words loaded at all gives
// an empty table without a message.
CatalogueOutcome decodeSuperBlock(CatalogueData &data);

// The block entries in their intermediate offset form "OOO,W,Name": the header entry of each
// block and one entry per output word, closed by nothing (the caller joins the lists).
QStringList blockOffsetEntries(const std::vector<BlockRecord> &records);

// Rebuilds variableList from blockRecords, the lines of "Varlist.txt" (offset form) and
// "Varlist2.txt" (address form) and the DIO and M entries, and sets variableListBuilt. A missing file
// (nullopt), a file without a line "END", an offset that is not hexadecimal or a list over its
// limits refuses the build: variableList and variableListBuilt stay as they were.
CatalogueOutcome buildVariableList(CatalogueData &data, const std::optional<QStringList> &varlistLines,
                                   const std::optional<QStringList> &varlist2Lines);
// The same with the two files read from the program's folder.
CatalogueOutcome buildVariableList(CatalogueData &data);

// The names the name list shows: entry i without its address and comma, for the entries before
// "END".
QStringList variableNames(const QStringList &variableList);
// The address (eight hex digits) of the first entry named exactly `name`, or an empty text.
QString variableAddress(const QStringList &variableList, const QString &name);
