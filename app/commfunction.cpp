#include "commfunction.h"

#include "GlobleVar.h"
#include "UiServices.h"
#include "texts/app_texts.h"
#include "core/link/PComm.h"

namespace {

// The port layer's messages are English, or German in that edition only.
QString Pick(const char* english, const char* german)
{
    return QString::fromUtf8(GlobleVar::IsEdition("GERMAN") ? german : english);
}

const char* const kWin32Fail = "Call Win32 funtion fail!";
const char* const kNotOpened = "The Port NOT be opened!";
const char* const kNotOpenedDe = "KEIN PORT GEOEFFNET!";
const char* const kSendParams = "The parameters error when sending data!";

} // namespace

void TCommFun::ShowOpenFailure(LinkStatus status)
{
    switch (status) {
    case LinkStatus::BadPort:
        ShowWarning(QString::fromUtf8("The port open fail\xEF\xBC\x8Chardware is error!"));
        break;
    case LinkStatus::OpenFail:
        ShowWarning(Pick("The port open fail,the port NOT exist or other software have used it!",
                         "KEIN PORT GEFUNDEN!"));
        break;
    case LinkStatus::SystemFail:
        ShowWarning(QString::fromUtf8(kWin32Fail));
        break;
    default:
        break;
    }
}

void TCommFun::ShowConfigureFailure(LinkStatus status)
{
    if (status == LinkStatus::BadPort)
        ShowWarning(Pick(kNotOpened, kNotOpenedDe));
    else if (status == LinkStatus::SystemFail)
        ShowWarning(QString::fromUtf8(kWin32Fail));
}

void TCommFun::ShowCloseFailure(LinkStatus status)
{
    if (status == LinkStatus::SystemFail)
        ShowWarning(QString::fromUtf8(kWin32Fail));
}

void TCommFun::ShowSendFailure(LinkStatus status)
{
    switch (status) {
    case LinkStatus::BadPort:
        ShowWarning(Pick(kNotOpened, kNotOpenedDe));
        break;
    case LinkStatus::BadParameter:
        ShowError(QString::fromUtf8(kSendParams));
        break;
    case LinkStatus::WriteAborted:
        ShowWarning(QString::fromUtf8(kSendParams));
        break;
    case LinkStatus::SystemFail:
        ShowWarning(QString::fromUtf8(kWin32Fail));
        break;
    case LinkStatus::Other:
        ShowWarning(Tr(AppTexts::SendFail));
        break;
    case LinkStatus::Ok:
    case LinkStatus::OpenFail: // not a status of a write
        break;
    }
}

bool TCommFun::ClosePort(int port)
{
    const LinkStatus status = m_link.close(port);
    ShowCloseFailure(status);
    return status == LinkStatus::Ok;
}
