// Options of the data terminal: a time stamp on each received block, a HEX + ASCII display,
// received data saved into a file as they come, a file's contents sent, and the port opened
// again by itself when its device comes back.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class TForm1;
enum class FileSendOutcome;

class TerminalOptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit TerminalOptionsDialog(TForm1* form);

    QCheckBox *Timestamps, *HexAscii, *Reopen;
    QPushButton *SaveButton, *SendButton;
    // Bytes of the file sent so far (shown while a file goes out).
    QProgressBar* SendProgress;

    void SaveClick();
    void SendClick();

private:
    void ShowFileProgress(qint64 sent, qint64 total);
    void FileFinished(FileSendOutcome outcome, qint64 sent, qint64 total);

    TForm1* m_form;
    QLabel* m_file;
};
