// Where Config.ini is: in the directory the program was started in, unless told otherwise.
#pragma once

#include <QString>

namespace ConfigFile {

// The directory Config.ini is looked for in (the current directory until set).
QString directory();
void setDirectory(const QString& dir);
// Config.ini in that directory.
QString path();

} // namespace ConfigFile
