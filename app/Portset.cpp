#include "Portset.h"

#include "UiServices.h"
#include "Unit1.h"
#include "core/config/ToolConfig.h"
#include "core/link/PortMapping.h"
#include "texts/app_texts.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QString U(const char* s) { return QString::fromUtf8(s); }
} // namespace

TfrmPortSet::TfrmPortSet(TForm1* mainForm) : QDialog(mainForm), m_form(mainForm)
{
    setObjectName(QStringLiteral("frmPortSet"));
    setWindowTitle(U("串口设置"));
    setModal(true);
    setFont(WindowFont(false));

    auto combo = [this](const char* name, std::initializer_list<const char*> items) {
        auto* c = new QComboBox(this);
        c->setObjectName(QLatin1String(name));
        for (const char* i : items)
            c->addItem(U(i));
        c->setMinimumWidth(130);
        return c;
    };
    ComboBox1 = combo("ComboBox1", {});
    for (int n = 1; n <= 36; ++n)
        ComboBox1->addItem(QStringLiteral("COM%1").arg(n));
    ComboBox2 = combo("ComboBox2", {"600", "1200", "2400", "4800", "9600", "19200", "38400"});
    ComboBox3 = combo("ComboBox3", {"EVEN(偶校验)", "ODD(奇校验)", "NONE(无校验)"});
    ComboBox4 = combo("ComboBox4", {"8", "7", "5", "6"});
    ComboBox5 = combo("ComboBox5", {"1", "2"});
    ComboBox6 = combo("ComboBox6", {"1", "1.5", "2"});
    ComboBox4->setEnabled(false);
    ComboBox5->setEnabled(false);
    ComboBox6->setEnabled(false);

    auto label = [this](const char* name, const char* text) {
        auto* l = new QLabel(U(text), this);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    Label1 = label("Label1", "串口");
    Label2 = label("Label2", "波特率");
    Label3 = label("Label3", "校验");
    Label4 = label("Label4", "数据位");
    Label5 = label("Label5", "起始位");
    Label6 = label("Label6", "停止位");
    DeviceLabel = new QLabel(this);
    DeviceLabel->setObjectName(QStringLiteral("DeviceLabel"));
    QFont small = DeviceLabel->font();
    small.setPixelSize(11);
    DeviceLabel->setFont(small);
    DeviceLabel->setStyleSheet(QStringLiteral("color: #505050"));

    auto button = [this](const char* name, const char* text) {
        auto* b = new QPushButton(U(text), this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        b->setMinimumWidth(80);
        return b;
    };
    SpeedButton1 = button("SpeedButton1", "打开");
    SpeedButton2 = button("SpeedButton2", "关闭");
    SpeedButton3 = button("SpeedButton3", "取消");

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    QLabel* labels[] = {Label1, Label2, Label3, Label4, Label5, Label6};
    QComboBox* combos[] = {ComboBox1, ComboBox2, ComboBox3, ComboBox4, ComboBox5, ComboBox6};
    for (int i = 0; i < 6; ++i) {
        grid->addWidget(labels[i], i, 0);
        grid->addWidget(combos[i], i, 1);
    }
    DeviceLabel->setWordWrap(true);
    DeviceLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // across the dialog under the lists: a device path or the module's options are one word;
    // room for three lines is kept, as the dialog does not grow with its text
    DeviceLabel->setMinimumHeight(3 * DeviceLabel->fontMetrics().lineSpacing());
    grid->addWidget(DeviceLabel, 6, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(SpeedButton1);
    buttons->addWidget(SpeedButton2);
    buttons->addWidget(SpeedButton3);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(16, 16, 16, 12);
    outer->addLayout(grid);
    outer->addSpacing(8);
    outer->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(420, 260)));

    connect(SpeedButton1, &QPushButton::clicked, this, &TfrmPortSet::SpeedButton1Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &TfrmPortSet::SpeedButton2Click);
    connect(SpeedButton3, &QPushButton::clicked, this, &TfrmPortSet::SpeedButton3Click);
    connect(ComboBox1, QOverload<int>::of(&QComboBox::activated), this, &TfrmPortSet::ComboBox1Click);
    connect(ComboBox1, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &TfrmPortSet::UpdateDeviceLabel);
    connect(ComboBox2, QOverload<int>::of(&QComboBox::activated), this, &TfrmPortSet::ComboBox2Change);
    connect(ComboBox3, QOverload<int>::of(&QComboBox::activated), this, &TfrmPortSet::ComboBox3Click);
}

void TfrmPortSet::FormCreate()
{
    if (GlobleVar::MessagesInEnglish()) {
        const bool german = GlobleVar::IsEdition("GERMAN");
        setFont(WindowFont(true));
        setWindowTitle(german ? QStringLiteral("COM EINSTELLUNGEN") : QStringLiteral("COM Option"));
        Label1->setText(QStringLiteral("COM Port"));
        Label2->setText(QStringLiteral("Baud Rate"));
        Label3->setText(QStringLiteral("Verify"));
        Label4->setText(QStringLiteral("Data Bits"));
        Label5->setText(QStringLiteral("Begin Bits"));
        Label6->setText(QStringLiteral("Stop Bits"));
        ComboBox3->setItemText(0, QStringLiteral("EVEN"));
        ComboBox3->setItemText(1, QStringLiteral("ODD"));
        ComboBox3->setItemText(2, QStringLiteral("NONE"));
        SpeedButton1->setText(german ? QStringLiteral("OEFFNEN") : QStringLiteral("Open"));
        SpeedButton2->setText(german ? QStringLiteral("SCHLIESSEN") : QStringLiteral("Close"));
        SpeedButton3->setText(german ? QStringLiteral("ABBRECHEN") : QStringLiteral("Cancel"));
    }
    ComboBox1->setCurrentIndex(0);
    ComboBox2->setCurrentIndex(2);
    ComboBox3->setCurrentIndex(2);
    ComboBox4->setCurrentIndex(0);
    ComboBox5->setCurrentIndex(0);
    ComboBox6->setCurrentIndex(0);
    LoadPortSettings();
    SpeedButton1Click();
}

// A stored position outside a list leaves that list without a selection.
static void SelectPosition(QComboBox* c, int position)
{
    c->setCurrentIndex(position >= 0 && position < c->count() ? position : -1);
}

void TfrmPortSet::LoadPortSettings()
{
    const ToolConfig::Com com = ToolConfig::ReadCom(GlobleVar::ConfigPath());
    SelectPosition(ComboBox1, com.port);
    SelectPosition(ComboBox2, com.rate);
    SelectPosition(ComboBox3, com.verify);
    UpdateDeviceLabel();
}

void TfrmPortSet::SavePortSettings()
{
    IniWriteError error;
    if (!ToolConfig::WriteCom(GlobleVar::ConfigPath(),
                              ToolConfig::Com{ComboBox1->currentIndex(), ComboBox2->currentIndex(), ComboBox3->currentIndex()},
                              &error))
        ShowWarning(Tr(AppTexts::ConfigNotSaved) + error.describe(), this);
}

PortChoice TfrmPortSet::Chosen() const
{
    return PortChoice{PortNumberOfText(ComboBox1->currentText()),
                      SerialSettings{ToolConfig::BaudOfRow(ComboBox2->currentIndex()),
                                     ToolConfig::ParityOfRow(ComboBox3->currentIndex())}};
}

void TfrmPortSet::ShowSerial(const SerialSettings& settings)
{
    ComboBox2->setCurrentIndex(ToolConfig::RowOfBaud(settings.baud));
    ComboBox3->setCurrentIndex(ToolConfig::RowOfParity(settings.parity));
}

void TfrmPortSet::ShowFollowed(const SerialSettings& settings, LinkStatus status)
{
    ShowSerial(settings);
    if (status != LinkStatus::Ok || ChosenSerial().baud == 0 || ChosenSerial().parity == Parity::Unknown) {
        // The open operation again, with its boxes: from the event loop, not from inside the
        // answer that moved the module.
        m_form->QueueBox(QStringLiteral("follow"), [this] {
            m_form->CommFun->ClosePort(GlobleVar::PortSettings.portNumber);
            SpeedButton1Click();
        });
        return;
    }
    GlobleVar::PortSettings.line = settings.line();
    ShowOpened();
}

QString TfrmPortSet::SettingsSummary() const
{
    return QStringList{ComboBox1->currentText(), ComboBox2->currentText(), ComboBox3->currentText(),
                       ComboBox4->currentText(), ComboBox5->currentText()}
        .join(QLatin1Char(','));
}

int TfrmPortSet::PortNumberOfText(const QString& text)
{
    for (int n = 1; n <= GlobleVar::kPortCount; ++n)
        if (text == QStringLiteral("COM%1").arg(n))
            return n;
    return 0;
}

void TfrmPortSet::SpeedButton1Click()
{
    TPortSettings& ps = GlobleVar::PortSettings;
    const PortChoice choice = Chosen();
    if (choice.port == 0) {
        ShowWarning(Tr(AppTexts::PortOutOfRange), this);
        return;
    }
    if (choice.line.baud == 0) {
        ShowWarning(Tr(AppTexts::BaudOutOfRange), this);
        return;
    }
    // A parity list without a choice keeps what the last open used.
    const Parity parity = choice.line.parity != Parity::Unknown ? choice.line.parity : ParityOfChar(ps.line.parity);
    const LineSettings line = SerialSettings{choice.line.baud, parity}.line();

    // The session opens the port; the settings follow only what it opened, so the dialog,
    // the status bar and the port in use never name different ports.
    const ModuleSession::PortOpening opening = m_form->Session->openPort(choice.port, line);
    if (opening.opened != LinkStatus::Ok) {
        TCommFun::ShowOpenFailure(opening.opened);
        ShowWarning(Tr(AppTexts::PortOpenFail), this);
        m_form->SetPanel(1, Tr(AppTexts::PortOpenFailPanel));
        ShowPortInUse();
        return;
    }
    ps.portNumber = choice.port;
    if (opening.configured != LinkStatus::Ok) {
        // Open at settings nobody chose is no open port: the session closed it again.
        TCommFun::ShowConfigureFailure(opening.configured);
        ShowPortOpen(false);
        ShowWarning(Tr(AppTexts::PortSetFail), this);
        m_form->SetPanel(1, Tr(AppTexts::PortSetFail));
        return;
    }
    ps.line = line;
    ShowOpened();
}

void TfrmPortSet::ShowPortInUse()
{
    const SerialLink& link = m_form->Session->link();
    if (link.isOpen() && !link.isLost()) {
        const int row = ComboBox1->findText(QStringLiteral("COM%1").arg(link.port()));
        if (row >= 0)
            ComboBox1->setCurrentIndex(row);
    }
    ComboBox1Click();
}

void TfrmPortSet::ShowOpened()
{
    const TPortSettings& ps = GlobleVar::PortSettings;
    TCommFun* link = m_form->CommFun;
    m_form->PortLostShown = false;
    SpeedButton1->setEnabled(false);
    SpeedButton2->setEnabled(true);
    hide();

    for (int p = 0; p < GlobleVar::kPortCount; ++p) {
        if (p + 1 != ps.portNumber && GlobleVar::portOpenFlags[p]) {
            if (link->ClosePort(p + 1))
                GlobleVar::portOpenFlags[p] = false;
        }
    }
    const int selected = ComboBox1->currentIndex();
    if (selected >= 0 && selected < GlobleVar::kPortCount)
        GlobleVar::portOpenFlags[selected] = true;
    m_form->SetPanel(1, SettingsSummary());
    SavePortSettings();
}

void TfrmPortSet::SpeedButton2Click()
{
    if (m_form->CommFun->ClosePort(GlobleVar::PortSettings.portNumber)) {
        SpeedButton1->setEnabled(true);
        SpeedButton2->setEnabled(false);
        const int selected = ComboBox1->currentIndex();
        if (selected >= 0 && selected < GlobleVar::kPortCount)
            GlobleVar::portOpenFlags[selected] = false;
    } else {
        ShowWarning(Tr(AppTexts::PortCloseFail), this);
        m_form->SetPanel(1, Tr(AppTexts::PortCloseFailPanel));
    }
}

void TfrmPortSet::SpeedButton3Click() { hide(); }

void TfrmPortSet::ShowPortOpen(bool open)
{
    const int p = GlobleVar::PortSettings.portNumber - 1;
    if (p >= 0 && p < GlobleVar::kPortCount)
        GlobleVar::portOpenFlags[p] = open;
    ComboBox1Click();
}

void TfrmPortSet::ComboBox1Click()
{
    const int selected = ComboBox1->currentIndex();
    const bool open = selected >= 0 && selected < GlobleVar::kPortCount && GlobleVar::portOpenFlags[selected];
    SpeedButton1->setEnabled(!open);
    SpeedButton2->setEnabled(open);
    UpdateDeviceLabel();
}

void TfrmPortSet::ComboBox2Change() { m_form->SetPanel(1, SettingsSummary()); }
void TfrmPortSet::ComboBox3Click() { m_form->SetPanel(1, SettingsSummary()); }
void TfrmPortSet::ComboBox3Change() { m_form->SetPanel(1, SettingsSummary()); }

// The note in the interface language; only the device names and options stay as they are.
static QString DeviceText(int port, const PortMapping::Target& t)
{
    const QString com = QStringLiteral("COM%1").arg(port);
    const QString origin = t.given || !t.fromConfig ? QString() : QStringLiteral(" (Config.ini)");
    switch (t.kind) {
    case PortMapping::Kind::Simulated:
        return Tr(AppTexts::PortSimulated).arg(com, (t.simOptions.isEmpty() ? QString() : QStringLiteral(" ") + t.simOptions) + origin);
    case PortMapping::Kind::Device:
        if (t.adapterIndex >= 0)
            return Tr(AppTexts::PortUsbAdapter).arg(com, t.device).arg(t.adapterIndex + 1).arg(t.adapterCount);
        return QStringLiteral("%1 = %2%3").arg(com, t.device, origin);
    case PortMapping::Kind::Invalid:
        break;
    }
    return PortMapping::Describe(port, t);
}

void TfrmPortSet::UpdateDeviceLabel()
{
    const int port = PortNumberOfText(ComboBox1->currentText());
    DeviceLabel->setText(port ? DeviceText(port, PortMapping::Lookup(port)) : QString());
}
