#include "HelpDocument.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString kDocumentName = QStringLiteral("readme.doc");
}

QString HelpDocumentPath(const QString& workingDirectory, const QStringList& fallbacks)
{
    const QString local = QDir(workingDirectory).filePath(kDocumentName);
    if (QFileInfo(local).isFile())
        return local;
    for (const QString& path : fallbacks)
        if (QFileInfo(path).isFile())
            return QDir::cleanPath(path);
    return local;
}

QStringList InstalledHelpDocuments(const QString& applicationDirectory)
{
    QStringList paths;
#ifdef RFMOD_INSTALL_DOCDIR
    paths << QDir(QStringLiteral(RFMOD_INSTALL_DOCDIR)).filePath(kDocumentName);
#endif
    paths << QDir(applicationDirectory).filePath(QStringLiteral("../share/doc/rfmodtool/") + kDocumentName);
    return paths;
}
