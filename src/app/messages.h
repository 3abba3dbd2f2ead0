// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace velmaris {

// Every error box of the program goes through here, so that tests can answer
// it without a modal loop.
struct MessageBox {
    // A modal box with the error icon and an OK button only.
    static void critical(QWidget* parent, const QString& title, const QString& text);
    // The same with the information icon, for news that is no error.
    static void information(QWidget* parent, const QString& title, const QString& text);
    // An error box whose lines (every bad line of a file, say) scroll under the
    // text, however many there are. A handler gets the text and the lines, one a line.
    static void criticalList(QWidget* parent, const QString& title, const QString& text,
                             const QStringList& lines);
    // A modal box asking yes or no, "Non" the default; true for "Oui".
    static bool question(QWidget* parent, const QString& title, const QString& text);

    // When set, critical(), information() and criticalList() hand their title and
    // text to the handler instead of showing a box. Pass nullptr to restore the real boxes.
    using Handler = std::function<void(const QString& title, const QString& text)>;
    static void setHandler(Handler handler);
    // When set, question() asks the handler instead of showing a box.
    using QuestionHandler = std::function<bool(const QString& title, const QString& text)>;
    static void setQuestionHandler(QuestionHandler handler);
};

} // namespace velmaris
