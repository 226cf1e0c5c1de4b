// The main window. One class, as the operators know it: its member functions are defined in
// the file of the subsystem they belong to (Unit1_basic.cpp the channel buttons,
// Unit1_answers.cpp what the answers show), so this header is the table of contents of the
// whole window.
#pragma once

#include "GlobleVar.h"
#include "commfunction.h"
#include "core/session/FrameLog.h"
#include "core/session/ModuleSession.h"
#include "core/session/PairRecorder.h"
#include "core/session/Jobs.h"
#include "core/session/ModuleJob.h"
#include "core/session/PairTest.h"
#include "core/session/RadioSearch.h"
#include "core/session/Terminal.h"
#include "core/model/Profile.h"
#include "core/production/ProductionStore.h"

#include <QByteArray>
#include <QColor>
#include <QComboBox>
#include <QMainWindow>
#include <QSet>
#include <QString>

#include <functional>

class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStatusBar;
class QTabWidget;
class QTimer;
class TfrmPortSet;
class TFrm_about;
class FrameMonitorWindow;
class PairChartWindow;
class ProductionStationWindow;
class TerminalOptionsDialog;

// A round indicator lamp.
class TShape : public QWidget {
    Q_OBJECT
public:
    explicit TShape(QWidget* parent = nullptr);
    QColor brushColor() const { return m_color; }
    void setBrushColor(const QColor& c);

    static QColor silver() { return QColor(192, 192, 192); }
    static QColor lime() { return QColor(0, 255, 0); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QColor m_color;
};

// Two small arrow buttons stacked, for stepping a number up and down.
class TSpinButton : public QWidget {
    Q_OBJECT
public:
    explicit TSpinButton(QWidget* parent = nullptr);
    QPushButton* upButton() const { return m_up; }
    QPushButton* downButton() const { return m_down; }
signals:
    void upClicked();
    void downClicked();

private:
    QPushButton* m_up;
    QPushButton* m_down;
};

// A drop-down list that tells when it is about to drop down.
class TComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TComboBox(QWidget* parent = nullptr);
    void showPopup() override;
signals:
    void dropDown();
};

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- the module core the window is a view of ---------------------------------------
    ModuleSession* Session = nullptr;    // made by FormCreate, once the edition is known
    // The multi-step work under way (a search, a search-first read or write, the set-all
    // chain); one at a time, a new one replaces it.
    enum class JobPurpose { Search, ReadAll, WriteAll, SetAll };
    ModuleJob* Job = nullptr;
    JobPurpose RunningJob = JobPurpose::Search;
    int SearchStepMs = RadioSearch::kStepIntervalMs;
    QSet<QString> PendingBoxes;          // kinds of box waiting to be shown (one each)
    bool SearchFailureShown = false;     // a step of the running search told of a port problem
    PairTest* Pair = nullptr;
    Terminal* Term = nullptr;
    TCommFun* CommFun = nullptr;         // the serial link's messages
    // the "工具" menu's extras
    FrameLog* FrameHistory = nullptr;    // every frame, bounded, for the frame monitor
    PairRecorder* PairRecord = nullptr;  // the pair test's record and chart points
    FrameMonitorWindow* MonitorWindow = nullptr;
    PairChartWindow* ChartWindow = nullptr;
    ProductionStationWindow* StationWindow = nullptr;
    TerminalOptionsDialog* TerminalOptions = nullptr;
    bool TerminalTimestamps = false;
    bool TerminalHexAscii = false;
    bool PortLostShown = false;          // the status bar tells that the port's device went

    // catalogue
    QString ReportedFamily;
    QString ReportedBaseFrequency;
    int ReportedModelRow = -1;
    int PreviousModelRow = -1;
    TSavedSelections SavedSelections;
    QString OperationLabel;              // "", "Read", "Write", "Txtest": the last search-first run
    bool IdentifyAfterSearch = false;    // the model read that follows an identify answer is due
    int SavedBaseIndex = -1;
    QString ChannelPlan[20];
    int ConfiguredSnModelRow = -1;       // [SN] Model, selected once the model lists are filled

    // ---- forms -------------------------------------------------------------------------
    TfrmPortSet* frmPortSet = nullptr;   // set by the program start
    TFrm_about* Frm_about = nullptr;

    // ---- controls ----------------------------------------------------------------------
    // tool bar
    QFrame* Panel1;
    QPushButton *SpeedButton1, *SpeedButton20, *SpeedButton30, *SpeedButton3, *SpeedButton21,
        *SpeedButton6, *SpeedButton7;
    // menu
    QMenuBar* MainMenu1;
    QMenu *N1, *N3, *N4, *N7, *N21, *N10;
    QAction *N2, *N14, *N19, *N5, *N6, *N18, *N8, *N15, *N9, *N22, *N23, *N24, *N25, *N26, *N27, *N20, *N11, *N13;
    // pages
    QTabWidget* PageControl1;
    QWidget *TabSheet1, *TabSheet2, *TabSheet3;
    QStatusBar* StatusBar1;
    QLabel* StatusPanel[4];
    QLabel* WaitPanel = nullptr; // what the running job waits for, empty when nothing
    QLabel* Image1;

    // page 1: model and base frequency
    QLabel *Label39, *Label40, *Label41;
    QComboBox *ComboBox15, *ComboBox16;
    QCheckBox* CheckBox5;
    // channel and frequency
    QGroupBox* GroupBox3;
    QLabel *Label4, *Label5, *Label54, *Label55;
    QComboBox* ComboBox4;
    QLineEdit *Edit1, *Edit19;
    QPushButton *SpeedButton2, *SpeedButton8;
    // air rate
    QGroupBox* GroupBox1;
    QLabel* Label1;
    QComboBox* ComboBox1;
    QPushButton *SpeedButton4, *SpeedButton9;
    // serial settings
    QGroupBox* GroupBox2;
    QLabel *Label2, *Label3;
    QComboBox *ComboBox2, *ComboBox3;
    QPushButton *SpeedButton5, *SpeedButton10;
    // air protocol
    QGroupBox* GroupBox13;
    QLabel* Label28;
    QComboBox* ComboBox5;
    QPushButton *SpeedButton22, *SpeedButton23;
    // power saving and wake-up
    QGroupBox *GroupBox4, *GroupBox25;
    QLabel *Label6, *Label56, *Label57;
    QComboBox* ComboBox6;
    QLineEdit *Edit20, *Edit21;
    QPushButton *SpeedButton11, *SpeedButton28, *SpeedButton29, *SpeedButton39;
    // hidden search-first starters
    QPushButton *BitBtn1, *SpeedButton19;
    // factory serial number
    QGroupBox* GroupBox18;
    QLabel *Label42, *Label43, *Label44, *Label45;
    QComboBox *ComboBox11, *ComboBox12, *ComboBox13;
    QLineEdit* Edit2;
    TSpinButton* SpinButton1;
    QPushButton *SpeedButton24, *SpeedButton25;
    QCheckBox* CheckBox4;
    // radio ID and transmit power
    QGroupBox* GroupBox19;
    QLabel *Label30, *Label33;
    QLineEdit* Edit15;
    QComboBox* ComboBox14;
    QPushButton *SpeedButton26, *SpeedButton27, *SpeedButton31, *SpeedButton33;
    // RSSI and power level
    QGroupBox* GroupBox20;
    QLabel *Label49, *Label50, *Label52, *Label53;
    QLineEdit *Edit16, *Edit17;
    QComboBox* ComboBox21;
    QPushButton *Button1, *Button2;
    // IO switches
    QGroupBox* GroupBox6;
    QLabel *Label29, *Label31, *Label32, *Label7, *Label8, *Label9, *Label10;
    QLineEdit* Edit10;
    QComboBox *ComboBox7, *ComboBox8, *ComboBox9, *ComboBox10;
    TShape *Shape1, *Shape2, *Shape3, *Shape4;
    QPushButton *SpeedButton13, *SpeedButton12, *SpeedButton32;
    // radio test
    QGroupBox* GroupBox12;
    QLabel* Label51;
    QLineEdit* Edit18;
    QPushButton *SpeedButton14, *SpeedButton15, *SpeedButton38, *SpeedButton40;

    // page 2: pair test
    QFrame* Panel2;
    QGroupBox* GroupBox7;
    QPushButton *SpeedButton17, *SpeedButton18, *SpeedButton16;
    QGroupBox *GroupBox14, *GroupBox15, *GroupBox16, *GroupBox17, *GroupBox8, *GroupBox9, *GroupBox5;
    QRadioButton *RadioButton13, *RadioButton14, *RadioButton15, *RadioButton16, *RadioButton4,
        *RadioButton3, *RadioButton1, *RadioButton2;
    QLineEdit *Edit11, *Edit4, *Edit3, *Edit12, *Edit13, *Edit5, *Edit6, *Edit7, *Edit8, *Edit9;
    QLabel *Label11, *Label12, *Label13, *Label15, *Label17, *Label19, *Label21, *Label22, *Label23,
        *Label24, *Label25, *Label26, *Label27, *Label34, *Label35, *Label36, *Label37, *Label38;
    QCheckBox *CheckBox1, *CheckBox2;
    QSpinBox *SpinEdit1, *SpinEdit2, *SpinEdit3, *SpinEdit4;
    QGroupBox *GroupBox11, *GroupBox10;
    QPlainTextEdit *Memo1, *Memo2;

    // page 3: data terminal
    QFrame* Panel6;
    QPushButton* SpeedButton37;
    QCheckBox* CheckBox3;
    QGroupBox *GroupBox23, *GroupBox24, *GroupBox21, *GroupBox22;
    QRadioButton *RadioButton5, *RadioButton6, *RadioButton7, *RadioButton8;
    QPlainTextEdit *Memo3, *Memo4;

    // ---- small helpers shared by the handlers ------------------------------------------
    void SetPanel(int index, const QString& text);
    QString PanelText(int index) const;
    void AppendPanel(int index, const QString& text);
    void Warn(const TMsg& msg);                   // warning box in the message language
    void FocusControl(QWidget* w);                // moves the focus; remembered for tests
    QWidget* LastFocusRequest = nullptr;
    WorkState State() const { return Session->workState(); }
    bool PairTestRunning() const { return ::PairTestRunning(State()); }
    // The guard of every module command: warns and answers true while the pair test runs.
    bool RefuseDuringPairTest();
    // A command the session sent: progress text, or (refused) the link's message, the
    // failure text and the failure box.
    // How a refused send is told: a button's press shows the link's box and its own; a job's
    // step, told from the event loop, shows one box (the link's reason) through QueueBox.
    enum class RefusalBoxes { LinkAndOwn, LinkQueued };
    bool Report(LinkStatus status, const TMsg& progress, const TMsg& failPanel, const TMsg& failBox,
                RefusalBoxes boxes = RefusalBoxes::LinkAndOwn);
    // Shows a page without the page-change handler (changes made by the program itself).
    void ShowPage(int index);
    bool ProgramPageChange = false;
    static int MemoLineCount(const QPlainTextEdit* memo);
    static void MemoAddLine(QPlainTextEdit* memo, const QString& line);

    // ---- answers (app/Unit1_answers.cpp): texts and widgets for what the session decoded --
    void BindSession();
    void ShowAnswer(Command command, bool matched, bool isShort, int firstByte);
    void ShowInvalidAnswer(const QString& text, AnswerProblem problem);
    void ShowPortLost();
    // A box shown from the event loop, once per kind however often it is asked for meanwhile:
    // never from inside the session's own signals.
    void QueueBox(const QString& kind, std::function<void()> show);

    // family views of the decoded answers
    void DecodeIdentify(const Identity& identity);
    void DecodeSerialSettings(Command command, const SerialSettings& settings, bool complete);
    void DecodeAirRateRead(int rate);
    void DecodeChannelRead(int channel);
    void DecodeProtocolRead(int protocol);
    void DecodePowerModeRead(int mode);
    void DecodeSerialNumberSet();
    void DecodeSerialNumberRead(const SerialNumber& number, bool afterSearch);
    void DecodeRadioIdRead(int id);
    void DecodeRssiRead(int value);
    void DecodeReadAll(const AllParameters& p, bool serialComplete);
    void DecodeIoSet(int output, bool high);
    void DecodeIoRead(const IoState& state);

    // ---- catalogue ---------------------------------------------------------------------
    void FillModelLists();
    void ApplyModelRow();
    void ChangeBaseFrequency();
    void AdoptReportedModel(const QString& modelCode);
    int BaseFrequencyIndex(const QString& text) const;
    void SelectBaseFrequency(const QString& text);
    void BuildChannelPlan(const QString& rowText, const QString& baseText);
    bool CheckModelSelection() const;
    // The PC port follows the module's new serial settings through the port dialog.
    // The session moved the port after the module's serial settings (a truncated answer
    // tells nothing about the line: the session leaves the port then).
    void ShowPortFollowed(const SerialSettings& settings, LinkStatus status);

    // Each command with the texts of its button: progress, or the failure texts and box.
    void ReportProtocolWrite(LinkStatus status, RefusalBoxes boxes = RefusalBoxes::LinkAndOwn);
    void ReportSerialNumberWrite(LinkStatus status, RefusalBoxes boxes = RefusalBoxes::LinkAndOwn);
    void ReportWriteAll(LinkStatus status, RefusalBoxes boxes = RefusalBoxes::LinkAndOwn);
    void ReportTestStart(LinkStatus status, RefusalBoxes boxes = RefusalBoxes::LinkAndOwn);
    // The transmit-test start sent again once a search found the module.
    void ReportDeferredTestStart(LinkStatus status, RefusalBoxes boxes = RefusalBoxes::LinkAndOwn);
    // The checks and values of the serial-number write, and the claim on its number; false
    // (after its warning) when the fields do not make one, or the number may not be handed out.
    bool CollectSerialNumber(SerialNumber* number, SerialClaim* claim);
    // The claim this window holds unsettled: sent and unanswered (the module may carry its
    // number), or allocated and not given back (the database was gone). The same number is
    // written with it again, without a question; another number settles it first.
    SerialClaim SnClaim;
    // Marks a claim sent just before its write goes out; false (given back, after the
    // warning) when that cannot be recorded: then nothing may go out.
    bool MarkSerialNumberSent(SerialClaim* claim);
    // The write of `marked` never left the PC; `before` is the claim as it was before it was
    // marked sent. A fresh one goes back to the pool, one written before stays this window's.
    void SerialNumberNotSent(const SerialClaim& before, const SerialClaim& marked);
    // The set-all chain with the number claimed in its checks: marked sent when its write is
    // due, given back when the chain ends before that write left.
    void StartSetUpChain(QList<JobStep> steps, const SerialClaim& claim);
    // The four lists' rows and the frequency text, put aside while a search identifies.
    void SaveSelections();
    // The write-all values of the four lists; false (warnings as named) when one is empty.
    bool CollectWriteAll(Jobs::WriteAllValues* values, const TMsg& channel, const TMsg& airRate, const TMsg& baud,
                         const TMsg& parity, bool queued);

    // ---- search ------------------------------------------------------------------------
    int SearchStartIndex() const;
    // Starts a job (the running one is cancelled); its progress and end are shown from the
    // event loop.
    void StartJob(JobPurpose purpose, QList<JobStep> steps);
    bool JobRunning() const { return Job && Job->isRunning(); }
    bool SearchRunning() const { return JobRunning() && Job->search().isRunning(); }
    void CancelJob();
    // The search alone, or followed (after the continuation wait) by `then`.
    void BeginSearch(JobPurpose purpose = JobPurpose::Search, QList<JobStep> then = {});
    void ShowSearchStep(int index, const SerialSettings& settings, LinkStatus configured, LinkStatus sent);
    void ShowJobCommand(JobPurpose purpose, Command command, LinkStatus status);
    void ShowJobFinished(JobPurpose purpose, const JobResult& result);
    void ShowJobWaiting(Command command, int ms);
    static const TMsg& JobStepName(Command command);

    // ---- pair test and terminal --------------------------------------------------------
    void ShowPairCounters(const PairCounters& c);
    void ShowDataSent(const QByteArray& data, WorkState mode);
    void ShowPairFrame(const QByteArray& result, bool corrected);
    void ShowTerminalBlock(const QByteArray& block);
    // Pair-test options from the page's controls into the core.
    void ApplyPairOptions();

    // ---- configuration and language ----------------------------------------------------
    void ReadConfiguration();
    void SaveOptions();
    // Claims the number to write from Config.ini or the production database (another free
    // one, into `number` and the field, only when the operator agrees); false stops the write.
    bool ClaimSerialNumber(SerialNumber* number, SerialClaim* claim);
    void ApplyLanguage();

public slots:
    // window
    void FormCreate();
    void FormResize();
    void PageControl1Change(int index);
    // tool bar and menu
    void SpeedButton1Click();
    void SpeedButton7Click();
    void N2Click();
    void N14Click();
    void N19Click();
    void N5Click();
    void N6Click();
    void N18Click();
    void N8Click();
    void N15Click();
    void N9Click();
    void N11Click();
    void N13Click();
    void N20Click();
    // tools: frame monitor, parameter profiles, pair-test chart, terminal options
    void N22Click();
    void N23Click();
    void N24Click();
    void N25Click();
    void N26Click();
    // Tools: the production station window.
    void N27Click();
    void SpeedButton6Click();
    // catalogue
    void ComboBox15Click();
    void ComboBox16Click();
    void ComboBox16Enter();
    void ComboBox4Click();
    void ComboBox4DropDown();
    void ComboBox1DropDown();
    void ComboBox2DropDown();
    void CheckBox5Click();
    // channel, air rate, serial settings
    void SpeedButton2Click();
    void SpeedButton8Click();
    void SpeedButton4Click();
    void SpeedButton9Click();
    void SpeedButton5Click();
    void SpeedButton10Click();
    // air protocol, power saving, wake-up
    void SpeedButton22Click();
    void SpeedButton23Click();
    void SpeedButton11Click();
    void SpeedButton28Click();
    void SpeedButton29Click();
    void SpeedButton39Click();
    void ComboBox5Click();
    // read all, write all, set-all chain
    void SpeedButton3Click();
    void SpeedButton21Click();
    void SpeedButton19Click();
    void BitBtn1Click();
    void SpeedButton38Click();
    // serial number
    void SpeedButton24Click();
    void SpeedButton25Click();
    void Edit2Exit();
    void SpinButton1UpClick();
    void SpinButton1DownClick();
    void CheckBox4Click();
    // radio ID, power, RSSI, level, capacitance
    void SpeedButton26Click();
    void SpeedButton27Click();
    void SpeedButton33Click();
    void Button1Click();
    void Button2Click();
    void SpeedButton40Click();
    // IO switches
    void SpeedButton13Click();
    void SpeedButton12Click();
    void SpeedButton32Click();
    // search
    void SpeedButton20Click();
    void SpeedButton30Click();
    // transmit test
    void SpeedButton14Click();
    void SpeedButton15Click();
    // pair test
    void SpeedButton17Click();
    void SpeedButton18Click();
    void SpeedButton16Click();
    void RadioButton15Click();
    void RadioButton16Click();
    void RadioButton13Click();
    void RadioButton14Click();
    void RadioButton1Click();
    void RadioButton2Click();
    void RadioButton3Click();
    void SpinEdit1Change();
    void Memo1DblClick();
    void Memo2DblClick();
    // data terminal
    void SpeedButton37Click();
    void CheckBox3Click();
    void Memo3DblClick();
    void Memo4DblClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();          // app/Unit1_layout.cpp
    void ClearSerialNumberFields(); // model, year, month and sequence without selection or text
    void ConnectHandlers();         // app/Unit1.cpp
    // Key filters; true when the key is to be dropped.
    bool Edit2KeyPress(QChar key);
    bool Edit2KeyDown(int key);
    bool Edit4KeyPress(QKeyEvent* e);
    bool Memo3KeyPress(QChar key);
    static bool DigitKeyFilter(QKeyEvent* e); // Edit10, Edit15, Edit18, Edit20, Edit21
};

// The window's font: 宋体 12 px for Chinese, Arial 12 px for Western languages.
QFont WindowFont(bool western);
// Why a profile file could not be read, in the message language.
QString ProfileReadProblemText(const Profiles::ReadProblem& problem);

class QApplication;
// Creates the main window, the port dialog (which opens the saved port) and the about box,
// then runs the event loop until the main window closes.
int RunProgram(QApplication& app);

// Whether a key press is Backspace or a decimal digit.
bool IsDigitOrBackspace(QKeyEvent* e);
// The parameter page's parity rows (even, odd, none) and rate rows ("1200" is row 0).
Parity ParityOfPageRow(int row);
int RateOfListRow(int row);

// Whether a text holds only hex digits and spaces (and line breaks, when allowed).
bool IsHexText(const QString& text, bool lineBreaks);
// Whether a key press is Backspace, space or a hex digit.
bool IsHexKeyOrBackspace(QKeyEvent* e);
