#include "GlobleVar.h"

#include <QDir>
#include <QStringDecoder>

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
}

QString ConfigPath()
{
    const QString dir = StartDirectory.isEmpty() ? QDir::currentPath() : StartDirectory;
    return QDir(dir).filePath(QStringLiteral("Config.ini"));
}

QByteArray TextToBytes(const QString& text)
{
    return text.toUtf8();
}

QString BytesToText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

} // namespace GlobleVar
