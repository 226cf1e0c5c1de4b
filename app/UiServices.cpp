#include "UiServices.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>
#include <QUrl>

namespace {
// Boxes carry the title of the window they belong to, as the operator knows it.
QString BoxTitle(QWidget* parent)
{
    QWidget* w = parent ? parent->window() : QApplication::activeWindow();
    if (w && !w->windowTitle().isEmpty())
        return w->windowTitle();
    return QApplication::applicationName();
}
} // namespace

void UiServices::message(QWidget* parent, const QString& text, BoxKind kind)
{
    const QString title = BoxTitle(parent);
    switch (kind) {
    case BoxKind::Error:
        QMessageBox::critical(parent, title, text);
        break;
    case BoxKind::Information:
        QMessageBox::information(parent, title, text);
        break;
    case BoxKind::Warning:
        QMessageBox::warning(parent, title, text);
        break;
    }
}

bool UiServices::confirm(QWidget* parent, const QString& text, bool warningStyle)
{
    const QString title = BoxTitle(parent);
    const auto buttons = QMessageBox::Yes | QMessageBox::No;
    const auto answer = warningStyle ? QMessageBox::warning(parent, title, text, buttons)
                                     : QMessageBox::question(parent, title, text, buttons);
    return answer == QMessageBox::Yes;
}

QString UiServices::chooseFile(QWidget* parent, bool save, const QString& title, const QString& filter)
{
    return save ? QFileDialog::getSaveFileName(parent, title, QString(), filter)
                : QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

bool UiServices::openDocument(const QString& path)
{
    // The desktop launcher reports success even for a file that is not there.
    if (!QFileInfo(path).isFile())
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool UiServices::openUrl(const QString& url)
{
    return QDesktopServices::openUrl(QUrl(url));
}

namespace {
UiServices g_defaultUi;
UiServices* g_ui = &g_defaultUi;
} // namespace

UiServices& Ui() { return *g_ui; }

void SetUi(UiServices* services) { g_ui = services ? services : &g_defaultUi; }

namespace {
// Texts of the boxes open right now. A modal box runs the window's timers; a timer that fails
// again while its box is still open (a send every 100 ms on a pulled-out adapter) must not
// stack box upon box, so a text already showing is not shown a second time.
QStringList g_showing;

void ShowOnce(QWidget* parent, const QString& text, UiServices::BoxKind kind)
{
    if (g_showing.contains(text))
        return;
    g_showing.append(text);
    Ui().message(parent, text, kind);
    g_showing.removeOne(text);
}
} // namespace

void ShowWarning(const QString& text, QWidget* parent)
{
    ShowOnce(parent, text, UiServices::BoxKind::Warning);
}

void ShowError(const QString& text, QWidget* parent)
{
    ShowOnce(parent, text, UiServices::BoxKind::Error);
}

bool AskYesNo(const QString& text, QWidget* parent, bool warningStyle)
{
    return Ui().confirm(parent, text, warningStyle);
}
