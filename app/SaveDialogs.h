// Save dialogs of the Tools windows: the name the operator chose gets the file type's suffix
// when it has none, and a saved file is told in the main window's status bar.
#pragma once

#include <QString>

class QWidget;

// The file to save to, ".csv" etc. (`suffix`, without the dot) added to a name without one;
// empty when cancelled, or when the name so made is an existing file the operator keeps.
QString ChooseSaveFile(QWidget* parent, const QString& title, const QString& filter, const QString& suffix);
// "File saved: <path>" in the status bar of the main window `from` belongs to.
void ShowSaved(QWidget* from, const QString& path);
