// Config.ini access by section and key. The file is read when the object is made and each
// write is put to disk at once; whatever else the file holds (unknown sections and keys,
// comments, order, bytes that are not UTF-8) is kept as it is.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class IniFile {
public:
    explicit IniFile(const QString& path);
    ~IniFile();

    QString path() const { return m_path; }
    bool exists() const;

    // Missing keys, and integers that do not read as one, give the default.
    int ReadInteger(const QString& section, const QString& key, int def) const;
    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    bool ReadBool(const QString& section, const QString& key, bool def) const;
    bool HasKey(const QString& section, const QString& key) const;
    QStringList Keys(const QString& section) const;

    // False when the file could not be written; callers that must stay silent ignore it.
    bool WriteInteger(const QString& section, const QString& key, int value);
    bool WriteString(const QString& section, const QString& key, const QString& value);
    bool WriteBool(const QString& section, const QString& key, bool value);

private:
    struct Impl;
    QString m_path;
    std::unique_ptr<Impl> d;
};
