#include "SessionRig.h"

#include "core/config/ConfigFile.h"
#include "core/link/PComm.h"
#include "core/link/SimulatedPorts.h"
#include "core/link/SioBackend.h"

#include <QFile>

SessionRig::SessionRig(const QString& module, const QString& edition, const SerialSettings& pcLine, int gapMs)
{
    PCommBackends::closeAll();
    PCommBackends::clearOverrides();
    SimulatedPorts::reset();
    QFile f(dir.filePath(QStringLiteral("Config.ini")));
    if (f.open(QIODevice::WriteOnly))
        f.write(QStringLiteral("[Ports]\r\nCOM1=sim%1\r\n").arg(module.isEmpty() ? QString() : QLatin1Char(':') + module).toUtf8());
    f.close();
    ConfigFile::setDirectory(dir.path());
    session = std::make_unique<ModuleSession>(Edition{edition, QString(), 0});
    session->setFrameGapOption(true, gapMs);
    session->openPort(1, pcLine.line());
    requests(); // the search answer of an earlier test is not this one's
}

SessionRig::~SessionRig()
{
    session.reset();
    PCommBackends::closeAll();
    ConfigFile::setDirectory(QString());
}

ModuleEmulator* SessionRig::module() const
{
    return SimulatedPorts::emulator(1);
}

QStringList SessionRig::requests(bool withoutSearch) const
{
    QStringList out;
    ModuleEmulator* m = module();
    if (!m)
        return out;
    m->advance(SystemClock::monotonicMs());
    for (const ModuleEmulator::Event& e : m->takeEvents()) {
        if (!e.text.startsWith(QLatin1String("request ")))
            continue;
        const QString r = e.text.mid(8);
        if (!withoutSearch || !r.contains(QLatin1String(" 8000")))
            out << r;
    }
    return out;
}

bool SessionRig::waitFinished(Command command, int ms)
{
    bool done = false;
    const auto c = QObject::connect(session.get(), &ModuleSession::transactionEnded, session.get(),
                                    [&](const TransactionResult& r) { done = done || r.command == command; });
    const bool ok = Wait::until([&] { return done; }, ms);
    QObject::disconnect(c);
    return ok;
}
