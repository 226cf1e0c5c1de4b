#include "IniFile.h"

#include <QFile>
#include <QFileInfo>

#include <SimpleIni.h>

#include <climits>
#include <cstdlib>
#include <string>

struct IniFile::Impl {
    CSimpleIniA ini{false, false, false}; // case-insensitive keys, single values
    bool bom = false;
    bool crlf = false;
};

namespace {

std::string Local(const QString& s) { return s.toLocal8Bit().toStdString(); }

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

} // namespace

IniFile::IniFile(const QString& path) : m_path(path), d(std::make_unique<Impl>())
{
    QByteArray bytes = ReadAll(path);
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        d->bom = true;
        bytes.remove(0, 3);
    }
    // The INI parser stops at a NUL byte, so the next write would drop everything after it
    // (a file damaged by a crash may hold some); NUL bytes mean nothing in the text, so they go.
    bytes.replace(QByteArray(1, '\0'), QByteArray());
    d->crlf = bytes.contains("\r\n");
    d->ini.SetSpaces(false);
    d->ini.LoadData(bytes.constData(), static_cast<size_t>(bytes.size()));
}

IniFile::~IniFile() = default;

bool IniFile::exists() const { return QFileInfo(m_path).isFile(); }

QString IniFile::ReadString(const QString& section, const QString& key, const QString& def) const
{
    const char* v = d->ini.GetValue(section.toUtf8().constData(), key.toUtf8().constData(), nullptr);
    if (!v)
        return def;
    return QString::fromLocal8Bit(v);
}

int IniFile::ReadInteger(const QString& section, const QString& key, int def) const
{
    const char* v = d->ini.GetValue(section.toUtf8().constData(), key.toUtf8().constData(), nullptr);
    if (!v)
        return def;
    // Decimal, optionally signed, or $hex / 0x hex; anything else gives the default.
    QString text = QString::fromLatin1(v).trimmed();
    bool ok = false;
    qlonglong value = 0;
    if (text.startsWith(QLatin1Char('$')))
        value = text.mid(1).toLongLong(&ok, 16);
    else if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = text.mid(2).toLongLong(&ok, 16);
    else
        value = text.toLongLong(&ok, 10);
    if (!ok || value < INT_MIN || value > INT_MAX)
        return def;
    return static_cast<int>(value);
}

bool IniFile::ReadBool(const QString& section, const QString& key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::HasKey(const QString& section, const QString& key) const
{
    return d->ini.GetValue(section.toUtf8().constData(), key.toUtf8().constData(), nullptr) != nullptr;
}

QStringList IniFile::Keys(const QString& section) const
{
    CSimpleIniA::TNamesDepend keys;
    d->ini.GetAllKeys(section.toUtf8().constData(), keys);
    keys.sort(CSimpleIniA::Entry::LoadOrder());
    QStringList out;
    for (const auto& k : keys)
        out << QString::fromLocal8Bit(k.pItem);
    return out;
}

bool IniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    d->ini.SetValue(section.toUtf8().constData(), key.toUtf8().constData(), Local(value).c_str());
    std::string out;
    if (d->ini.Save(out) < 0)
        return false;
    QByteArray bytes = QByteArray::fromStdString(out);
    if (d->crlf || !QFileInfo::exists(m_path)) {
        // Windows INI readers expect CR LF; keep a file's own line ends otherwise.
        bytes.replace("\r\n", "\n");
        bytes.replace("\n", "\r\n");
    }
    if (d->bom)
        bytes.prepend("\xEF\xBB\xBF");
    if (!d->crlf && !QFileInfo::exists(m_path))
        d->crlf = true;
    QFile f(m_path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

bool IniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    return WriteString(section, key, QString::number(value));
}

bool IniFile::WriteBool(const QString& section, const QString& key, bool value)
{
    return WriteInteger(section, key, value ? 1 : 0);
}
