#include "Csv.h"

namespace Csv {

QString Field(const QString& text)
{
    for (const QChar c : text) {
        if (c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    }
    return text;
}

QString Row(const QStringList& fields)
{
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString& f : fields)
        quoted << Field(f);
    return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

} // namespace Csv
