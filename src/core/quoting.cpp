#include "quoting.h"

#include <QDir>

namespace velmaris {

QString quoted(QStringView text)
{
    QString result;
    result.reserve(text.size() + 4);
    result += QStringLiteral("« ");
    result += text;
    result += QStringLiteral(" »");
    return result;
}

QString quotedPath(const QString& path)
{
    return quoted(QDir::toNativeSeparators(path));
}

} // namespace velmaris
