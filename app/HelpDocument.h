// Where the help command finds the operator's manual.
#pragma once

#include <QString>
#include <QStringList>

// The manual to open: `readme.doc` in the working directory when it is there, otherwise the
// first of `fallbacks` (full paths of installed copies) that is there, otherwise the working
// directory's path again, so that the failure names the place the manual was looked for.
QString HelpDocumentPath(const QString& workingDirectory, const QStringList& fallbacks);

// The installed copies, in the order they are tried: the documentation directory the build
// was configured for, then the one beside the program (<exe dir>/../share/doc/rfmodtool),
// which holds when a package is installed under another prefix.
QStringList InstalledHelpDocuments(const QString& applicationDirectory);
