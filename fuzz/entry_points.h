// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

namespace velmaris::fuzz {

// The readers that take bytes from outside the program, each fed arbitrary
// bytes. Both the libFuzzer targets and the corpus replay test call these, so
// an input that once broke a reader keeps failing the normal test run.
//
// Each returns false when a rule that must hold for every input is broken;
// a crash or a sanitizer report is a failure too.

// The index file as read from disk, then a revision and the grid over what it gave.
bool indexFile(const QByteArray& data);

// A typed amount: number parsing, the rent box normalisation, both formats.
bool number(const QByteArray& data);

// A typed lease date: date parsing, the reference-quarter lookup, a revision
// with that lease date.
bool leaseDate(const QByteArray& data);

// The settings file: first line section, second key, third value, the rest the
// file's content.
bool profile(const QByteArray& data);

// A download reply: first byte network error flag, next two the HTTP status,
// the rest the body.
bool download(const QByteArray& data);

// An INSEE SDMX reply: parsed for the IRL, then merged into a small index file;
// what a merge gives always reads back and keeps every older row.
bool sdmx(const QByteArray& data);

// INSEE's CSV of a series: read, then merged as the IRL, as Corsica's and as a
// correction of a typed quarter into a small index file; what a merge gives
// always reads back, and a typed quarter changes only when confirmed.
bool inseeCsv(const QByteArray& data);

// A CSV of leases: what is accepted writes back and reads again the same.
bool leasesCsv(const QByteArray& data);

} // namespace velmaris::fuzz
