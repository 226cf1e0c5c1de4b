// Geometry of the main window: every control of the three pages, placed as designed for the
// factory test edition (the tallest layout); the configuration reading moves and hides
// groups for the other editions.
#include "Unit1.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

template <class W>
W* Place(W* w, int x, int y, int width, int height)
{
    w->setGeometry(x, y, width, height);
    return w;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, int x, int y, int w = 56,
                  int h = 20)
{
    auto* l = Place(new QLabel(U(text), parent), x, y, w, h);
    l->setObjectName(QLatin1String(name));
    return l;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text, int x, int y,
                        int w = 64, int h = 24)
{
    auto* b = Place(new QPushButton(U(text), parent), x, y, w, h);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::StrongFocus);
    return b;
}

QComboBox* MakeCombo(QWidget* parent, const char* name, int x, int y, int w, bool editable = false)
{
    auto* c = Place(new TComboBox(parent), x, y, w, 22);
    c->setObjectName(QLatin1String(name));
    c->setEditable(editable);
    return c;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, int x, int y, int w, bool readOnly = false)
{
    auto* e = Place(new QLineEdit(parent), x, y, w, 22);
    e->setObjectName(QLatin1String(name));
    e->setReadOnly(readOnly);
    return e;
}

QGroupBox* MakeGroup(QWidget* parent, const char* name, const char* text, int x, int y, int w,
                     int h)
{
    auto* g = Place(new QGroupBox(U(text), parent), x, y, w, h);
    g->setObjectName(QLatin1String(name));
    return g;
}

QRadioButton* MakeRadio(QWidget* parent, const char* name, const char* text, int x, int y,
                        int w = 90)
{
    auto* r = Place(new QRadioButton(U(text), parent), x, y, w, 20);
    r->setObjectName(QLatin1String(name));
    return r;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const char* text, int x, int y, int w = 100)
{
    auto* c = Place(new QCheckBox(U(text), parent), x, y, w, 20);
    c->setObjectName(QLatin1String(name));
    return c;
}

QSpinBox* MakeSpin(QWidget* parent, const char* name, int x, int y, int w, int lo, int hi, int v)
{
    auto* s = Place(new QSpinBox(parent), x, y, w, 22);
    s->setObjectName(QLatin1String(name));
    s->setRange(lo, hi);
    s->setValue(v);
    return s;
}

// A group holding one memo that fills it, added to a row of such groups.
QGroupBox* MakeMemoGroup(QWidget* parent, QHBoxLayout* row, const char* groupName, const char* title,
                         const char* memoName, QPlainTextEdit** memo)
{
    auto* g = new QGroupBox(U(title), parent);
    g->setObjectName(QLatin1String(groupName));
    *memo = new QPlainTextEdit(g);
    (*memo)->setObjectName(QLatin1String(memoName));
    auto* l = new QVBoxLayout(g);
    l->setContentsMargins(4, 4, 4, 4);
    l->addWidget(*memo);
    row->addWidget(g, 1);
    return g;
}

// A memo that only shows what happened: read-only, and without an undo history, so memory
// stays flat in long runs.
void MakeLog(QPlainTextEdit* m)
{
    m->setReadOnly(true);
    m->setLineWrapMode(QPlainTextEdit::NoWrap);
    m->setUndoRedoEnabled(false);
}

void AddItems(QComboBox* c, std::initializer_list<const char*> items)
{
    for (const char* i : items)
        c->addItem(U(i));
}

} // namespace

// ---- small widgets ------------------------------------------------------------------------

TShape::TShape(QWidget* parent) : QWidget(parent), m_color(silver()) {}

void TShape::setBrushColor(const QColor& c)
{
    m_color = c;
    update();
}

void TShape::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(m_color);
    const int d = qMin(width(), height()) - 2;
    p.drawEllipse((width() - d) / 2, (height() - d) / 2, d, d);
}

TSpinButton::TSpinButton(QWidget* parent) : QWidget(parent)
{
    m_up = new QPushButton(QString::fromUtf8("\u25B2"), this);
    m_down = new QPushButton(QString::fromUtf8("\u25BC"), this);
    for (QPushButton* b : {m_up, m_down}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoDefault(false);
        QFont f = b->font();
        f.setPixelSize(7);
        b->setFont(f);
    }
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    lay->addWidget(m_up);
    lay->addWidget(m_down);
    connect(m_up, &QPushButton::clicked, this, &TSpinButton::upClicked);
    connect(m_down, &QPushButton::clicked, this, &TSpinButton::downClicked);
}

// ---- the window ---------------------------------------------------------------------------

void TForm1::CreateControls()
{
    setObjectName(QStringLiteral("Form1"));
    setFont(WindowFont(false));
    resize(757, 606);

    // menu
    MainMenu1 = menuBar();
    N1 = MainMenu1->addMenu(U("串口设置"));
    N2 = N1->addAction(U("串口设置"));
    N3 = MainMenu1->addMenu(U("电台检测"));
    N14 = N3->addAction(U("电台检测"));
    N3->addSeparator();
    N19 = N3->addAction(U("停止检测"));
    N4 = MainMenu1->addMenu(U("读写参数"));
    N5 = N4->addAction(U("参数全读"));
    N6 = N4->addAction(U("参数全写"));
    N4->addSeparator();
    N18 = N4->addAction(U("读写前检测"));
    N18->setCheckable(true);
    N18->setChecked(true);
    N7 = MainMenu1->addMenu(U("电台测试"));
    N8 = N7->addAction(U("发射调试"));
    N15 = N7->addAction(U("接收调试"));
    N7->addSeparator();
    N9 = N7->addAction(U("对传测试"));
    N21 = MainMenu1->addMenu(U("工具"));
    N22 = N21->addAction(U("帧监视器…"));
    N21->addSeparator();
    N23 = N21->addAction(U("保存参数到文件…"));
    N24 = N21->addAction(U("从文件载入参数…"));
    N21->addSeparator();
    N25 = N21->addAction(U("对传测试记录与曲线…"));
    N26 = N21->addAction(U("数据通讯选项…"));
    N21->addSeparator();
    N27 = N21->addAction(U("生产工位…"));
    N10 = MainMenu1->addMenu(U("帮助"));
    N20 = N10->addAction(U("帮助"));
    N11 = N10->addAction(U("关于"));
    N10->addSeparator();
    N13 = N10->addAction(U("退出"));
    const char* actionNames[] = {"N2", "N14", "N19", "N5", "N6", "N18", "N8", "N15", "N9",
                                 "N22", "N23", "N24", "N25", "N26", "N27", "N20", "N11", "N13"};
    QAction* actions[] = {N2, N14, N19, N5, N6, N18, N8, N15, N9, N22, N23, N24, N25, N26, N27, N20, N11, N13};
    for (int i = 0; i < 18; ++i)
        actions[i]->setObjectName(QLatin1String(actionNames[i]));
    N1->setObjectName(QStringLiteral("N1"));
    N3->setObjectName(QStringLiteral("N3"));
    N4->setObjectName(QStringLiteral("N4"));
    N7->setObjectName(QStringLiteral("N7"));
    N21->setObjectName(QStringLiteral("N21"));
    N10->setObjectName(QStringLiteral("N10"));

    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    // tool bar
    Panel1 = new QFrame(central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(40);
    Panel1->setAutoFillBackground(true);
    QPalette pal = Panel1->palette();
    pal.setColor(QPalette::Window, QColor(0xA6, 0xCA, 0xF0)); // sky blue
    Panel1->setPalette(pal);
    outer->addWidget(Panel1);
    auto* tools = new QHBoxLayout(Panel1);
    tools->setContentsMargins(6, 4, 6, 4);
    tools->setSpacing(4);
    auto toolButton = [&](const char* name, const char* text) {
        auto* b = new QPushButton(U(text), Panel1);
        b->setObjectName(QLatin1String(name));
        b->setFlat(true);
        b->setAutoDefault(false);
        b->setMinimumWidth(84);
        b->setMinimumHeight(30);
        tools->addWidget(b);
        return b;
    };
    SpeedButton1 = toolButton("SpeedButton1", "串口(&P)");
    SpeedButton20 = toolButton("SpeedButton20", "电台检测(&T)");
    SpeedButton30 = toolButton("SpeedButton30", "停止检测");
    SpeedButton3 = toolButton("SpeedButton3", "读参数(&R)");
    SpeedButton21 = toolButton("SpeedButton21", "写参数(&W)");
    SpeedButton6 = toolButton("SpeedButton6", "帮助(&H)");
    SpeedButton7 = toolButton("SpeedButton7", "退出(&X)");
    tools->addStretch(1);

    PageControl1 = new QTabWidget(central);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    outer->addWidget(PageControl1, 1);
    TabSheet1 = new QWidget;
    TabSheet2 = new QWidget;
    TabSheet3 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    PageControl1->addTab(TabSheet1, U("电台参数"));
    PageControl1->addTab(TabSheet2, U("对传测试"));
    PageControl1->addTab(TabSheet3, U("数据通讯"));

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    setStatusBar(StatusBar1);
    const int panelWidths[4] = {180, 180, 260, 60};
    for (int i = 0; i < 4; ++i) {
        StatusPanel[i] = new QLabel(StatusBar1);
        StatusPanel[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        StatusPanel[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        StatusPanel[i]->setMinimumWidth(panelWidths[i]);
        StatusBar1->addWidget(StatusPanel[i], i == 3 ? 1 : 0);
    }
    WaitPanel = new QLabel(StatusBar1);
    WaitPanel->setObjectName(QStringLiteral("WaitPanel"));
    StatusBar1->addPermanentWidget(WaitPanel);


    // ---- page 1: module parameters ----------------------------------------------------
    QWidget* p = TabSheet1;
    Image1 = Place(new QLabel(p), 0, 0, 1, 1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->hide();

    Label41 = MakeLabel(p, "Label41", "请先选择型号基频或先检测电台：", 8, 10, 196);
    Label39 = MakeLabel(p, "Label39", "产品型号", 206, 10, 52);
    ComboBox15 = MakeCombo(p, "ComboBox15", 258, 8, 104);
    Label40 = MakeLabel(p, "Label40", "基频", 372, 10, 30);
    ComboBox16 = MakeCombo(p, "ComboBox16", 402, 8, 96);
    CheckBox5 = MakeCheck(p, "CheckBox5", "基站用KTX521", 512, 9, 130);
    CheckBox5->hide();

    // left column
    GroupBox3 = MakeGroup(p, "GroupBox3", "信道与频率", 8, 36, 244, 112);
    Label4 = MakeLabel(GroupBox3, "Label4", "信 道", 10, 22, 40);
    ComboBox4 = MakeCombo(GroupBox3, "ComboBox4", 52, 20, 66);
    Label5 = MakeLabel(GroupBox3, "Label5", "频 率", 10, 52, 40);
    Edit1 = MakeEdit(GroupBox3, "Edit1", 52, 50, 152, true);
    Label54 = MakeLabel(GroupBox3, "Label54", "TX", 210, 52, 24);
    Edit19 = MakeEdit(GroupBox3, "Edit19", 52, 80, 152, true);
    Label55 = MakeLabel(GroupBox3, "Label55", "RX", 210, 82, 24);
    SpeedButton2 = MakeButton(GroupBox3, "SpeedButton2", "读取(&1)", 124, 80, 56);
    SpeedButton8 = MakeButton(GroupBox3, "SpeedButton8", "设置(&2)", 182, 80, 56);
    Label54->hide();
    Label55->hide();
    Edit19->hide();
    // the read buttons wait for a model row or a found module
    SpeedButton2->setEnabled(false);

    GroupBox1 = MakeGroup(p, "GroupBox1", "空中速率", 8, 154, 244, 56);
    Label1 = MakeLabel(GroupBox1, "Label1", "波特率", 10, 24, 40);
    ComboBox1 = MakeCombo(GroupBox1, "ComboBox1", 52, 22, 66);
    SpeedButton4 = MakeButton(GroupBox1, "SpeedButton4", "读取(&3)", 124, 21, 56);
    SpeedButton9 = MakeButton(GroupBox1, "SpeedButton9", "设置(&4)", 182, 21, 56);
    SpeedButton4->setEnabled(false);

    GroupBox2 = MakeGroup(p, "GroupBox2", "串口参数", 8, 216, 244, 84);
    Label2 = MakeLabel(GroupBox2, "Label2", "波特率", 10, 24, 40);
    ComboBox2 = MakeCombo(GroupBox2, "ComboBox2", 52, 22, 66);
    Label3 = MakeLabel(GroupBox2, "Label3", "校 验", 10, 54, 40);
    ComboBox3 = MakeCombo(GroupBox2, "ComboBox3", 52, 52, 66);
    AddItems(ComboBox3, {"偶校验", "奇校验", "无校验"});
    SpeedButton5 = MakeButton(GroupBox2, "SpeedButton5", "读取(&5)", 124, 21, 56);
    SpeedButton10 = MakeButton(GroupBox2, "SpeedButton10", "设置(&6)", 182, 21, 56);
    SpeedButton5->setEnabled(false);

    GroupBox18 = MakeGroup(p, "GroupBox18", "出厂系列号", 8, 306, 244, 118);
    Label42 = MakeLabel(GroupBox18, "Label42", "型号", 10, 22, 30);
    ComboBox11 = MakeCombo(GroupBox18, "ComboBox11", 40, 20, 82);
    Label43 = MakeLabel(GroupBox18, "Label43", "年份", 128, 22, 30);
    ComboBox12 = MakeCombo(GroupBox18, "ComboBox12", 160, 20, 76, true);
    Label44 = MakeLabel(GroupBox18, "Label44", "月份", 10, 52, 30);
    ComboBox13 = MakeCombo(GroupBox18, "ComboBox13", 40, 50, 82, true);
    Label45 = MakeLabel(GroupBox18, "Label45", "序号", 128, 52, 30);
    Edit2 = MakeEdit(GroupBox18, "Edit2", 160, 50, 58);
    Edit2->setMaxLength(5);
    SpinButton1 = Place(new TSpinButton(GroupBox18), 219, 50, 17, 22);
    SpinButton1->setObjectName(QStringLiteral("SpinButton1"));
    SpeedButton24 = MakeButton(GroupBox18, "SpeedButton24", "读取(&7)", 10, 84, 64);
    SpeedButton25 = MakeButton(GroupBox18, "SpeedButton25", "设置(&8)", 80, 84, 64);
    CheckBox4 = MakeCheck(GroupBox18, "CheckBox4", "参数锁定", 152, 86, 86);

    // middle column
    GroupBox4 = MakeGroup(p, "GroupBox4", "省电模式", 260, 36, 244, 134);
    Label6 = MakeLabel(GroupBox4, "Label6", "省电模式", 10, 22, 52);
    ComboBox6 = MakeCombo(GroupBox4, "ComboBox6", 64, 20, 110);
    AddItems(ComboBox6, {"无休眠模式", "硬件唤醒", "串口唤醒", "空中唤醒"});
    ComboBox6->setCurrentIndex(-1);
    SpeedButton11 = MakeButton(GroupBox4, "SpeedButton11", "读取(&C)", 10, 48, 64);
    SpeedButton28 = MakeButton(GroupBox4, "SpeedButton28", "设置(&D)", 80, 48, 64);
    SpeedButton29 = MakeButton(GroupBox4, "SpeedButton29", "串口唤醒(&E)", 150, 48, 86);
    GroupBox25 = MakeGroup(GroupBox4, "GroupBox25", "空中唤醒占空比时间", 6, 78, 232, 50);
    Label56 = MakeLabel(GroupBox25, "Label56", "工作(毫秒):", 6, 22, 64);
    Edit20 = MakeEdit(GroupBox25, "Edit20", 70, 20, 42);
    Label57 = MakeLabel(GroupBox25, "Label57", "睡眠(秒):", 116, 22, 54);
    Edit21 = MakeEdit(GroupBox25, "Edit21", 172, 20, 22);
    SpeedButton39 = MakeButton(GroupBox25, "SpeedButton39", "设置", 196, 19, 32);

    GroupBox13 = MakeGroup(p, "GroupBox13", "空中协议", 260, 176, 244, 56);
    Label28 = MakeLabel(GroupBox13, "Label28", "协议选择", 8, 24, 52);
    ComboBox5 = MakeCombo(GroupBox13, "ComboBox5", 62, 22, 70);
    AddItems(ComboBox5, {"凯斯特", "兼容"});
    ComboBox5->setCurrentIndex(0);
    SpeedButton22 = MakeButton(GroupBox13, "SpeedButton22", "读取(&F)", 136, 21, 50);
    SpeedButton23 = MakeButton(GroupBox13, "SpeedButton23", "设置(&G)", 188, 21, 50);

    GroupBox12 = MakeGroup(p, "GroupBox12", "电台测试", 260, 238, 244, 110);
    SpeedButton14 = MakeButton(GroupBox12, "SpeedButton14", "启动测试(&A)", 10, 20, 110);
    SpeedButton15 = MakeButton(GroupBox12, "SpeedButton15", "结束测试(&B)", 126, 20, 110);
    SpeedButton38 = MakeButton(GroupBox12, "SpeedButton38", "全设(G-8-W-A)", 10, 50, 226);
    Label51 = MakeLabel(GroupBox12, "Label51", "电容值", 10, 82, 62);
    Edit18 = MakeEdit(GroupBox12, "Edit18", 74, 80, 60);
    SpeedButton40 = MakeButton(GroupBox12, "SpeedButton40", "校准", 140, 79, 96);

    // right column
    GroupBox20 = MakeGroup(p, "GroupBox20", "场强与功率", 512, 36, 228, 84);
    Label49 = MakeLabel(GroupBox20, "Label49", "场强读取", 6, 24, 52);
    Edit16 = MakeEdit(GroupBox20, "Edit16", 58, 22, 28, true);
    Label52 = MakeLabel(GroupBox20, "Label52", "(HEX)", 87, 24, 38);
    Edit17 = MakeEdit(GroupBox20, "Edit17", 126, 22, 30, true);
    Label53 = MakeLabel(GroupBox20, "Label53", "(Int)", 157, 24, 30);
    Button1 = MakeButton(GroupBox20, "Button1", "读取", 188, 21, 34);
    Label50 = MakeLabel(GroupBox20, "Label50", "功率设置", 6, 54, 52);
    ComboBox21 = MakeCombo(GroupBox20, "ComboBox21", 58, 52, 98);
    for (int i = 0; i <= 15; ++i)
        ComboBox21->addItem(QStringLiteral("%1").arg(i) + U("级"));
    ComboBox21->setCurrentIndex(-1);
    Button2 = MakeButton(GroupBox20, "Button2", "设置", 188, 51, 34);

    GroupBox6 = MakeGroup(p, "GroupBox6", "IO开关量(仅对 KTX522/KTX523 ID 协议)", 512, 126, 228, 190);
    Label29 = MakeLabel(GroupBox6, "Label29", "目标ID", 6, 22, 44);
    Edit10 = MakeEdit(GroupBox6, "Edit10", 50, 20, 84);
    SpeedButton13 = MakeButton(GroupBox6, "SpeedButton13", "读取(&J)", 150, 19, 70);
    Label31 = MakeLabel(GroupBox6, "Label31", "输入", 6, 46, 60, 16);
    Label7 = MakeLabel(GroupBox6, "Label7", "Input1", 14, 66, 46);
    ComboBox7 = MakeCombo(GroupBox6, "ComboBox7", 62, 64, 70);
    Shape1 = Place(new TShape(GroupBox6), 136, 66, 17, 17);
    Label8 = MakeLabel(GroupBox6, "Label8", "Input2", 14, 92, 46);
    ComboBox8 = MakeCombo(GroupBox6, "ComboBox8", 62, 90, 70);
    Shape2 = Place(new TShape(GroupBox6), 136, 92, 17, 17);
    Label32 = MakeLabel(GroupBox6, "Label32", "输出", 6, 116, 60, 16);
    Label9 = MakeLabel(GroupBox6, "Label9", "Output1", 14, 136, 48);
    ComboBox9 = MakeCombo(GroupBox6, "ComboBox9", 62, 134, 70);
    Shape3 = Place(new TShape(GroupBox6), 136, 136, 17, 17);
    SpeedButton12 = MakeButton(GroupBox6, "SpeedButton12", "设置(&K)", 160, 133, 60);
    Label10 = MakeLabel(GroupBox6, "Label10", "Output2", 14, 162, 48);
    ComboBox10 = MakeCombo(GroupBox6, "ComboBox10", 62, 160, 70);
    Shape4 = Place(new TShape(GroupBox6), 136, 162, 17, 17);
    SpeedButton32 = MakeButton(GroupBox6, "SpeedButton32", "设置(&M)", 160, 159, 60);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape2->setObjectName(QStringLiteral("Shape2"));
    Shape3->setObjectName(QStringLiteral("Shape3"));
    Shape4->setObjectName(QStringLiteral("Shape4"));
    for (QComboBox* c : {ComboBox7, ComboBox8, ComboBox9, ComboBox10}) {
        AddItems(c, {"低电平", "高低平"});
        c->setCurrentIndex(0);
    }

    GroupBox19 = MakeGroup(p, "GroupBox19", "电台ID与KTX525功率", 512, 322, 228, 84);
    Label30 = MakeLabel(GroupBox19, "Label30", "ID", 8, 24, 20);
    Edit15 = MakeEdit(GroupBox19, "Edit15", 30, 22, 70);
    SpeedButton26 = MakeButton(GroupBox19, "SpeedButton26", "读取(&H)", 104, 21, 58);
    SpeedButton27 = MakeButton(GroupBox19, "SpeedButton27", "设置(&I)", 164, 21, 58);
    Label33 = MakeLabel(GroupBox19, "Label33", "KTX525/310C功率", 8, 54, 96);
    ComboBox14 = MakeCombo(GroupBox19, "ComboBox14", 104, 52, 44);
    AddItems(ComboBox14, {"1W", "2W"});
    ComboBox14->setCurrentIndex(-1);
    SpeedButton31 = MakeButton(GroupBox19, "SpeedButton31", "读取", 150, 51, 36);
    SpeedButton33 = MakeButton(GroupBox19, "SpeedButton33", "设置", 188, 51, 34);
    SpeedButton31->hide(); // the module has no power read; the button stays for the enables
    // power controls and IO buttons wait for a model row that has them
    for (QWidget* w : std::initializer_list<QWidget*>{Label33, ComboBox14, SpeedButton31, SpeedButton33,
                                                      SpeedButton12, SpeedButton13, SpeedButton32})
        w->setEnabled(false);

    BitBtn1 = MakeButton(p, "BitBtn1", "全设(&S)", 0, 0, 60);
    SpeedButton19 = MakeButton(p, "SpeedButton19", "全读(&A)", 0, 0, 60);
    BitBtn1->hide();
    SpeedButton19->hide();

    // ---- page 2: pair test -------------------------------------------------------------
    p = TabSheet2;
    auto* page2 = new QVBoxLayout(p);
    page2->setContentsMargins(4, 4, 4, 4);
    Panel2 = new QFrame(p);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedHeight(236);
    page2->addWidget(Panel2);
    QWidget* q = Panel2;
    Label11 = MakeLabel(q, "Label11", "发送数据", 6, 8, 60);
    Edit4 = MakeEdit(q, "Edit4", 68, 6, 420);
    Edit12 = MakeEdit(q, "Edit12", 492, 6, 44, true);
    Label12 = MakeLabel(q, "Label12", "接收数据", 6, 36, 60);
    Edit3 = MakeEdit(q, "Edit3", 68, 34, 420, true);
    Edit13 = MakeEdit(q, "Edit13", 492, 34, 44, true);

    GroupBox7 = MakeGroup(q, "GroupBox7", "操作", 546, 0, 190, 62);
    SpeedButton17 = MakeButton(GroupBox7, "SpeedButton17", "发送", 10, 24, 80, 28);
    SpeedButton18 = MakeButton(GroupBox7, "SpeedButton18", "停止", 98, 24, 80, 28);

    GroupBox14 = MakeGroup(q, "GroupBox14", "测试类型", 4, 64, 118, 66);
    RadioButton13 = MakeRadio(GroupBox14, "RadioButton13", "收发相同", 8, 20, 104);
    RadioButton14 = MakeRadio(GroupBox14, "RadioButton14", "指定接收数据", 8, 42, 104);
    RadioButton13->setChecked(true);
    GroupBox15 = MakeGroup(q, "GroupBox15", "指定接收数据", 126, 64, 150, 66);
    Edit11 = MakeEdit(GroupBox15, "Edit11", 8, 28, 134);
    GroupBox15->setEnabled(false);
    Edit11->setEnabled(false);
    GroupBox16 = MakeGroup(q, "GroupBox16", "收发模式", 280, 64, 96, 66);
    RadioButton15 = MakeRadio(GroupBox16, "RadioButton15", "主发", 8, 20, 84);
    RadioButton16 = MakeRadio(GroupBox16, "RadioButton16", "主收", 8, 42, 84);
    RadioButton15->setChecked(true);
    GroupBox17 = MakeGroup(q, "GroupBox17", "收发类型", 380, 64, 86, 66);
    RadioButton4 = MakeRadio(GroupBox17, "RadioButton4", "ASCII", 8, 20, 74);
    RadioButton3 = MakeRadio(GroupBox17, "RadioButton3", "HEX", 8, 42, 74);
    RadioButton4->setChecked(true);
    GroupBox9 = MakeGroup(q, "GroupBox9", "发送选项", 470, 64, 170, 66);
    RadioButton1 = MakeRadio(GroupBox9, "RadioButton1", "返回后发送", 8, 20, 150);
    RadioButton2 = MakeRadio(GroupBox9, "RadioButton2", "定时发送", 8, 42, 76);
    RadioButton1->setChecked(true);
    Label26 = MakeLabel(GroupBox9, "Label26", "定时", 84, 43, 28);
    SpinEdit1 = MakeSpin(GroupBox9, "SpinEdit1", 100, 41, 48, 100, 10000, 1000);
    Label26->setGeometry(0, 0, 0, 0); // the period field is labelled by the radio button
    Label26->hide();
    SpinEdit1->setGeometry(88, 41, 56, 22);
    Label27 = MakeLabel(GroupBox9, "Label27", "ms", 146, 43, 20);
    SpinEdit1->setEnabled(false);
    CheckBox1 = MakeCheck(q, "CheckBox1", "回发纠错", 646, 90, 90);
    CheckBox1->setChecked(true);

    GroupBox8 = MakeGroup(q, "GroupBox8", "统计", 4, 134, 466, 96);
    Label13 = MakeLabel(GroupBox8, "Label13", "发送", 8, 24, 34);
    Edit5 = MakeEdit(GroupBox8, "Edit5", 42, 22, 70, true);
    Label15 = MakeLabel(GroupBox8, "Label15", "接收", 122, 24, 34);
    Edit6 = MakeEdit(GroupBox8, "Edit6", 156, 22, 70, true);
    Label17 = MakeLabel(GroupBox8, "Label17", "成功", 236, 24, 34);
    Edit7 = MakeEdit(GroupBox8, "Edit7", 270, 22, 70, true);
    Label19 = MakeLabel(GroupBox8, "Label19", "错误", 350, 24, 34);
    Edit8 = MakeEdit(GroupBox8, "Edit8", 384, 22, 70, true);
    Label21 = MakeLabel(GroupBox8, "Label21", "成功率", 8, 58, 72);
    Edit9 = MakeEdit(GroupBox8, "Edit9", 82, 56, 72, true);
    Label22 = MakeLabel(GroupBox8, "Label22", "TX:", 166, 58, 24);
    Label23 = MakeLabel(GroupBox8, "Label23", "0", 190, 58, 80);
    Label24 = MakeLabel(GroupBox8, "Label24", "RX:", 276, 58, 24);
    Label25 = MakeLabel(GroupBox8, "Label25", "0", 300, 58, 80);
    SpeedButton16 = MakeButton(GroupBox8, "SpeedButton16", "清零", 392, 55, 62);
    for (QLineEdit* e : {Edit5, Edit6, Edit7, Edit8})
        e->setText(QStringLiteral("0"));

    GroupBox5 = MakeGroup(q, "GroupBox5", "选项", 474, 134, 262, 96);
    CheckBox2 = MakeCheck(GroupBox5, "CheckBox2", "指定帧间延时", 8, 20, 150);
    CheckBox2->setChecked(true);
    SpinEdit2 = MakeSpin(GroupBox5, "SpinEdit2", 160, 19, 66, 60, 3000, 300);
    Label34 = MakeLabel(GroupBox5, "Label34", "ms", 230, 21, 24);
    Label35 = MakeLabel(GroupBox5, "Label35", "接收周期", 8, 46, 150);
    SpinEdit3 = MakeSpin(GroupBox5, "SpinEdit3", 160, 44, 66, 10, 500, 30);
    Label36 = MakeLabel(GroupBox5, "Label36", "ms", 230, 46, 24);
    Label37 = MakeLabel(GroupBox5, "Label37", "收发转换", 8, 70, 150);
    SpinEdit4 = MakeSpin(GroupBox5, "SpinEdit4", 160, 68, 66, 10, 1000, 20);
    Label38 = MakeLabel(GroupBox5, "Label38", "ms", 230, 70, 24);

    auto* memos = new QHBoxLayout;
    page2->addLayout(memos, 1);
    GroupBox10 = MakeMemoGroup(p, memos, "GroupBox10", "接收", "Memo2", &Memo2);
    GroupBox11 = MakeMemoGroup(p, memos, "GroupBox11", "发送", "Memo1", &Memo1);
    for (QPlainTextEdit* m : {Memo1, Memo2})
        MakeLog(m);

    // ---- page 3: data terminal ---------------------------------------------------------
    p = TabSheet3;
    auto* page3 = new QVBoxLayout(p);
    page3->setContentsMargins(4, 4, 4, 4);
    Panel6 = new QFrame(p);
    Panel6->setObjectName(QStringLiteral("Panel6"));
    Panel6->setFixedHeight(64);
    page3->addWidget(Panel6);
    q = Panel6;
    SpeedButton37 = MakeButton(q, "SpeedButton37", "发送", 8, 18, 90, 30);
    GroupBox23 = MakeGroup(q, "GroupBox23", "发送", 110, 2, 150, 56);
    RadioButton5 = MakeRadio(GroupBox23, "RadioButton5", "ASCII", 10, 24, 66);
    RadioButton6 = MakeRadio(GroupBox23, "RadioButton6", "HEX", 80, 24, 60);
    RadioButton5->setChecked(true);
    GroupBox24 = MakeGroup(q, "GroupBox24", "接收", 270, 2, 150, 56);
    RadioButton7 = MakeRadio(GroupBox24, "RadioButton7", "ASCII", 10, 24, 66);
    RadioButton8 = MakeRadio(GroupBox24, "RadioButton8", "HEX", 80, 24, 60);
    RadioButton7->setChecked(true);
    CheckBox3 = MakeCheck(q, "CheckBox3", "进入接收状态", 436, 24, 296);

    auto* termMemos = new QHBoxLayout;
    page3->addLayout(termMemos, 1);
    GroupBox21 = MakeMemoGroup(p, termMemos, "GroupBox21", "发送", "Memo3", &Memo3);
    GroupBox22 = MakeMemoGroup(p, termMemos, "GroupBox22", "接收", "Memo4", &Memo4);
    MakeLog(Memo4);
    Memo4->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    for (QPlainTextEdit* m : {Memo3, Memo4})
        m->setToolTip(U("双击可清空"));

    // hints
    const QString sameChannel = U("两模块要通讯必须信道、空中波特率一致！");
    SpeedButton8->setToolTip(sameChannel);
    SpeedButton9->setToolTip(sameChannel);
    SpeedButton10->setToolTip(U("串口波特率及校验必须与所接用户设备或电脑一致！"));
}
