// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace velmaris {

// The files the user picks (a CSV to import, where a PDF goes) are chosen
// here, so that tests can answer without a file dialog.
struct FileChoice {
    // The file to read; empty when the user cancels.
    static QString open(QWidget* parent, const QString& caption, const QString& filter);
    // The file to write, starting from `suggested`; empty when the user cancels.
    static QString save(QWidget* parent, const QString& caption, const QString& suggested,
                        const QString& filter);

    // When set, both ask the handler instead (saving: true; suggested: the
    // proposed path, empty when opening). Pass nullptr to restore the dialogs.
    using Handler = std::function<QString(bool saving, const QString& suggested)>;
    static void setHandler(Handler handler);
};

} // namespace velmaris
