#pragma once

#include <QString>

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

    // When set, critical() and information() hand their title and text to the handler
    // instead of showing a box. Pass nullptr to restore the real boxes.
    using Handler = std::function<void(const QString& title, const QString& text)>;
    static void setHandler(Handler handler);
};

} // namespace velmaris
