#include "GlobleVar.h"

#include "core/config/ConfigFile.h"

namespace GlobleVar {

TPortSettings PortSettings;
std::array<bool, kPortCount> portOpenFlags{};

ToolSettings Settings;
QString StartDirectory;

void SetStartDirectory(const QString& dir)
{
    StartDirectory = dir;
    ConfigFile::setDirectory(dir);
}

void ResetAll()
{
    PortSettings = TPortSettings{};
    portOpenFlags.fill(false);
    Settings = ToolSettings{};
    StartDirectory.clear();
    ConfigFile::setDirectory(QString());
}

QString ConfigPath()
{
    return ConfigFile::path();
}

} // namespace GlobleVar
