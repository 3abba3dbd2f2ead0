#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace velmaris {

// A question the user answers yes or no ("Supprimer cette période ?"), so that
// tests can answer it without a modal loop.
struct YesNo {
    // A modal box with the question icon, "Oui" and "Non", "Non" the default;
    // true for "Oui".
    static bool ask(QWidget* parent, const QString& title, const QString& text);

    // When set, ask() hands the title and text to the handler and returns its
    // answer instead of showing a box. Pass nullptr to restore the real box.
    using Handler = std::function<bool(const QString& title, const QString& text)>;
    static void setHandler(Handler handler);
};

} // namespace velmaris
