#pragma once
// The program-wide data of the variable catalogue. Written by the Data Read, the check of the
// super-block data file, the decoder and the list builder; read by the trend and monitor windows.

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

struct BlockRecord {
    QString name;       // up to 4 characters; "BEND" in the record that closes the table
    int typeCode = 0;   // 0 only in the closing record
    int instance = 0;   // ordinal among blocks of the same type, from 1
    int paramWords = 0; // words after the header
    int outputs = 0;    // output words
    int width = 1;      // 1 or 2
};

struct CatalogueData {
    static constexpr int kMaxSuperBlockWords = 992;
    static constexpr int kMaxBlocks = 127;       // and the closing record
    static constexpr int kMaxVariableEntries = 999; // and "END"

    // Each exactly four upper-case hex digits; element i is the word at 600620 + 2 i.
    QStringList superBlockWords;
    // Filled from index 0; the record with typeCode 0 closes the table. Empty: first typeCode 0.
    std::vector<BlockRecord> blockRecords{BlockRecord{}};
    // "AAAAAAAA,Name" entries, closed by "END"; empty before the first build.
    QStringList variableList;
    bool variableListBuilt = false;
    // Four addresses as eight upper-case hex digits; empty until a data file passed its check.
    std::array<QString, 4> pointerAddresses;
};
