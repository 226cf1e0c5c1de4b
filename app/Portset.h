// The port settings dialog: the only place that opens and closes the PC serial port. Its
// creation opens the saved port, so the tool is connected before the operator does anything.
#pragma once

#include "core/link/SerialLink.h"
#include "core/model/Values.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class TForm1;

// What the operator chose in the port dialog.
struct PortChoice {
    int port = 0;        // COMn; 0 when no COM number is chosen
    SerialSettings line; // baud 0 / Parity::Unknown for a list without a row; 8 data bits, 1 stop bit
};

class TfrmPortSet : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPortSet(TForm1* mainForm);

    QComboBox *ComboBox1, *ComboBox2, *ComboBox3, *ComboBox4, *ComboBox5, *ComboBox6;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6;
    QLabel* DeviceLabel; // what the selected COM number stands for on this computer
    QPushButton *SpeedButton1, *SpeedButton2, *SpeedButton3;

    // Language, initial positions, saved positions, then the open operation.
    void FormCreate();
    void LoadPortSettings();
    void SavePortSettings();
    // Port, baud, parity, data bits and start bits joined by ",".
    QString SettingsSummary() const;
    // The port and line chosen in the lists.
    PortChoice Chosen() const;
    // The baud rate and parity chosen in the lists (0 and Unknown for a list without a row).
    SerialSettings ChosenSerial() const { return Chosen().line; }
    // Shows settings in force (a search step) in the lists.
    void ShowSerial(const SerialSettings& settings);
    // The session moved the port to the module's new serial settings (`status` how that
    // went): the lists, the status bar and the saved positions show them. Where the session
    // could not, or the lists lack the rate, the dialog opens the port as its open button
    // would (and refuses a rate it lacks).
    void ShowFollowed(const SerialSettings& settings, LinkStatus status);
    // The port in use lost its device (false) or has it again (true): the buttons and the
    // open flag follow, so the open button can bring it back.
    void ShowPortOpen(bool open);
    // The port list back at the port the session has open (after a failed open of another).
    void ShowPortInUse();

    // "COM1".."COM36" gives 1..36, anything else 0.
    static int PortNumberOfText(const QString& text);

public slots:
    void SpeedButton1Click(); // open
    void SpeedButton2Click(); // close
    void SpeedButton3Click(); // cancel
    void ComboBox1Click();
    void ComboBox2Change();
    void ComboBox3Click();
    void ComboBox3Change();

private:
    void UpdateDeviceLabel();
    // What an open at the chosen settings leaves: buttons, open flags, summary, saved positions.
    void ShowOpened();
    TForm1* m_form;
};
