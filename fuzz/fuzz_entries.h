// Entry functions of the fuzz targets: each takes one arbitrary input and drives one place
// that parses what comes from outside (module answers, received pair-test data, hex text,
// Config.ini, the emulator's frames from the PC, the production spill file, database
// locations and parameter profiles). The libFuzzer programs and the replay test call the very
// same functions, so a crash found by fuzzing stays reproducible in the ordinary test build.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace FuzzEntries {

// Called when a property an entry checks does not hold (a crash needs no handler). The
// default aborts, so libFuzzer keeps the input; the replay test records the text instead.
void SetFailureHandler(std::function<void(const QString&)> handler);

// Deletes the sessions the entries share, while the application still exists (the replay
// test calls it at its end; the fuzz programs never do, as libFuzzer may exit anywhere).
void Shutdown();

// Target names, also the names of the corpus and regression folders.
QStringList Targets();

// Runs one input through the named target; false for an unknown name.
bool Run(const QString& target, const QByteArray& input);

// The targets themselves.
void Dispatch(const QByteArray& input);    // "dispatch": both answer dispatchers and decoders
void PairReceive(const QByteArray& input); // "pairrx": received data handed over by the reception
void Hex(const QByteArray& input);         // "hex": hex-text helpers and their round trip
void Ini(const QByteArray& input);         // "ini": Config.ini reading and writing
void Emulator(const QByteArray& input);    // "emulator": the emulator's frames from the PC
void Spill(const QByteArray& input);       // "spill": a line of the production spill file, round trip
void DbLocation(const QByteArray& input);  // "dblocation": a production database location, round trip
void ProfileFile(const QByteArray& input); // "profile": a parameter profile file, round trip

} // namespace FuzzEntries
