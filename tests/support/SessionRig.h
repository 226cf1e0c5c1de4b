// A module session on the built-in simulated module behind COM1, without widgets: Config.ini
// in a directory of its own, the port open at the module's default 9600 baud without parity
// (unless told otherwise), answers handed over after a fixed 60 ms of quiet.
#pragma once

#include "Wait.h"

#include "core/model/Edition.h"
#include "core/session/ModuleSession.h"
#include "tools/emulator/ModuleEmulator.h"

#include <QSignalSpy>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

struct SessionRig {
    // `module`: the simulated module's options ("model=35,baud=4800"); `edition`: the
    // keyword of [Ver] type.
    explicit SessionRig(const QString& module = QString(), const QString& edition = QString(),
                        const SerialSettings& pcLine = SerialSettings{9600, Parity::None}, int gapMs = 60);
    ~SessionRig();
    SessionRig(const SessionRig&) = delete;
    SessionRig& operator=(const SessionRig&) = delete;

    QTemporaryDir dir;
    std::unique_ptr<ModuleSession> session;

    // The simulated module behind COM1.
    ModuleEmulator* module() const;
    // Requests the module took since the last call, as "long 8009 payload 01 00", "short 8013
    // payload 0F" or "ID 8012 payload 02 01"; the search's identify steps left out when asked.
    QStringList requests(bool withoutSearch = false) const;
    // Waits for the answer that finishes the command in flight.
    bool waitFinished(Command command, int ms = 3000);
};
