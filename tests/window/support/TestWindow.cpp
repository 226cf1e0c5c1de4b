#include "TestWindow.h"

#include "app/GlobleVar.h"
#include "app/Portset.h"
#include "app/Unit1.h"
#include "core/link/SimulatedPorts.h"
#include "core/link/SioBackend.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

TestWindow::TestWindow(const QByteArray& configIni, bool createPortDialog)
{
    m_oldDir = QDir::currentPath();
    writeConfig(configIni);
    QDir::setCurrent(dir.path());
    GlobleVar::ResetAll();
    PCommBackends::closeAll();
    PCommBackends::clearOverrides();
    SimulatedPorts::reset();
    SimulatedPorts::takeWritten(1);
    m_form = std::make_unique<TForm1>();
    form = m_form.get();
    if (createPortDialog) {
        portSet = new TfrmPortSet(form);
        form->frmPortSet = portSet;
        portSet->FormCreate();
    }
}

TestWindow::~TestWindow()
{
    m_form.reset(); // the dialog is the window's child
    PCommBackends::closeAll();
    QDir::setCurrent(m_oldDir);
}

QString TestWindow::configPath() const { return QDir(dir.path()).filePath(QStringLiteral("Config.ini")); }

QByteArray TestWindow::configText() const
{
    QFile f(configPath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestWindow::writeConfig(const QByteArray& text)
{
    QFile f(configPath());
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(text);
}

void TestWindow::pump(int ms)
{
    Wait::pump(ms);
}

bool TestWindow::waitFor(const std::function<bool()>& done, int timeoutMs)
{
    return Wait::until(done, timeoutMs);
}

ModuleEmulator* TestWindow::emulator(int port) const { return SimulatedPorts::emulator(port); }

QList<QByteArray> TestWindow::sent(int port) const { return SimulatedPorts::takeWritten(port); }

QStringList TestWindow::sentHex(int port) const
{
    QStringList out;
    for (const QByteArray& b : SimulatedPorts::takeWritten(port))
        out << QString::fromLatin1(b.toHex().toUpper());
    return out;
}
