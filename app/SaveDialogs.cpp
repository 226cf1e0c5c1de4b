#include "SaveDialogs.h"

#include "UiServices.h"
#include "Unit1.h"
#include "texts/tools_texts.h"

#include <QDir>
#include <QFileInfo>

QString ChooseSaveFile(QWidget* parent, const QString& title, const QString& filter, const QString& suffix)
{
    QString path = Ui().chooseFile(parent, true, title, filter);
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    path += QLatin1Char('.') + suffix;
    // The dialog asked about the name as typed, not about this one.
    if (QFileInfo::exists(path)
        && !AskYesNo(Tr(ToolsTexts::ReplaceFile).arg(QDir::toNativeSeparators(path)), parent, true))
        return QString();
    return path;
}

void ShowSaved(QWidget* from, const QString& path)
{
    for (QWidget* w = from; w; w = w->parentWidget())
        if (auto* form = qobject_cast<TForm1*>(w)) {
            form->SetPanel(2, Tr(ToolsTexts::FileSaved) + QDir::toNativeSeparators(path));
            return;
        }
}
