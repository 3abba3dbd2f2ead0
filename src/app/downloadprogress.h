// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProgressDialog>

namespace velmaris {

class IndexUpdater;

// The progress of a download started by hand, with its Annuler button. It is
// shown at once and closes itself when the download ends, however it ends.
class DownloadProgress : public QProgressDialog {
    Q_OBJECT

public:
    DownloadProgress(IndexUpdater& updater, QWidget* parent);
};

} // namespace velmaris
