// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "indexchange.h"
#include "indexfile.h"
#include "quarter.h"

#include <QDate>
#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace velmaris {

// "Saisir un indice…": the quarter after the newest of the index file, typed
// by hand from INSEE's publication, checked as the file is and added to it;
// or a regional value a quarter of the file lacks.
class IndexEntryDialog : public QDialog {
    Q_OBJECT

public:
    // The quarter is read from the file at indexPath, or from target when it
    // is given (a shared register's figures), and added there; refusal() says
    // whether it could be.
    IndexEntryDialog(const QString& indexPath, QWidget* parent = nullptr, IndexTarget target = {});

    // Why the dialog cannot be used (the file does not read), in French; empty when it can.
    QString refusal() const { return m_refusal; }
    Quarter quarter() const { return m_quarter; }
    // Replaces today's date (tests).
    void setToday(const QDate& today) { m_today = today; }

    // The next quarter first, then those the file holds without one of
    // their regional values, to complete.
    QComboBox* trimestre = nullptr;
    QLineEdit* irl = nullptr;
    QLineEdit* irlcorse = nullptr;
    QLineEdit* irloutremer = nullptr;
    QLineEdit* parution = nullptr;
    QPushButton* ajouter = nullptr;
    QPushButton* annuler = nullptr;

private:
    void add();
    // Shows the chosen quarter: a new one typed whole, or the regional
    // values an existing row lacks.
    void quarterChosen();

    IndexTarget m_target;
    Quarter m_quarter;
    IndexFileResult m_figures;
    QString m_refusal;
    QDate m_today = QDate::currentDate();
};

} // namespace velmaris
