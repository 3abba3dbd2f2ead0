// SPDX-License-Identifier: GPL-3.0-or-later
// What the download's replies give: the main file checked and merged, the
// regional series completed, and the result written over the index file,
// unless another copy of the program wrote it meanwhile.
#include "indexupdater.h"

#include "datafolder.h"
#include "indexfile.h"
#include "indexlines.h"
#include "indexseries.h"
#include "sdmxmerge.h"

#include <QFileInfo>

namespace velmaris {

namespace {

// The index file as it stands; nothing for one that cannot be read (a pipe or
// a device put in its place is never opened).
QByteArray indexFileOnDisk(const QString& path)
{
    return readRegularFile(path, kMaxIndexFileBytes).bytes;
}

} // namespace

void IndexUpdater::mainReply(const DownloadReply& got)
{
    const DownloadAcceptance transfer = checkTransfer(got);
    if (!transfer.accepted()) {
        refuse(transfer.verdict, transfer.reason);
        return;
    }
    if (looksLikeXml(got.body)) {
        SdmxReply parsed = parseSdmxSeries(got.body, m_current.idBank);
        if (!parsed.ok()) {
            refuse(DownloadVerdict::BadSeries, parsed.error);
            return;
        }
        m_irl = std::move(parsed.series);
        // Nothing new for the IRL: the regional series are not asked for.
        const QByteArray current = currentFigures();
        const SdmxMerge first = mergeSdmxSeries(current, m_irl, nullptr, nullptr, m_today());
        // A typed value to correct is asked about once every series is in.
        if (!first.ok() && !first.needsConfirmation) {
            refuse(DownloadVerdict::BadSeries, first.error);
            return;
        }
        if (first.upToDate() && !lacksRegionalValues(current)) {
            m_lastVerdict = DownloadVerdict::UpToDate;
            end(Outcome::UpToDate);
            return;
        }
        fetchNextOrComplete();
        return;
    }

    if (m_target.write) {
        takeIndexFile(got);
        return;
    }
    if (fileChangedMeanwhile())
        return;
    DownloadAcceptance acceptance = acceptDownload(got, m_table, m_today());
    if (acceptance.verdict == DownloadVerdict::UpToDate) {
        m_lastVerdict = DownloadVerdict::UpToDate;
        end(Outcome::UpToDate);
        return;
    }
    if (!acceptance.accepted()) {
        refuse(acceptance.verdict, acceptance.reason);
        return;
    }
    SdmxMerge done; // the same sentence as for INSEE's series
    for (int i = 0; i < acceptance.added; ++i)
        done.added.push_back(acceptance.rows[std::size_t(i)].quarter);
    if (acceptance.added == 0)
        done.completed.push_back(newestQuarter(acceptance.rows));
    install(indexFileBytes(got.body), mergeSummary(done));
}

void IndexUpdater::regionalReply(const DownloadReply& got)
{
    if (m_current.optional) {
        SdmxReply parsed;
        if (checkTransfer(got).accepted() && looksLikeXml(got.body))
            parsed = parseSdmxSeries(got.body, m_current.idBank);
        if (parsed.ok() && !parsed.series.observations.empty())
            *m_current.into = std::move(parsed.series);
        else if (m_current.into == &*m_icc)
            m_icc.reset(); // the older quarters wait for another update
        fetchNextOrComplete();
        return;
    }
    const QString series = QStringLiteral("série de l'IRL %1 : ").arg(m_current.name);
    const DownloadAcceptance transfer = checkTransfer(got);
    if (!transfer.accepted()) {
        refuse(transfer.verdict, series + transfer.reason);
        return;
    }
    if (!looksLikeXml(got.body)) {
        refuse(DownloadVerdict::BadSeries,
               series + QStringLiteral("la réponse n'est pas une série de l'Insee"));
        return;
    }
    SdmxReply parsed = parseSdmxSeries(got.body, m_current.idBank);
    if (!parsed.ok()) {
        refuse(DownloadVerdict::BadSeries, series + parsed.error);
        return;
    }
    *m_current.into = std::move(parsed.series);
    fetchNextOrComplete();
}

void IndexUpdater::fetchNextOrComplete()
{
    if (m_pending.empty()) {
        completeSeries();
        return;
    }
    const Fetch next = m_pending.front();
    m_pending.erase(m_pending.begin());
    fetch(next);
}

bool IndexUpdater::lacksRegionalValues(const QByteArray& current) const
{
    // A regional column left empty by an earlier update may be filled now.
    const IndexLines file = scanIndexLines(current);
    for (const Fetch& f : m_pending)
        for (const IndexLines::Row& row : file.rows) {
            if (f.optional)
                break;
            if (row.quarter <= kLastSharedIrlQuarter)
                break;
            const bool corse = m_corse && f.into == &*m_corse;
            if (!(corse ? row.corse : row.outreMer))
                return true;
        }
    return false;
}

void IndexUpdater::completeSeries()
{
    if (!m_target.write && fileChangedMeanwhile())
        return;
    const QByteArray current = currentFigures();
    MergeOptions options;
    options.today = m_today();
    const InseeSeries all{&m_irl, m_corse ? &*m_corse : nullptr,
                          m_outreMer ? &*m_outreMer : nullptr, m_icc ? &*m_icc : nullptr};
    // The ICC's older quarters never hold back the IRL's news: refused, they
    // are left out and the summary says why.
    const auto mergeAll = [all](const QByteArray& figures, const MergeOptions& options,
                                QString* iccLeftOut) {
        InseeSeries series = all;
        SdmxMerge merge = mergeInseeSeries(figures, series, options);
        iccLeftOut->clear();
        if (!merge.ok() && !merge.needsConfirmation && series.icc) {
            *iccLeftOut = merge.error;
            series.icc = nullptr;
            merge = mergeInseeSeries(figures, series, options);
            if (!merge.ok())
                iccLeftOut->clear();
        }
        return merge;
    };
    const auto summary = [](const SdmxMerge& merge, const QString& iccLeftOut) {
        return mergeSummary(merge)
               + (iccLeftOut.isEmpty() ? QString()
                                       : QStringLiteral(" Les trimestres anciens de l'ICC ne sont "
                                                        "pas ajoutés : ")
                                             + iccLeftOut + u'.');
    };
    QString iccLeftOut;
    SdmxMerge merge = mergeAll(current, options, &iccLeftOut);
    // Only the user may let INSEE replace what was typed by hand.
    if (merge.needsConfirmation && m_askCorrection && m_askCorrection(correctionQuestion(merge))) {
        options.confirmCorrections = true;
        merge = mergeAll(current, options, &iccLeftOut);
    }
    if (!merge.ok()) {
        refuse(DownloadVerdict::BadSeries, merge.error);
        return;
    }
    if (merge.upToDate()) {
        m_lastVerdict = DownloadVerdict::UpToDate;
        end(Outcome::UpToDate);
        return;
    }
    if (!m_target.write) {
        install(merge.bytes, summary(merge, iccLeftOut));
        return;
    }
    // Merged again with the figures as they are when written: what another
    // desk added meanwhile is completed, never written over.
    QString notice;
    const QString error = m_target.write(
        [&](const QByteArray& now) {
            merge = mergeAll(now, options, &iccLeftOut);
            IndexChange change;
            change.bytes = merge.bytes;
            change.refusal = merge.error;
            return change;
        },
        &notice);
    written(error, !merge.upToDate(),
            summary(merge, iccLeftOut) + (notice.isEmpty() ? QString() : u' ' + notice));
}

bool IndexUpdater::fileChangedMeanwhile()
{
    // Another copy of the program may have updated the file since it was read:
    // writing now would roll it back.
    const QByteArray onDisk = indexFileOnDisk(m_table.filePath);
    if (!indexFileChanged(m_table, onDisk, QFileInfo(m_table.filePath).lastModified()))
        return false;
    loadIndexTable(m_table);
    emit tableReloaded();
    refuse(DownloadVerdict::FileChanged,
           QStringLiteral("le fichier des indices a changé sur le disque depuis sa lecture (une "
                          "autre copie de Velmaris l'a peut-être mis à jour) : il a été relu et "
                          "rien n'a été écrit"));
    return true;
}

void IndexUpdater::install(const QByteArray& bytes, const QString& summary)
{
    QString reason;
    if (!writeFileSafely(m_table.filePath, bytes, &reason)) {
        m_lastVerdict = DownloadVerdict::Accepted;
        m_lastReason = reason + QStringLiteral(" ; l'ancien fichier est conservé");
        end(Outcome::WriteFailed);
        return;
    }
    const IndexFileResult loaded = loadIndexTable(m_table);
    emit tableReloaded();
    if (!loaded.ok()) {
        m_lastVerdict = DownloadVerdict::NotIndexFile;
        m_lastReason =
            QStringLiteral("le fichier écrit ne se relit pas (%1)").arg(corruptionDetail(loaded));
        end(Outcome::WriteFailed);
        return;
    }
    m_lastVerdict = DownloadVerdict::Accepted;
    m_lastReason.clear();
    m_lastSummary = summary;
    end(Outcome::Replaced);
}

QByteArray IndexUpdater::currentFigures()
{
    if (!m_target.read)
        return indexFileOnDisk(m_table.filePath);
    // Figures that cannot be read merge as none: the merge then says so.
    QString why;
    return m_target.read(&why).value_or(QByteArray());
}

void IndexUpdater::takeIndexFile(const DownloadReply& got)
{
    // Checked against the figures as they are when written, not as last read.
    DownloadAcceptance acceptance;
    QString notice;
    const QString error = m_target.write(
        [&](const QByteArray& now) {
            IndexTable held;
            if (const IndexFileResult read = parseIndexFile(now); read.ok())
                held.rows = read.rows;
            acceptance = acceptDownload(got, held, m_today());
            IndexChange change;
            if (acceptance.accepted())
                change.bytes = indexFileBytes(got.body);
            else if (acceptance.verdict != DownloadVerdict::UpToDate)
                change.refusal = acceptance.reason;
            return change;
        },
        &notice);
    // A reply the figures refuse is a refusal, not a failure to write.
    if (!acceptance.accepted() && acceptance.verdict != DownloadVerdict::UpToDate) {
        refuse(acceptance.verdict, acceptance.reason);
        return;
    }
    SdmxMerge done; // the same sentence as for INSEE's series
    for (int i = 0; i < acceptance.added; ++i)
        done.added.push_back(acceptance.rows[std::size_t(i)].quarter);
    if (acceptance.added == 0)
        done.completed.push_back(newestQuarter(acceptance.rows));
    written(error, acceptance.accepted(),
            mergeSummary(done) + (notice.isEmpty() ? QString() : u' ' + notice));
}

void IndexUpdater::written(const QString& error, bool changed, const QString& summary)
{
    if (!error.isEmpty()) {
        m_lastVerdict = DownloadVerdict::Accepted;
        m_lastReason = error;
        end(Outcome::WriteFailed);
        return;
    }
    if (!changed) {
        m_lastVerdict = DownloadVerdict::UpToDate;
        end(Outcome::UpToDate);
        return;
    }
    // The target put the new figures in the table.
    emit tableReloaded();
    m_lastVerdict = DownloadVerdict::Accepted;
    m_lastReason.clear();
    m_lastSummary = summary;
    end(Outcome::Replaced);
}

} // namespace velmaris
