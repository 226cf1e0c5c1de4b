// The main window's life: creation in its fixed order, the work-state guard, the page-change
// prompts, the tool bar and menu forwarding, closing, and the small helpers every handler
// shares.
#include "Unit1.h"

#include "FrameMonitor.h"
#include "PairChart.h"
#include "Portset.h"
#include "StartOptions.h"
#include "StationWindow.h"
#include "TerminalOptions.h"
#include "UiServices.h"
#include "Unit_about2.h"
#include "texts/app_texts.h"
#include "texts/search_texts.h"
#include "core/config/ConfigFile.h"
#include "core/config/ToolConfig.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTimer>

#include <cstdlib>

TComboBox::TComboBox(QWidget* parent) : QComboBox(parent) {}

void TComboBox::showPopup()
{
    emit dropDown();
    QComboBox::showPopup();
}

TForm1::TForm1(QWidget* parent) : QMainWindow(parent)
{
    CreateControls();
    ConnectHandlers();
    FormCreate();
}

TForm1::~TForm1()
{
    delete CommFun;
    delete MonitorWindow;
    delete ChartWindow;
    delete TerminalOptions;
    // The core goes before the widgets its signals fill; the extras before what they watch.
    delete PairRecord;
    PairRecord = nullptr;
    delete FrameHistory;
    FrameHistory = nullptr;
    delete Term;
    delete Pair;
    if (Job)
        Job->disconnect(this);
    delete Job;
    Job = nullptr;
    delete Session;
}

void TForm1::ConnectHandlers()
{
    auto click = [this](QAbstractButton* b, void (TForm1::*handler)()) {
        connect(b, &QAbstractButton::clicked, this, handler);
    };
    auto trigger = [this](QAction* a, void (TForm1::*handler)()) {
        connect(a, &QAction::triggered, this, handler);
    };
    auto activated = [this](QComboBox* c, void (TForm1::*handler)()) {
        connect(c, QOverload<int>::of(&QComboBox::activated), this, handler);
    };
    auto dropDown = [this](QComboBox* c, void (TForm1::*handler)()) {
        if (auto* t = qobject_cast<TComboBox*>(c))
            connect(t, &TComboBox::dropDown, this, handler);
    };

    // tool bar and menu
    click(SpeedButton1, &TForm1::SpeedButton1Click);
    click(SpeedButton20, &TForm1::SpeedButton20Click);
    click(SpeedButton30, &TForm1::SpeedButton30Click);
    click(SpeedButton3, &TForm1::SpeedButton3Click);
    click(SpeedButton21, &TForm1::SpeedButton21Click);
    click(SpeedButton6, &TForm1::SpeedButton6Click);
    click(SpeedButton7, &TForm1::SpeedButton7Click);
    trigger(N2, &TForm1::N2Click);
    trigger(N14, &TForm1::N14Click);
    trigger(N19, &TForm1::N19Click);
    trigger(N5, &TForm1::N5Click);
    trigger(N6, &TForm1::N6Click);
    trigger(N18, &TForm1::N18Click);
    trigger(N8, &TForm1::N8Click);
    trigger(N15, &TForm1::N15Click);
    trigger(N9, &TForm1::N9Click);
    trigger(N20, &TForm1::N20Click);
    trigger(N11, &TForm1::N11Click);
    trigger(N13, &TForm1::N13Click);
    trigger(N22, &TForm1::N22Click);
    trigger(N23, &TForm1::N23Click);
    trigger(N24, &TForm1::N24Click);
    trigger(N25, &TForm1::N25Click);
    trigger(N26, &TForm1::N26Click);
    trigger(N27, &TForm1::N27Click);
    // Every page change the operator makes (click, Ctrl+Tab, Ctrl+PgUp/PgDn, arrow keys on
    // the tab bar, the wheel) runs the page-change handler; ShowPage's changes do not. The
    // handler runs after the change is complete, so its questions are not asked from inside
    // the tab bar's own event handling.
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (ProgramPageChange || index < 0)
            return;
        QTimer::singleShot(0, this, [this, index] {
            if (PageControl1->currentIndex() == index)
                PageControl1Change(index);
        });
    });

    // catalogue
    activated(ComboBox15, &TForm1::ComboBox15Click);
    activated(ComboBox16, &TForm1::ComboBox16Click);
    activated(ComboBox4, &TForm1::ComboBox4Click);
    activated(ComboBox5, &TForm1::ComboBox5Click);
    dropDown(ComboBox4, &TForm1::ComboBox4DropDown);
    dropDown(ComboBox1, &TForm1::ComboBox1DropDown);
    dropDown(ComboBox2, &TForm1::ComboBox2DropDown);
    click(CheckBox5, &TForm1::CheckBox5Click);

    // parameter commands
    click(SpeedButton2, &TForm1::SpeedButton2Click);
    click(SpeedButton8, &TForm1::SpeedButton8Click);
    click(SpeedButton4, &TForm1::SpeedButton4Click);
    click(SpeedButton9, &TForm1::SpeedButton9Click);
    click(SpeedButton5, &TForm1::SpeedButton5Click);
    click(SpeedButton10, &TForm1::SpeedButton10Click);
    click(SpeedButton22, &TForm1::SpeedButton22Click);
    click(SpeedButton23, &TForm1::SpeedButton23Click);
    click(SpeedButton11, &TForm1::SpeedButton11Click);
    click(SpeedButton28, &TForm1::SpeedButton28Click);
    click(SpeedButton29, &TForm1::SpeedButton29Click);
    click(SpeedButton39, &TForm1::SpeedButton39Click);
    click(SpeedButton19, &TForm1::SpeedButton19Click);
    click(BitBtn1, &TForm1::BitBtn1Click);
    click(SpeedButton38, &TForm1::SpeedButton38Click);
    click(SpeedButton24, &TForm1::SpeedButton24Click);
    click(SpeedButton25, &TForm1::SpeedButton25Click);
    connect(SpinButton1, &TSpinButton::upClicked, this, &TForm1::SpinButton1UpClick);
    connect(SpinButton1, &TSpinButton::downClicked, this, &TForm1::SpinButton1DownClick);
    click(CheckBox4, &TForm1::CheckBox4Click);
    click(SpeedButton26, &TForm1::SpeedButton26Click);
    click(SpeedButton27, &TForm1::SpeedButton27Click);
    click(SpeedButton33, &TForm1::SpeedButton33Click);
    click(Button1, &TForm1::Button1Click);
    click(Button2, &TForm1::Button2Click);
    click(SpeedButton40, &TForm1::SpeedButton40Click);
    click(SpeedButton13, &TForm1::SpeedButton13Click);
    click(SpeedButton12, &TForm1::SpeedButton12Click);
    click(SpeedButton32, &TForm1::SpeedButton32Click);
    click(SpeedButton14, &TForm1::SpeedButton14Click);
    click(SpeedButton15, &TForm1::SpeedButton15Click);

    // pair test
    click(SpeedButton17, &TForm1::SpeedButton17Click);
    click(SpeedButton18, &TForm1::SpeedButton18Click);
    click(SpeedButton16, &TForm1::SpeedButton16Click);
    click(RadioButton15, &TForm1::RadioButton15Click);
    click(RadioButton16, &TForm1::RadioButton16Click);
    click(RadioButton13, &TForm1::RadioButton13Click);
    click(RadioButton14, &TForm1::RadioButton14Click);
    click(RadioButton1, &TForm1::RadioButton1Click);
    click(RadioButton2, &TForm1::RadioButton2Click);
    click(RadioButton3, &TForm1::RadioButton3Click);
    connect(SpinEdit1, QOverload<int>::of(&QSpinBox::valueChanged), this, &TForm1::SpinEdit1Change);
    // The frame-gap options reach the core as they change.
    connect(CheckBox2, &QCheckBox::toggled, this, [this] {
        if (Session)
            Session->setFrameGapOption(CheckBox2->isChecked(), SpinEdit2->value());
    });
    connect(SpinEdit2, QOverload<int>::of(&QSpinBox::valueChanged), this, [this] {
        if (Session)
            Session->setFrameGapOption(CheckBox2->isChecked(), SpinEdit2->value());
    });

    // pair-test options reach the core as they change
    for (QRadioButton* r : {RadioButton1, RadioButton2, RadioButton13, RadioButton14, RadioButton15, RadioButton16})
        connect(r, &QRadioButton::toggled, this, &TForm1::ApplyPairOptions);
    connect(CheckBox1, &QCheckBox::toggled, this, &TForm1::ApplyPairOptions);
    connect(Edit11, &QLineEdit::textChanged, this, &TForm1::ApplyPairOptions);
    for (QSpinBox* s : {SpinEdit1, SpinEdit4})
        connect(s, QOverload<int>::of(&QSpinBox::valueChanged), this, &TForm1::ApplyPairOptions);

    // data terminal
    connect(RadioButton7, &QRadioButton::toggled, this, [this](bool text) {
        if (Term)
            Term->setShowAsText(text);
    });
    click(SpeedButton37, &TForm1::SpeedButton37Click);
    click(CheckBox3, &TForm1::CheckBox3Click);

    // key filters, double clicks and focus
    for (QWidget* w : {static_cast<QWidget*>(Edit2), static_cast<QWidget*>(Edit4),
                       static_cast<QWidget*>(Edit10), static_cast<QWidget*>(Edit15),
                       static_cast<QWidget*>(Edit18), static_cast<QWidget*>(Edit20),
                       static_cast<QWidget*>(Edit21), static_cast<QWidget*>(Memo3),
                       static_cast<QWidget*>(ComboBox16)})
        w->installEventFilter(this);
    for (QPlainTextEdit* m : {Memo1, Memo2, Memo3, Memo4})
        m->viewport()->installEventFilter(this);
}

// ---- creation, in the order the rest of the program relies on ---------------------------

void TForm1::FormCreate()
{
    ShowPage(0);
    // The working directory, unless the command line chose another (--user-config).
    GlobleVar::SetStartDirectory(ConfigFile::directory());

    ComboBox3->setCurrentIndex(-1);
    ComboBox1->clear();
    ComboBox2->clear();
    ComboBox4->clear();
    Edit1->clear();
    Edit19->clear();

    ComboBox12->clear();
    for (int year = kFirstSerialYear; year <= kLastSerialYear; ++year)
        ComboBox12->addItem(QString::number(year));
    ComboBox13->clear();
    for (int month = 1; month <= 12; ++month)
        ComboBox13->addItem(QStringLiteral("%1").arg(month, 2, 10, QLatin1Char('0')));
    ClearSerialNumberFields();

    ReadConfiguration();

    // The module core, in the edition just read; it starts in command mode.
    Session = new ModuleSession(GlobleVar::CurrentEdition());
    connect(Session, &ModuleSession::portFollowed, this, &TForm1::ShowPortFollowed);
    Session->setFrameGapOption(CheckBox2->isChecked(), SpinEdit2->value());
    Pair = new PairTest(*Session);
    Term = new Terminal(*Session);
    CommFun = new TCommFun(Session->link());
    FrameHistory = new FrameLog(FrameLog::kDefaultCapacity, this);
    FrameHistory->watch(*Session);
    PairRecord = new PairRecorder(*Pair, this);
    BindSession();

    FillModelLists();
    ComboBox11->setCurrentIndex(ConfiguredSnModelRow >= 0 && ConfiguredSnModelRow < ComboBox11->count()
                                    ? ConfiguredSnModelRow
                                    : -1);

    // centred on the screen
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect r = screen->availableGeometry();
        move(r.center() - rect().center());
    }
}

void TForm1::ClearSerialNumberFields()
{
    ComboBox11->setCurrentIndex(-1);
    ComboBox12->setCurrentIndex(-1);
    ComboBox12->setEditText(QString());
    ComboBox13->setCurrentIndex(-1);
    ComboBox13->setEditText(QString());
    Edit2->clear();
}

void TForm1::FormResize()
{
    Image1->move(0, 0);
}

void TForm1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // The station's jigs go with the window: asked first, as in the station window itself.
    if (StationWindow && StationWindow->station().isRunning() && !StationWindow->close()) {
        event->ignore();
        return;
    }
    SaveOptions();
    event->accept();
}

// ---- guard and page changes -------------------------------------------------------------

bool TForm1::RefuseDuringPairTest()
{
    if (!PairTestRunning())
        return false;
    Warn(AppTexts::StopPairTestFirst);
    return true;
}

void TForm1::PageControl1Change(int index)
{
    // The parameter page's multi-step work ends when the operator leaves the page.
    if (index != 0 && JobRunning()) {
        // "检测停止!" tells of a search; a job waiting for an answer just ends.
        const bool searching = SearchRunning();
        CancelJob();
        if (searching)
            SetPanel(2, Tr(SearchTexts::SearchStopped));
    }
    if ((index == 0 || index == 2) && PairTestRunning()) {
        const bool english = GlobleVar::MessagesInEnglish();
        if (AskYesNo(Tr(AppTexts::AskStopPairTest), this, english)) {
            Pair->stopTimer();
            Session->setWorkState(WorkState::Idle);
            SetPanel(1, QString());
        } else {
            ShowPage(1);
        }
    }
    const int shown = PageControl1->currentIndex();
    if ((shown == 0 || shown == 1) && State() == WorkState::Terminal) {
        if (AskYesNo(Tr(AppTexts::AskStopTerminal), this)) {
            Session->setWorkState(WorkState::Idle);
            SetPanel(1, QString());
            CheckBox3->setChecked(false);
        } else {
            ShowPage(2);
        }
    } else if (shown == 2) {
        if (AskYesNo(Tr(AppTexts::AskEnterTerminal), this)) {
            CheckBox3->setChecked(true);
            CheckBox3Click();
        }
    }
}

// ---- tool bar and menu ------------------------------------------------------------------

void TForm1::SpeedButton1Click()
{
    if (frmPortSet)
        frmPortSet->exec();
}

void TForm1::SpeedButton7Click() { close(); }
void TForm1::N2Click() { SpeedButton1Click(); }
void TForm1::N14Click() { SpeedButton20Click(); }
void TForm1::N19Click() { SpeedButton30Click(); }
void TForm1::N5Click() { SpeedButton3Click(); }
void TForm1::N6Click() { SpeedButton21Click(); }
// The action checks itself on a click; the handler keeps the mark as the click left it.
void TForm1::N18Click() {}
void TForm1::N8Click() { SpeedButton14Click(); }
void TForm1::N15Click() { SpeedButton15Click(); }
void TForm1::N9Click() { ShowPage(PageControl1->indexOf(TabSheet2)); }
void TForm1::N13Click() { SpeedButton7Click(); }
void TForm1::SpeedButton6Click() { N20Click(); }

void TForm1::N11Click()
{
    if (Frm_about)
        Frm_about->exec();
}

// ---- shared helpers ---------------------------------------------------------------------

void TForm1::ShowPage(int index)
{
    const bool nested = ProgramPageChange;
    ProgramPageChange = true;
    PageControl1->setCurrentIndex(index);
    ProgramPageChange = nested;
}

void TForm1::SetPanel(int index, const QString& text)
{
    if (index >= 0 && index < 4)
        StatusPanel[index]->setText(text);
}

QString TForm1::PanelText(int index) const
{
    return index >= 0 && index < 4 ? StatusPanel[index]->text() : QString();
}

void TForm1::AppendPanel(int index, const QString& text)
{
    SetPanel(index, PanelText(index) + text);
}

void TForm1::Warn(const TMsg& msg)
{
    ShowWarning(Tr(msg), this);
}

void TForm1::FocusControl(QWidget* w)
{
    LastFocusRequest = w;
    if (w && w->isEnabled() && w->isVisible())
        w->setFocus(Qt::OtherFocusReason);
}

bool TForm1::Report(LinkStatus status, const TMsg& progress, const TMsg& failPanel, const TMsg& failBox,
                    RefusalBoxes boxes)
{
    if (status == LinkStatus::Ok) {
        SetPanel(2, Tr(progress));
        return true;
    }
    SetPanel(2, Tr(failPanel));
    if (boxes == RefusalBoxes::LinkQueued) {
        QueueBox(QStringLiteral("send"), [status] { TCommFun::ShowSendFailure(status); });
        return false;
    }
    TCommFun::ShowSendFailure(status);
    Warn(failBox);
    return false;
}

int TForm1::MemoLineCount(const QPlainTextEdit* memo)
{
    const QTextDocument* doc = memo->document();
    if (doc->isEmpty())
        return 0;
    return doc->blockCount();
}

void TForm1::MemoAddLine(QPlainTextEdit* memo, const QString& line)
{
    memo->appendPlainText(line);
}

// ---- key filters --------------------------------------------------------------------------

bool IsDigitOrBackspace(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Backspace)
        return true;
    const QString t = e->text();
    return t.size() == 1 && t[0] >= QLatin1Char('0') && t[0] <= QLatin1Char('9');
}

bool IsHexText(const QString& text, bool lineBreaks)
{
    for (const QChar c : text) {
        const bool ok = c == QLatin1Char(' ') || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            || (c >= QLatin1Char('A') && c <= QLatin1Char('F')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
            || (lineBreaks && (c == QLatin1Char('\n') || c == QLatin1Char('\r')));
        if (!ok)
            return false;
    }
    return true;
}

bool IsHexKeyOrBackspace(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Backspace)
        return true;
    const QString t = e->text();
    if (t.size() != 1)
        return false;
    const QChar c = t[0];
    return c == QLatin1Char(' ') || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        || (c >= QLatin1Char('A') && c <= QLatin1Char('F')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
}

// Navigation and editing keys that produce no character are never filtered.
static bool IsCharacterKey(QKeyEvent* e)
{
    if (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    if (e->key() == Qt::Key_Backspace)
        return true;
    const QString t = e->text();
    return !t.isEmpty() && t[0].isPrint();
}

bool TForm1::DigitKeyFilter(QKeyEvent* e)
{
    return IsCharacterKey(e) && !IsDigitOrBackspace(e);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == Memo1->viewport())
            Memo1DblClick();
        else if (watched == Memo2->viewport())
            Memo2DblClick();
        else if (watched == Memo3->viewport())
            Memo3DblClick();
        else if (watched == Memo4->viewport())
            Memo4DblClick();
        return false;
    }
    if (event->type() == QEvent::FocusIn && watched == ComboBox16) {
        ComboBox16Enter();
        return false;
    }
    if (event->type() == QEvent::FocusOut && watched == Edit2) {
        Edit2Exit();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);

    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == Edit2) {
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)
            return Edit2KeyDown(key->key());
        if (IsCharacterKey(key))
            return Edit2KeyPress(key->key() == Qt::Key_Backspace ? QChar(8) : key->text().at(0));
        return false;
    }
    if (watched == Edit4)
        return Edit4KeyPress(key);
    if (watched == Memo3) {
        if (key->key() == Qt::Key_Backspace)
            return Memo3KeyPress(QChar(8));
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            return Memo3KeyPress(QChar(13));
        // A tab typed into hex text would be read as a digit and shift every pair after it.
        if (key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ControlModifier))
            return Memo3KeyPress(QChar(9));
        if (IsCharacterKey(key))
            return Memo3KeyPress(key->text().at(0));
        return false;
    }
    if (watched == Edit10 || watched == Edit15 || watched == Edit18 || watched == Edit20 || watched == Edit21)
        return DigitKeyFilter(key);
    return QMainWindow::eventFilter(watched, event);
}

// ---- program start ------------------------------------------------------------------------

int RunProgram(QApplication& app)
{
    app.setApplicationName(QStringLiteral("rfmodtool"));
    app.setWindowIcon(QIcon(QStringLiteral(":/icons/rfmodtool.png")));
    UseStartOptions(app.arguments());
    if (StartProduction()) {
        // The station alone: no main window, so no port of it is opened.
        GlobleVar::SetStartDirectory(ConfigFile::directory());
        GlobleVar::Settings = ToolConfig::ReadSettings(GlobleVar::ConfigPath());
        UseQtTranslations();
        ProductionStationWindow station;
        station.show();
        const StationStart run = StartStationRun();
        station.Count = run.count;
        if (run.quitWhenDone)
            QObject::connect(&station.station(), &ProductionStation::runningChanged, &app, [&app](bool on) {
                if (!on)
                    app.quit();
            });
        if (run.start)
            QTimer::singleShot(0, &station, &ProductionStationWindow::StartClick);
        // RFMOD_STALL_REPORT=FILE: the longest the event loop was held up, written at the end
        // (the station benchmark reads it).
        EventLoopStallMeter meter(qEnvironmentVariable("RFMOD_STALL_REPORT"));
        const QString shot = qEnvironmentVariable("RFMOD_SCREENSHOT");
        if (!shot.isEmpty())
            QTimer::singleShot(1200, &station, [&station, shot] {
                station.grab().save(shot);
                std::exit(0);
            });
        return app.exec();
    }
    TForm1 form;
    UseQtTranslations();
    // Shown first, so that a warning of the automatic port open stands over the window.
    form.show();
    // RFMOD_SCREENSHOT=file.png [RFMOD_SCREENSHOT_PAGE=n]: save a picture of the window and
    // quit; used to look at the layout without a display.
    const QString shot = qEnvironmentVariable("RFMOD_SCREENSHOT");
    if (!shot.isEmpty()) {
        QTimer::singleShot(1200, &form, [&form, shot] {
            const int page = qEnvironmentVariableIntValue("RFMOD_SCREENSHOT_PAGE");
            form.ShowPage(page);
            QTimer::singleShot(300, &form, [&form, shot] {
                form.grab().save(shot);
                // A modal box may still be open; leave at once.
                std::exit(0);
            });
        });
    }
    TfrmPortSet portSet(&form);
    form.frmPortSet = &portSet;
    portSet.FormCreate();
    TFrm_about about(&form);
    form.Frm_about = &about;

    return app.exec();
}
