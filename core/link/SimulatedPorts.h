// The built-in simulated module: a ModuleEmulator behind a port number, so the tool runs
// with no hardware. Each port's emulator lives until reset(), across closes and reopens, as
// a real module keeps its settings when the PC closes the port.
#pragma once

#include "LineSettings.h"
#include "core/base/Clock.h" // the emulators run on SystemClock::monotonicMs()
#include "tools/emulator/ModuleEmulator.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <memory>

class SioBackend;

namespace SimulatedPorts {

// The emulator behind COMn, nullptr before the port was first opened as simulated.
ModuleEmulator* emulator(int port);
// What the tool last asked of COMn: line settings in force (9600 8N1 after an open), and the
// raw baud code and line mode of its last sio_ioctl (-1 before any).
LineSettings lastPcLine(int port);
int lastBaudCode(int port);
int lastMode(int port);
// Every write the tool made to COMn since the last call, oldest first (one entry a write).
QList<QByteArray> takeWritten(int port);
// Forgets every emulator and recorded setting (tests start clean). Ports must be closed.
void reset();

// For the port layer: a backend on the emulator of `port` with `options` (an emulator made
// with other options is replaced). Null with `error` set when the options are not understood.
std::unique_ptr<SioBackend> makeBackend(int port, const QString& options, QString* error);

} // namespace SimulatedPorts
