#include "IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <SimpleIni.h>

#include <climits>
#include <cstdlib>
#include <string>

struct IniFile::Impl {
    CSimpleIniA ini{false, false, false}; // case-insensitive keys, single values
    bool bom = false;
    bool crlf = false;
    bool existed = false;
};

namespace {

std::string Local(const QString& s) { return s.toLocal8Bit().toStdString(); }

// A key's name as the lookups find it again. The parser takes a line starting with a BOM (two
// files run together) for a key whose name begins with the BOM's bytes; fromLocal8Bit would
// drop them, and a write to that name would then add a line starting with "[", which the
// reader takes for a section.
QString KeyName(const char* name)
{
    QStringDecoder decode(QStringConverter::System,
                          QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    return decode(QByteArrayView(name));
}

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
    d->existed = QFileInfo(path).isFile();
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
        out << KeyName(k.pItem);
    return out;
}

QString IniWriteError::describe() const
{
    switch (kind) {
    case Kind::None:
        return QString();
    case Kind::LockHeld:
        return QStringLiteral("%1.lock: another program holds %1").arg(path);
    case Kind::LockRefused:
        return QStringLiteral("%1.lock cannot be created (%2): %1 cannot be written").arg(path, detail);
    case Kind::WriteFailed:
        return QStringLiteral("%1 cannot be written (%2); it is left as it was").arg(path, detail);
    }
    return QString();
}

void IniFile::SetString(const QString& section, const QString& key, const QString& value)
{
    d->ini.SetValue(section.toUtf8().constData(), key.toUtf8().constData(), Local(value).c_str());
}

void IniFile::SetInteger(const QString& section, const QString& key, int value)
{
    SetString(section, key, QString::number(value));
}

void IniFile::SetBool(const QString& section, const QString& key, bool value)
{
    SetInteger(section, key, value ? 1 : 0);
}

QByteArray IniFile::Serialized() const
{
    std::string out;
    d->ini.Save(out);
    QByteArray bytes = QByteArray::fromStdString(out);
    if (d->crlf || !d->existed) {
        // Windows INI readers expect CR LF; keep a file's own line ends otherwise.
        bytes.replace("\r\n", "\n");
        bytes.replace("\n", "\r\n");
    }
    if (d->bom)
        bytes.prepend("\xEF\xBB\xBF");
    return bytes;
}

namespace {

// Holds `path`'s lock for as long as it lives.
class ConfigLock {
public:
    explicit ConfigLock(const QString& path) : m_lock(path + QStringLiteral(".lock"))
    {
        m_lock.setStaleLockTime(30000);
    }
    bool take(const QString& path, IniWriteError* error)
    {
        if (m_lock.tryLock(IniFile::kLockWaitMs))
            return true;
        IniWriteError e;
        e.path = path;
        if (m_lock.error() == QLockFile::LockFailedError) {
            e.kind = IniWriteError::Kind::LockHeld;
        } else {
            e.kind = IniWriteError::Kind::LockRefused;
            const QFileInfo dir(QFileInfo(path).absolutePath());
            e.detail = !dir.isDir()         ? QStringLiteral("no such directory")
                       : !dir.isWritable()  ? QStringLiteral("the directory is read-only")
                                            : QStringLiteral("lock file error");
        }
        if (error)
            *error = e;
        return false;
    }

private:
    QLockFile m_lock;
};

IniWriteError WriteFailure(const QString& path, const QString& detail)
{
    IniWriteError e;
    e.kind = IniWriteError::Kind::WriteFailed;
    e.path = path;
    e.detail = detail;
    return e;
}

} // namespace

bool IniFile::Update(const QString& path, const std::function<bool(IniFile&)>& edit, IniWriteError* error)
{
    ConfigLock lock(path);
    if (!lock.take(path, error))
        return false;
    IniFile fresh(path);
    if (!edit(fresh))
        return true;
    const QByteArray bytes = fresh.Serialized();
    QSaveFile f(path);
    // The bytes go to a temporary file that replaces the old one only once all are on disk.
    // Unbuffered, so a short write is seen here: QSaveFile commits a file whose buffered
    // bytes failed to go out.
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || f.write(bytes) != bytes.size() || !f.commit()) {
        if (error)
            *error = WriteFailure(path, f.errorString());
        return false;
    }
    return true;
}

bool IniFile::CheckWritable(const QString& path, IniWriteError* error)
{
    ConfigLock lock(path);
    if (!lock.take(path, error))
        return false;
    const QByteArray bytes = IniFile(path).Serialized();
    QSaveFile f(path);
    const bool ok = f.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && f.write(bytes) == bytes.size()
                    && f.error() == QFileDevice::NoError;
    const QString reason = f.errorString();
    f.cancelWriting();
    f.commit(); // throws the temporary file away
    if (!ok && error)
        *error = WriteFailure(path, reason);
    return ok;
}

bool IniFile::WriteString(const QString& section, const QString& key, const QString& value, IniWriteError* error)
{
    const bool written = Update(
        m_path,
        [&](IniFile& fresh) {
            fresh.SetString(section, key, value);
            return true;
        },
        error);
    if (written)
        SetString(section, key, value);
    return written;
}

bool IniFile::WriteInteger(const QString& section, const QString& key, int value, IniWriteError* error)
{
    return WriteString(section, key, QString::number(value), error);
}

bool IniFile::WriteBool(const QString& section, const QString& key, bool value, IniWriteError* error)
{
    return WriteInteger(section, key, value ? 1 : 0, error);
}
