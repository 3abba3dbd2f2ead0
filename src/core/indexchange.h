// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace velmaris {

// A change of the index figures, as every way of completing them makes it (a
// quarter typed by hand, INSEE's file or series, a desk's own file), whatever
// holds them: the index file, or the register's figures on a shared register.
struct IndexChange {
    QByteArray
        bytes; // the figures after the change, as the index file writes them; empty: no change
    QString refusal; // why nothing may change, in French, without a final stop
    QString summary; // what the change does, one French sentence; may be empty

    bool refused() const { return !refusal.isEmpty(); }
};

// The change made of the figures as they are when it is written (empty: none yet).
using IndexMerge = std::function<IndexChange(const QByteArray& current)>;

// Where the figures that a change completes are kept.
struct IndexTarget {
    // The figures as they are now; nothing, with *why in French, when they cannot be read.
    std::function<std::optional<QByteArray>(QString* why)> read;
    // Applies the merge to the figures as they are at that moment, in one step:
    // empty when done or when nothing changes, else why not, in French (the
    // figures left as they were). *notice: what the user must know besides.
    std::function<QString(const IndexMerge& merge, QString* notice)> write;
    // The register's figures, shared by every desk, rather than this desk's file.
    bool shared = false;
};

} // namespace velmaris
