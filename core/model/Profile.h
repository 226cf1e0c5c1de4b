// A parameter profile: the values to put into modules, kept in a small INI file that people
// can read and edit. The window's profile commands and rfmodctl share it.
//
//   [Profile]
//   Format=1
//   Model=525            optional: the model it is meant for (series, with or without prefix)
//   Base=433MHZ          optional: its base frequency
//   [Parameters]         any subset
//   Channel=3
//   AirRate=9600
//   SerialBaud=9600
//   SerialParity=none    none, even, odd
//   Protocol=own         own, compatible
//   PowerSave=none       none, hardware, serial, air
//   RadioId=1            0..65535
//   Power=1W             1W, 2W
//   PowerLevel=15        0..15
#pragma once

#include "Values.h"

#include <QString>
#include <QStringList>

struct Profile {
    static constexpr int kFormat = 1;

    int modelRow = -1; // catalogue row, -1: any
    QString base;      // base frequency text, empty: any
    int channel = -1;
    int airRate = 0;
    int serialBaud = 0;
    Parity serialParity = Parity::Unknown;
    int protocol = -1;
    int powerMode = -1;
    int radioId = -1;
    int power = -1;      // 0 1 W, 1 2 W
    int powerLevel = -1; // 0..15

    bool isEmpty() const;
    bool hasSerial() const { return serialBaud > 0 || serialParity != Parity::Unknown; }
    bool operator==(const Profile& o) const;
};

namespace Profiles {

// Why a file is no usable profile; the front ends word it.
struct ReadProblem {
    enum Kind {
        None,
        NoFile,
        Directory,
        NotRegular,  // a FIFO or a device
        TooLarge,    // over 1 MB
        NotProfile,  // no [Profile] Format
        BadFormat,   // value: the Format text
        NewerFormat, // value: the file's format; allowed: the newest this tool reads
        NoModel,     // value: the Model text
        NoBase,      // value: the Base text
        UnknownKey,  // key; allowed: the known keys, comma separated
        BadValue,    // key=value is not a value it takes
    } kind = None;
    QString path;
    QString key;
    QString value;
    QString allowed;
};
// Reads a profile; false with the file's problem and `out` untouched.
bool Read(const QString& path, Profile* out, ReadProblem* problem);
// The same with the problem as one English message ("p.ini: Channel=300 is not a value it takes").
bool Read(const QString& path, Profile* out, QString* error);
QString Describe(const ReadProblem& problem);
bool Write(const QString& path, const Profile& profile, QString* error);

// A value a model cannot take: which, the value, and what the model takes instead.
struct Problem {
    enum Field { Model, Channel, AirRate, SerialBaud, Power, Base } field;
    QString value;   // "40"
    QString model;   // "525"
    QString allowed; // "1 to 16", "1200, 2400, 4800", "" (no such setting)
};
// The values a model (catalogue row) cannot take; empty when it takes them all. `edition`
// decides the number of channels. A row that is no model gives one Model problem with an
// empty `model`: nothing could be checked.
QList<Problem> CheckValues(const Profile& profile, int modelRow, const QString& edition);
// The same as one English message each ("channel 40: model 525 has channels 1 to 16").
QStringList Check(const Profile& profile, int modelRow, const QString& edition);
QString Describe(const Problem& problem);

// Text forms used in profiles, logs and the command line; -1 (Unknown) when not understood.
int ProtocolOfName(const QString& name);  // "own", "compatible" (or 0, 1)
int PowerModeOfName(const QString& name); // "none", "hardware", "serial", "air" (or 0..3)
int PowerOfName(const QString& name);     // "1W", "2W"
Parity ParityOfName(const QString& name); // "none", "even", "odd"
QString ProtocolName(int protocol);
QString PowerModeName(int mode);
QString PowerName(int power);
// Catalogue row of a model name ("525", "KTX525", "QOM525"), -1 when there is none.
int ModelRowOfName(const QString& name);

} // namespace Profiles
