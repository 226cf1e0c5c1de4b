// Config.ini access by section and key. The file is read when the object is made; whatever
// else the file holds (unknown sections and keys, comments, order, bytes that are not UTF-8)
// is kept as it is.
//
// Writing goes through Update: under the file's lock (`<file>.lock`) the file is read again,
// changed and written whole to a temporary file that is renamed over it. Two programs writing
// the same file never undo each other's keys, a reader sees the old file or the new one, and a
// write that fails (disk full, read-only) leaves the old file as it was.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// Why a change of the file was not made.
struct IniWriteError {
    enum class Kind {
        None,
        LockHeld,     // another program kept the lock past the wait
        LockRefused,  // the lock file cannot be created (read-only directory, no such directory)
        WriteFailed,  // the file cannot be written; the old one is left as it was
    };
    Kind kind = Kind::None;
    QString path;   // the file that could not be locked or written
    QString detail; // the system's reason, when there is one

    explicit operator bool() const { return kind != Kind::None; }
    // One line in English, for the command line and logs.
    QString describe() const;
};

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

    // Change the copy in memory only; Update puts it to disk.
    void SetString(const QString& section, const QString& key, const QString& value);
    void SetInteger(const QString& section, const QString& key, int value);
    void SetBool(const QString& section, const QString& key, bool value);

    // One key put to disk at once through Update (this object follows); false when it failed.
    bool WriteString(const QString& section, const QString& key, const QString& value, IniWriteError* error = nullptr);
    bool WriteInteger(const QString& section, const QString& key, int value, IniWriteError* error = nullptr);
    bool WriteBool(const QString& section, const QString& key, bool value, IniWriteError* error = nullptr);

    // Reads `path` again under its lock, lets `edit` change it and writes it whole. `edit`
    // returning false writes nothing (and is no error). False with `error` set when the lock or
    // the write failed.
    static bool Update(const QString& path, const std::function<bool(IniFile&)>& edit, IniWriteError* error = nullptr);
    // Whether Update could write `path` now: the lock is taken and the file's contents are
    // written to a temporary file that is then thrown away.
    static bool CheckWritable(const QString& path, IniWriteError* error);

    // How long Update waits for another program's lock.
    static constexpr int kLockWaitMs = 10000;

private:
    QByteArray Serialized() const;
    struct Impl;
    QString m_path;
    std::unique_ptr<Impl> d;
};
