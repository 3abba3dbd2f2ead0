// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace velmaris {

// The PDF with its author and subject in its document information, beside
// the title and creator its writer put there (Qt's writer has no setting for
// them). The objects after the information move, their offsets with them.
// The bytes as they were when they are not a PDF of that writer.
QByteArray withDocumentInfo(const QByteArray& pdf, const QString& author, const QString& subject);

} // namespace velmaris
