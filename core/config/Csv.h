// CSV as the tool's logs write it (frame log, pair-test record, production log): fields
// separated by commas, rows ended with CR LF.
#pragma once

#include <QString>
#include <QStringList>

namespace Csv {

// `text` as one field: in quotes, its quotes doubled, when it holds a comma, a quote, a CR or
// an LF; as it is otherwise.
QString Field(const QString& text);
// The fields as one row, CR LF included.
QString Row(const QStringList& fields);

} // namespace Csv
