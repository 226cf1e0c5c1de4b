// Which device stands behind port number COMn.
//
// An entry in Config.ini, section "Ports", key "COMn" wins:
//   COM1=/dev/ttyUSB0                          a device path (or any name QSerialPort takes)
//   COM2=sim                                   the built-in simulated module, default options
//   COM3=sim:model=35,band=433,baud=2400       the simulated module with those options
// Without an entry: on Windows COMn itself; elsewhere the n-th USB serial adapter
// (/dev/ttyUSB* and /dev/ttyACM*, sorted, so one plugged-in adapter is COM1), and when there
// are fewer adapters than n, /dev/ttyS<n-1>.
#pragma once

#include <QString>
#include <QStringList>

namespace PortMapping {

enum class Kind { Device, Simulated, Invalid };

struct Target {
    Kind kind = Kind::Invalid;
    QString device;     // Kind::Device
    QString simOptions; // Kind::Simulated: the emulator's options text, empty for defaults
    bool fromConfig = false;
    bool given = false;    // the entry was set for this run (SetEntry), not read from Config.ini
    int adapterIndex = -1; // 0-based position among the USB adapters, -1 when not one
    int adapterCount = 0;
    QString error;         // Kind::Invalid: why

    // Identifies the target; a port is reopened when this changes.
    QString key() const;
};

// Pure: the target of COMn from the configured text (empty: no entry), the USB adapters
// present (already sorted, see UsbAdapters) and the platform.
Target Resolve(int port, const QString& configured, const QStringList& usbAdapters, bool windows);

// Pure: the USB serial adapters among the given device paths, in COM order (ttyACM before
// ttyUSB, numbers compared as numbers).
QStringList UsbAdapters(const QStringList& systemLocations);

// Pure: a short text of a target for the port dialog.
QString Describe(int port, const Target& target);

// An entry for COMn that wins over Config.ini for the rest of the process (a command line's
// --port /dev/ttyUSB0 or --port sim:...); a null text removes it.
void SetEntry(int port, const QString& entry);
// The entry for COMn (SetEntry, else Config.ini), empty when there is none.
QString ConfiguredEntry(int port);

// Reads Config.ini and the system's adapters now.
Target Lookup(int port);
QString describe(int port);

} // namespace PortMapping
