// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace velmaris {

// The text cut into lines no wider than `width`, as `textWidth` measures them:
// at blanks (no-break spaces hold), at each "\n", and inside a word only when
// the word alone is wider than a whole line.
QStringList wrapText(const QString& text, double width,
                     const std::function<double(const QString&)>& textWidth);

} // namespace velmaris
