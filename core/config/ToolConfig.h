// The tool's settings in Config.ini: the port dialog's choice [COM], the edition [Ver], the
// options [Option], the last serial number written [SN] and the production record
// [Production]. Missing or unreadable values give the defaults; writing a section keeps
// everything else in the file.
#pragma once

#include "IniFile.h"
#include "ToolSettings.h"
#include "core/model/Edition.h"
#include "core/model/Values.h"

#include <QString>

namespace ToolConfig {

// [COM]: positions in the port dialog's lists.
struct Com {
    int port = 0;   // COM1 is 0
    int rate = 2;   // rows 600, 1200, 2400, 4800, 9600, 19200, 38400
    int verify = 2; // rows even, odd, none
};
Com ReadCom(const QString& path);
bool WriteCom(const QString& path, const Com& com, IniWriteError* error = nullptr);

// The port dialog's rows as values: 0 and Parity::Unknown for a position without a row.
int BaudOfRow(int row);
Parity ParityOfRow(int row);
// And back: -1 for a value without a row.
int RowOfBaud(int baud);
int RowOfParity(Parity parity);
constexpr int kBaudRows = 7;

// [Ver]
struct Ver {
    QString type;
    QString model;
    QString ceo = QStringLiteral("CN");
    int ktx = 0;
    Edition edition() const { return Edition{type, model, ktx}; }
};
Ver ReadVer(const QString& path);

// [Option]
struct Options {
    bool frameDelay = false;      // fixed frame gap
    int delayTime = 333;          // frame gap, ms
    int rxTimer = 30;             // receive period, ms
    int rxTxConversion = 20;      // pair test's turn-round pause, ms
    bool searchBeforeRW = true;   // read-all and write-all search first
    int testDelayTime = 1500;     // wait before the chained transmit test, 0..kMaxTestDelayMs
};
constexpr int kMaxTestDelayMs = 10000;
Options ReadOptions(const QString& path);
// Writes what the window's closing keeps: everything but the test delay.
bool WriteOptions(const QString& path, const Options& options, IniWriteError* error = nullptr);

// [SN]: the last serial number written, as the window shows it. SerialNumberStore writes it.
struct Sn {
    int model = 0;   // row of the model list
    QString year;    // "2014"
    QString month;   // "08"
    QString number;  // "00042"
};
Sn ReadSn(const QString& path);

// [Production]: where the production record is kept and this station's name in it (empty
// when not given: the front ends then use the host name).
struct Production {
    QString database; // "sqlite:PATH" or "postgresql://USER@HOST[:PORT]/DBNAME", empty: none
    QString station;
};
Production ReadProduction(const QString& path);

// Everything the tool runs with, from [COM], [Ver], [Option] and [Production] (values brought
// within their bounds). A [COM] row without a rate or parity gives a baud of 0 or Parity::Unknown.
ToolSettings ReadSettings(const QString& path);

} // namespace ToolConfig
