// Interface language: captions, window title and the help command.
#include "Unit1.h"

#include "UiServices.h"
#include "app_texts.h"

#include <QDir>
#include <QLabel>

namespace {
QString U(const char* s) { return QString::fromUtf8(s); }
} // namespace

void TForm1::ApplyLanguage()
{
    const bool english = GlobleVar::CaptionsInEnglish();
    const bool german = english && GlobleVar::IsEdition("GERMAN");
    QString title;
    if (english)
        title = (german ? QStringLiteral("FUNKMODUL EINSTELLPROGRAMM") : QStringLiteral("RF Module Setup Tool"))
            + QStringLiteral("  V3.16");
    else if (GlobleVar::PrefixStyle == 1)
        title = U("凯斯特无线数传模块设置软件   V3.16");
    else
        title = U("无线数传模块设置软件   V3.16");
    setWindowTitle(title);
    SetPanel(0, GlobleVar::PrefixStyle == 1 ? U("凯斯特无线") : QString());
}

void TForm1::N20Click()
{
    GlobleVar::StartDirectory = QDir::currentPath();
    const QString path = QDir::toNativeSeparators(QDir(GlobleVar::StartDirectory).filePath(QStringLiteral("readme.doc")));
    if (!Ui().openDocument(path))
        ShowWarning(path + Tr(AppTexts::HelpOpenFail), this);
}
