// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "inseesdmx.h"
#include "quarter.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <vector>

namespace velmaris {

// The series INSEE gave, by the column of the index file they fill; any may
// be missing (a file of INSEE's holds one series).
struct InseeSeries {
    const SdmxSeries* irl = nullptr;
    const SdmxSeries* corse = nullptr;
    const SdmxSeries* outreMer = nullptr;
    // The construction cost index: its quarters older than the file's go below them.
    const SdmxSeries* icc = nullptr;
};

// A value typed by hand that INSEE gives otherwise.
struct Correction {
    Quarter quarter;
    QString series; // "l'IRL", "l'IRL de Corse", "l'IRL d'outre-mer"
    QString typed;  // as the file holds it ("146.60")
    QString insee;  // as INSEE gives it
    QDate typedOn;

    // "l'IRL du 1er tr.2026 : 146,60 saisi le 09/12/2026 ; 146,12 selon l'Insee"
    QString text() const;
};

struct MergeOptions {
    QDate today = QDate::currentDate();
    // Where the values come from, as the header says it.
    QString source = QStringLiteral("l'Insee");
    // The user agreed that INSEE's values replace the ones typed by hand.
    bool confirmCorrections = false;
};

// The index file completed from INSEE's series.
struct SdmxMerge {
    QByteArray bytes;                    // the new file; empty when refused or nothing changes
    std::vector<Quarter> added;          // the quarters added, newest first
    std::vector<Quarter> addedOlder;     // the ICC's quarters added below the oldest, newest first
    std::vector<Quarter> estimated;      // those of them dated by the usual calendar
    std::vector<Quarter> completed;      // rows that got a value they lacked
    std::vector<Correction> corrections; // typed values INSEE gives otherwise
    bool needsConfirmation = false;      // corrections found and not confirmed: refused
    QString error;                       // why nothing can be written, in French

    bool ok() const { return error.isEmpty(); }
    bool upToDate() const { return ok() && bytes.isEmpty(); }
};

// What the user is asked before typed values are replaced: both values of each.
QString correctionQuestion(const SdmxMerge& merge);

// What a merge did, as one sentence: "Indices mis à jour jusqu'au 4è tr.2025
// (1 trimestre ajouté).", "Valeurs manquantes complétées pour le 2è tr.2025."
QString mergeSummary(const SdmxMerge& merge);

// The comment line of the index file's header that lists the estimated dates.
inline constexpr QStringView kEstimatedDatesComment =
    u"' Dates de parution estimées (calendrier habituel de l'Insee) : ";

// Merges INSEE's series into the index file; every line that does not change
// stays as it was.
//
// - A quarter the file holds keeps its values: a value of a series that
//   differs from the file is refused and named, unless that row was typed by
//   hand (a header line says so). Then it is a correction: refused until
//   options.confirmCorrections, then written, and the row counts as INSEE's.
// - A value the file lacks (a regional column, since the 3rd quarter 2022) is
//   filled in, and the header says from where.
// - The quarters of the IRL series newer than the file's newest row are added
//   as IRL rows at the top; the newest is dated by the series' LAST_UPDATE
//   (when that falls after the quarter's end and before the next quarter's
//   usual release), any other by usualRelease(), listed in a header comment.
//   A Corsica or overseas series, when given, must hold each of them.
//
// Refused, with the reason: a file that does not read, a quarter missing
// between the file and the series, a newest quarter not ended by today, a
// result that the reader refuses (the ±25 % rule among others).
SdmxMerge mergeInseeSeries(const QByteArray& indexFile, const InseeSeries& series,
                           const MergeOptions& options);

// The same for a reply of INSEE's web service.
SdmxMerge mergeSdmxSeries(const QByteArray& indexFile, const SdmxSeries& irl,
                          const SdmxSeries* corse, const SdmxSeries* outreMer, const QDate& today);

} // namespace velmaris
