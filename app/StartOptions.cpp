#include "StartOptions.h"

#include "core/config/ConfigFile.h"

#include <QDir>
#include <QStandardPaths>

namespace {
QString g_station;
}

void UseStartOptions(const QStringList& arguments)
{
    g_station.clear();
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--user-config")) {
            const QString dir = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                                    .filePath(QStringLiteral("rfmodtool"));
            // Made now, so that the first Config.ini written has a place.
            QDir().mkpath(dir);
            ConfigFile::setDirectory(dir);
        } else if (a == QLatin1String("--station") && i + 1 < arguments.size()) {
            g_station = arguments[++i];
        }
    }
}

QString StartStation()
{
    return g_station;
}
