#include "TerminalOptions.h"

#include "UiServices.h"
#include "Unit1.h"
#include "texts/tools_texts.h"

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

using namespace ToolsTexts;

TerminalOptionsDialog::TerminalOptionsDialog(TForm1* form) : QDialog(form), m_form(form)
{
    setObjectName(QStringLiteral("TerminalOptions"));
    setWindowTitle(Tr(TerminalTitle));
    setModal(false);
    Timestamps = new QCheckBox(Tr(ToolsTexts::Timestamps), this);
    HexAscii = new QCheckBox(Tr(ToolsTexts::HexAscii), this);
    Reopen = new QCheckBox(Tr(ToolsTexts::Reopen), this);
    SaveButton = new QPushButton(Tr(SaveReceived), this);
    SendButton = new QPushButton(Tr(SendFile), this);
    m_file = new QLabel(this);
    m_file->hide();
    SendProgress = new QProgressBar(this);
    SendProgress->hide();
    auto* layout = new QVBoxLayout(this);
    for (QWidget* w : {static_cast<QWidget*>(Timestamps), static_cast<QWidget*>(HexAscii), static_cast<QWidget*>(Reopen),
                       static_cast<QWidget*>(SaveButton), static_cast<QWidget*>(m_file), static_cast<QWidget*>(SendButton),
                       static_cast<QWidget*>(SendProgress)})
        layout->addWidget(w);
    layout->addStretch(1);
    Timestamps->setChecked(form->TerminalTimestamps);
    HexAscii->setChecked(form->TerminalHexAscii);
    Reopen->setChecked(form->Session->link().reopensWhenBack());
    connect(Timestamps, &QCheckBox::toggled, this, [this](bool on) { m_form->TerminalTimestamps = on; });
    connect(HexAscii, &QCheckBox::toggled, this, [this](bool on) { m_form->TerminalHexAscii = on; });
    connect(Reopen, &QCheckBox::toggled, this, [this](bool on) { m_form->Session->link().setReopenWhenBack(on); });
    connect(SaveButton, &QPushButton::clicked, this, &TerminalOptionsDialog::SaveClick);
    connect(SendButton, &QPushButton::clicked, this, &TerminalOptionsDialog::SendClick);
    // Saving stops by itself when the file cannot be written (the window tells why).
    connect(form->Term, &Terminal::savingFailed, this, [this] {
        SaveButton->setText(Tr(SaveReceived));
        m_file->hide();
    });
    connect(form->Term, &Terminal::fileProgress, this, &TerminalOptionsDialog::ShowFileProgress);
    connect(form->Term, &Terminal::fileFinished, this, &TerminalOptionsDialog::FileFinished);
    setMinimumWidth(320);
}

void TerminalOptionsDialog::SaveClick()
{
    if (m_form->Term->isSaving()) {
        m_form->Term->stopSaving();
        SaveButton->setText(Tr(SaveReceived));
        m_file->hide();
        return;
    }
    const QString path = Ui().chooseFile(this, true, Tr(SaveReceived), Tr(AllFiles));
    if (path.isEmpty())
        return;
    QString error;
    if (!m_form->Term->startSaving(path, &error)) {
        ShowWarning(Tr(FileFail) + error, this);
        return;
    }
    SaveButton->setText(Tr(StopSaving));
    m_file->setText(Tr(Saving) + path);
    m_file->show();
}

void TerminalOptionsDialog::SendClick()
{
    if (m_form->Term->isSendingFile()) {
        m_form->Term->cancelFile();
        return;
    }
    const QString path = Ui().chooseFile(this, false, Tr(SendFile), Tr(AllFiles));
    if (path.isEmpty())
        return;
    // As the page's send button: the terminal state and its texts.
    m_form->CheckBox3->setChecked(true);
    QString error;
    if (!m_form->Term->sendFile(path, &error) && !error.isEmpty())
        ShowWarning(Tr(FileNotSent) + error, this);
}

void TerminalOptionsDialog::ShowFileProgress(qint64 sent, qint64 total)
{
    const QString text = Tr(SendingFile).arg(sent).arg(total);
    SendButton->setText(Tr(CancelSending));
    SendProgress->setRange(0, int(total));
    SendProgress->setValue(int(sent));
    SendProgress->setFormat(text);
    SendProgress->show();
    // Also below the window: the dialog may be closed while the file goes out.
    m_form->SetPanel(2, text);
}

void TerminalOptionsDialog::FileFinished(FileSendOutcome outcome, qint64 sent, qint64 total)
{
    SendButton->setText(Tr(SendFile));
    SendProgress->hide();
    // Sent: the window says "data have been sent"; Failed: the port's refusal is told.
    if (outcome == FileSendOutcome::Cancelled)
        m_form->SetPanel(2, Tr(FileCancelled).arg(sent).arg(total));
}
