#include "GlobleVar.h"

#include "core/config/ConfigFile.h"

namespace GlobleVar {

TPortSettings PortSettings;
std::array<bool, kPortCount> portOpenFlags{};

QString EditionKeyword;
QString ModelKeyword;
QString LanguageCode = QStringLiteral("CN");
int PrefixStyle = 0;
int TestDelayTime = 1000;
bool TestEdition = false;
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
    EditionKeyword.clear();
    ModelKeyword.clear();
    LanguageCode = QStringLiteral("CN");
    PrefixStyle = 0;
    TestDelayTime = 1000;
    TestEdition = false;
    StartDirectory.clear();
    ConfigFile::setDirectory(QString());
}

Edition CurrentEdition()
{
    return Edition{EditionKeyword, ModelKeyword, PrefixStyle};
}

QString ConfigPath()
{
    return ConfigFile::path();
}

} // namespace GlobleVar
