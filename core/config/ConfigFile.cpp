#include "ConfigFile.h"

#include <QDir>

namespace ConfigFile {

namespace {
QString g_directory;
}

QString directory()
{
    return g_directory.isEmpty() ? QDir::currentPath() : g_directory;
}

void setDirectory(const QString& dir)
{
    g_directory = dir;
}

QString path()
{
    return QDir(directory()).filePath(QStringLiteral("Config.ini"));
}

} // namespace ConfigFile
