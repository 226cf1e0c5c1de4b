#include "TerminalOptions.h"

#include "UiServices.h"
#include "Unit1.h"
#include "texts/tools_texts.h"

#include <QCheckBox>
#include <QLabel>
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
    auto* layout = new QVBoxLayout(this);
    for (QWidget* w : {static_cast<QWidget*>(Timestamps), static_cast<QWidget*>(HexAscii), static_cast<QWidget*>(Reopen),
                       static_cast<QWidget*>(SaveButton), static_cast<QWidget*>(m_file), static_cast<QWidget*>(SendButton)})
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
    const QString path = Ui().chooseFile(this, false, Tr(SendFile), Tr(AllFiles));
    if (path.isEmpty())
        return;
    // As the page's send button: the terminal state and its texts.
    m_form->CheckBox3->setChecked(true);
    QString error;
    if (!m_form->Term->sendFile(path, &error) && !error.isEmpty())
        ShowWarning(Tr(FileNotSent) + error, this);
}
