#include "StartOptions.h"

#include "GlobleVar.h"
#include "core/config/ConfigFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTranslator>

namespace {
QString g_station;
bool g_production = false;
StationStart g_run;
}

void UseStartOptions(const QStringList& arguments)
{
    g_station.clear();
    g_production = false;
    g_run = StationStart{};
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--user-config")) {
            const QString dir = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                                    .filePath(QStringLiteral("rfmodtool"));
            // Made now, so that the first Config.ini written has a place.
            QDir().mkpath(dir);
            ConfigFile::setDirectory(dir);
        } else if (a == QLatin1String("--production")) {
            g_production = true;
        } else if (a == QLatin1String("--start")) {
            g_run.start = true;
        } else if (a == QLatin1String("--quit-when-done")) {
            g_run.quitWhenDone = true;
        } else if (a == QLatin1String("--count") && i + 1 < arguments.size()) {
            g_run.count = std::max(0, arguments[++i].toInt());
        } else if (a == QLatin1String("--station") && i + 1 < arguments.size()) {
            g_station = arguments[++i];
        }
    }
}

QString StartStation()
{
    return g_station;
}

bool StartProduction()
{
    return g_production;
}

StationStart StartStationRun()
{
    return g_run;
}

void UseQtTranslations()
{
    static QTranslator* installed = nullptr;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    if (GlobleVar::MessagesInEnglish())
        return;
    // Debian's qt6-translations-l10n; without it the buttons stay English.
    auto* translator = new QTranslator;
    if (translator->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        && QCoreApplication::installTranslator(translator))
        installed = translator;
    else
        delete translator;
}
