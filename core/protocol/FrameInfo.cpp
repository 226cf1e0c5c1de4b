#include "FrameInfo.h"

#include "Answers.h"
#include "HexText.h"
#include "Routes.h"

QString FrameInfo::kindName() const
{
    switch (kind) {
    case FrameKind::Long: return QStringLiteral("long");
    case FrameKind::Short: return QStringLiteral("short");
    case FrameKind::Id: return QStringLiteral("ID");
    case FrameKind::Data: break;
    }
    return QStringLiteral("data");
}

QString FrameInfo::meaning(bool received) const
{
    if (kind == FrameKind::Data)
        return QStringLiteral("data");
    QString m;
    if (search)
        m = received ? QStringLiteral("identify answer") : QStringLiteral("search request");
    else if (command == Command::None)
        m = received ? QStringLiteral("unknown answer") : QStringLiteral("unknown request");
    else
        m = received ? QStringLiteral("answer to ") + Commands::Name(command)
                     : Commands::Name(command) + QStringLiteral(" request");
    if (!checksumOk)
        m += QStringLiteral(", checksum wrong");
    return m;
}

FrameInfo DescribeFrame(const QByteArray& bytes, bool received)
{
    const QString text = HexText::BytesToHexText(bytes, false);
    FrameInfo info;
    if (Answers::IsLong(text)) {
        info.kind = FrameKind::Long;
        info.checksumOk = Answers::ChecksumOk(text, false);
        const QString code = Answers::LongCode(text);
        info.search = code == QLatin1String(received ? "0000" : "8000");
        if (!info.search)
            info.command = received ? Routes::OfLongAnswer(code) : Commands::FromCodeText(code);
    } else if (Answers::IsId(text)) {
        info.kind = FrameKind::Id;
        info.checksumOk = Answers::ChecksumOk(text, false);
        const QString code = Answers::IdCode(text);
        info.command = received ? Routes::OfIdAnswer(code) : Commands::FromCodeText(QStringLiteral("4040") + code);
    } else if (Answers::IsShort(text)) {
        info.kind = FrameKind::Short;
        info.checksumOk = Answers::ChecksumOk(text, true);
        const QString code = Answers::ShortCode(text);
        info.search = code == QLatin1String("00");
        if (!info.search)
            info.command = received ? Routes::OfShortAnswer(code)
                                    : Commands::FromCodeText(QStringLiteral("80") + code);
    }
    return info;
}
