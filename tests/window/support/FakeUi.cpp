#include "FakeUi.h"

FakeUi::FakeUi() { SetUi(this); }

FakeUi::~FakeUi() { SetUi(nullptr); }

void FakeUi::message(QWidget*, const QString& text, BoxKind kind)
{
    messages << text;
    kinds << kind;
    if (whileShowing) {
        auto running = std::move(whileShowing); // a box opened meanwhile does not run it again
        running();
        whileShowing = std::move(running);
    }
}

bool FakeUi::confirm(QWidget*, const QString& text, bool)
{
    questions << text;
    return answers.isEmpty() ? true : answers.takeFirst();
}

QString FakeUi::chooseFile(QWidget*, bool, const QString&, const QString&)
{
    return files.isEmpty() ? QString() : files.takeFirst();
}

bool FakeUi::openDocument(const QString& path)
{
    openedDocuments << path;
    return documentOpens;
}

bool FakeUi::openUrl(const QString& url)
{
    openedUrls << url;
    return true;
}

void FakeUi::clear()
{
    messages.clear();
    kinds.clear();
    questions.clear();
    openedDocuments.clear();
    openedUrls.clear();
}
