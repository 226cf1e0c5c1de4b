// A UI layer for tests: records every message box and question and answers questions from a
// queue (Yes when the queue is empty).
#pragma once

#include "app/UiServices.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class FakeUi : public UiServices {
public:
    FakeUi();
    ~FakeUi() override;

    void message(QWidget* parent, const QString& text, BoxKind kind) override;
    bool confirm(QWidget* parent, const QString& text, bool warningStyle) override;
    bool openDocument(const QString& path) override;
    QString chooseFile(QWidget* parent, bool save, const QString& title, const QString& filter) override;
    bool openUrl(const QString& url) override;

    QStringList messages;        // every box text, in order
    // Runs while a box "is open", as a modal box runs the event loop (timers included).
    std::function<void()> whileShowing;
    QList<BoxKind> kinds;        // kind of each box
    QStringList questions;       // every Yes/No text, in order
    QList<bool> answers;         // answers to give, front first; Yes when empty
    QStringList openedDocuments; // paths the desktop was asked to open
    QStringList openedUrls;
    bool documentOpens = false;  // what openDocument answers
    QStringList files;           // files "chosen", front first; cancelled when empty

    void clear();
    QString lastMessage() const { return messages.isEmpty() ? QString() : messages.last(); }
};
