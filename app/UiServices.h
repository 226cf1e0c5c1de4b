// The one layer through which the tool shows message boxes, asks Yes/No questions and asks
// the desktop to open things. Tests install their
// own implementation to see the texts and answer without modal dialogs.
#pragma once

#include <QString>
#include <QtGlobal>

class QWidget;

class UiServices {
public:
    enum class BoxKind { Warning, Error, Information };

    virtual ~UiServices() = default;

    // A modal box with one OK button.
    virtual void message(QWidget* parent, const QString& text, BoxKind kind);
    // A modal Yes/No question; true for Yes. warningStyle draws it as a warning box.
    virtual bool confirm(QWidget* parent, const QString& text, bool warningStyle);
    // A file to save to or to open, chosen by the operator; empty when cancelled.
    virtual QString chooseFile(QWidget* parent, bool save, const QString& title, const QString& filter);
    // Desktop shell: open a document or a web address with the default handler.
    virtual bool openDocument(const QString& path);
    virtual bool openUrl(const QString& url);
};

// The layer in use; never null.
UiServices& Ui();
// Installs another layer (tests); nullptr puts the default back. Not owned.
void SetUi(UiServices* services);

// Short forms used everywhere.
void ShowWarning(const QString& text, QWidget* parent = nullptr);
void ShowError(const QString& text, QWidget* parent = nullptr);
bool AskYesNo(const QString& text, QWidget* parent = nullptr, bool warningStyle = false);
