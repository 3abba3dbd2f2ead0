// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's index file: read, and when it cannot be, the copy shipped
// with the program offered in its place; without a network, a quarter typed by
// hand, INSEE's own file, the file edited in a text editor and read again when
// it changes.
#include "mainwindow.h"

#include "filechoice.h"
#include "indexentrydialog.h"
#include "indexrestore.h"
#include "inseefile.h"
#include "maj.h"
#include "manualedit.h"
#include "messages.h"
#include "safefile.h"
#include "settings.h"
#include "updaterules.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLabel>
#include <QScrollBar>

namespace velmaris {

bool MainWindow::loadTable()
{
    // On a shared register the register's figures, this desk's file their copy.
    const bool office = loadOfficeTable();
    IndexFileResult result = office ? IndexFileResult() : loadIndexTable(m_table);
    // What did not read is not reported again until it changes.
    m_seenBytes = result.ok() && !office ? m_table.fileBytes : indexFileBytes();
    if (!result.ok()) {
        result = reportLoadFailure(result);
        m_seenBytes = result.ok() ? m_table.fileBytes : indexFileBytes();
    }
    watchIndexFile();
    if (result.ok())
        reviseAgain();
    resetScrollBar();
    fillGrid();
    showStaleness();
    emit tableLoaded();
    return result.ok();
}

IndexFileResult MainWindow::reportLoadFailure(const IndexFileResult& failure)
{
    const QString title = loadFailureTitle(failure);
    const QString shipped = m_folders.shippedIndex;
    if (!canPutBackShippedIndex(shipped, m_table.filePath)) {
        MessageBox::critical(this, title, loadFailureText(failure));
        return failure;
    }
    const QString offer =
        QStringLiteral(
            "\n\nRemettre à sa place le fichier des indices livré avec Velmaris\u00a0?\n%1\n\n"
            "Les trimestres parus depuis seront à télécharger de nouveau («\u00a0Mise à "
            "jour\u00a0»). Le fichier actuel, s’il contient quelque chose, est gardé à côté.")
            .arg(QDir::toNativeSeparators(shipped));
    if (!MessageBox::question(this, title, loadFailureText(failure) + offer))
        return failure;
    const QString reason = putBackShippedIndex(shipped, m_table.filePath);
    if (!reason.isEmpty()) {
        MessageBox::critical(
            this, title, QStringLiteral("Le fichier livré n’a pas été remis\u00a0: %1.").arg(reason));
        return failure;
    }
    const IndexFileResult again = loadIndexTable(m_table);
    if (!again.ok())
        MessageBox::critical(this, loadFailureTitle(again), loadFailureText(again));
    return again;
}

// The index file as it is now; what did not read (missing, a pipe, too large)
// is told apart by its reason.
QByteArray MainWindow::indexFileBytes() const
{
    const FileRead read = readRegularFile(m_table.filePath, kMaxIndexFileBytes);
    return read.ok() ? read.bytes : QByteArray(1, '\0') + read.reason.toUtf8();
}

namespace {

const QString kImportTitle = QStringLiteral("Importer un fichier Insee");

} // namespace

void MainWindow::enterIndex(QWidget* over)
{
    QWidget* parent = over ? over : updateOwner();
    const IndexTarget target = indexTarget(true);
    auto* dialog = new IndexEntryDialog(m_table.filePath, parent, target);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (!dialog->refusal().isEmpty()) {
        MessageBox::critical(parent, QStringLiteral("Saisir un indice"), dialog->refusal());
        dialog->deleteLater();
        return;
    }
    connect(dialog, &QDialog::accepted, this, [this, quarter = dialog->quarter(), target] {
        loadTable();
        const QString where = target.shared
                                  ? QStringLiteral("aux indices du registre, pour tous les postes")
                                  : QStringLiteral("au fichier des indices");
        const QString text =
            (QStringLiteral("%1 saisi à la main et ajouté %2.").arg(quarter.label(), where) + u' '
             + officeMissed())
                .trimmed();
        statut->setText(text);
        statut->setToolTip(text);
    });
    // Modal for its window, without a nested event loop.
    dialog->open();
}

bool MainWindow::askCorrection(const QString& question)
{
    // A silent update at start-up never replaces what the user typed.
    if (!m_downloadByHand)
        return false;
    QWidget* owner = updateOwner();
    return MessageBox::question(owner, QStringLiteral("Mise à jour des indices"), question);
}

void MainWindow::importInseeFile()
{
    QWidget* owner = updateOwner();
    const QString path = FileChoice::open(
        owner, kImportTitle,
        QStringLiteral("Fichiers de l’Insee (*.csv *.zip);;Tous les fichiers (*)"));
    if (path.isEmpty())
        return;
    QString summary;
    // The idBanks as the dialog shows them, saved or not, as for a download.
    const QString error = velmaris::importInseeFile(
        indexTarget(true), path, shownUpdateSettings(), QDate::currentDate(),
        [owner](const QString& question) {
            return MessageBox::question(owner, kImportTitle, question);
        },
        &summary);
    if (!error.isEmpty()) {
        MessageBox::critical(owner, kImportTitle,
                             QStringLiteral("Le fichier %1 n’a pas été importé\u00a0: %2.")
                                 .arg(QDir::toNativeSeparators(path), error));
        return;
    }
    loadTable();
    summary = (summary + u' ' + officeMissed()).trimmed();
    statut->setText(summary);
    statut->setToolTip(summary);
    MessageBox::information(owner, kImportTitle, summary);
}

void MainWindow::editIndexFile()
{
    const EditorStart started =
        velmaris::editIndexFile(m_table.filePath, this, [this] { indexFileTouched(); });
    switch (started) {
    case EditorStart::Started: {
        const QString text = QStringLiteral("Le fichier des indices est ouvert dans l’éditeur de "
                                            "texte\u00a0: il est relu dès qu’il est enregistré.");
        statut->setText(text);
        statut->setToolTip(text);
        return;
    }
    case EditorStart::NoneInstalled:
        if (MessageBox::question(updateOwner(), QStringLiteral("Mise à jour manuelle"),
                                 kNoTextEditor.toString()))
            enterIndex(updateOwner());
        return;
    case EditorStart::Failed:
        MessageBox::critical(updateOwner(), QStringLiteral("Mise à jour manuelle"),
                             QStringLiteral("L’éditeur de texte n’a pas pu être lancé sur le "
                                            "fichier des indices %1.")
                                 .arg(QDir::toNativeSeparators(m_table.filePath)));
        return;
    }
}

void MainWindow::watchIndexFile()
{
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        m_watcher->setObjectName(QStringLiteral("surveillance"));
        connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &MainWindow::indexFileTouched);
        // A file replaced whole (an editor's save, the program's own) leaves
        // the watch of the old one: its folder tells when the new one is there.
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this,
                &MainWindow::indexFileTouched);
    }
    const QString folder = QFileInfo(m_table.filePath).absolutePath();
    if (!m_watcher->directories().contains(folder))
        m_watcher->addPath(folder);
    if (!m_watcher->files().contains(m_table.filePath) && QFileInfo::exists(m_table.filePath))
        m_watcher->addPath(m_table.filePath);
}

void MainWindow::indexFileTouched()
{
    watchIndexFile();
    const QByteArray onDisk = indexFileBytes();
    // Another file of the folder changed, or this one as it was last seen (a
    // file that did not read is said once).
    if (onDisk == m_seenBytes)
        return;
    m_seenBytes = onDisk;
    // The program's own writes were read at once: only another's change counts.
    if (indexFileChanged(m_table, onDisk, QFileInfo(m_table.filePath).lastModified()))
        loadTable();
}

} // namespace velmaris
