// SPDX-License-Identifier: GPL-3.0-or-later
#include "downloadprogress.h"

#include "indexupdater.h"

#include <QPushButton>

namespace velmaris {

DownloadProgress::DownloadProgress(IndexUpdater& updater, QWidget* parent)
    : QProgressDialog(parent)
{
    setObjectName(QStringLiteral("progression"));
    setWindowTitle(QStringLiteral("Mise à jour des indices"));
    setLabelText(QStringLiteral("Téléchargement des indices…"));
    auto* annuler = new QPushButton(QStringLiteral("Annuler"), this);
    annuler->setObjectName(QStringLiteral("Annuler"));
    setCancelButton(annuler);
    setRange(0, 0); // no size known yet: a busy bar
    setMinimumDuration(0);
    setAutoClose(false);
    setAutoReset(false);
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumWidth(360);

    connect(this, &QProgressDialog::canceled, &updater, &IndexUpdater::cancel);
    connect(&updater, &IndexUpdater::progress, this, [this](qint64 received, qint64 total) {
        if (total > 0 && total <= kMaxDownloadBytes) {
            setRange(0, int(total));
            setValue(int(std::min(received, total)));
        }
        setLabelText(
            received < 1024
                ? QStringLiteral("Téléchargement des indices… %1 octets reçus").arg(received)
                : QStringLiteral("Téléchargement des indices… %1 Ko reçus").arg(received / 1024));
    });
    connect(&updater, &IndexUpdater::finished, this, [this, &updater] {
        // Closing says "canceled": the download is over, nothing to cancel.
        disconnect(this, &QProgressDialog::canceled, &updater, &IndexUpdater::cancel);
        close();
    });
}

} // namespace velmaris
