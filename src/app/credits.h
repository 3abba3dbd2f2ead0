// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;

namespace velmaris {

// The small window with the maker's name and address.
class FrmQUERVO : public QDialog {
    Q_OBJECT

public:
    explicit FrmQUERVO(QWidget* parent = nullptr);

    QLabel* LabelQuervo = nullptr;
};

} // namespace velmaris
