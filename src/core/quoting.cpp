// SPDX-License-Identifier: GPL-3.0-or-later
#include "quoting.h"

#include <QDir>

namespace velmaris {

QString quoted(QStringView text)
{
    QString result;
    result.reserve(text.size() + 4);
    result += QStringLiteral("«\u00a0");
    result += text;
    result += QStringLiteral("\u00a0»");
    return result;
}

QString quotedPath(const QString& path)
{
    return quoted(QDir::toNativeSeparators(path));
}

} // namespace velmaris
