// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "textwrap.h"

#include "revisionletter.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace velmaris {

// Where the blocks of a letter go on an A4 sheet, in centimetres from its top
// left corner. The sheet goes folded in three into a DL window envelope (the
// French standard): the window (10 x 4.5 cm, 2 cm from the right edge and
// 1.5 cm from the bottom of a 22 x 11 cm envelope) shows the band from 5 to
// 9.5 cm of the sheet when the sheet sits at the envelope's top, up to 1.1 cm
// higher when it slides down, and 1 cm either way across: what may show runs
// from 3.9 to 9.5 cm down and from 9 to 20 cm across (the window zone), what
// stays in sight whatever the sheet does from 5 to 8.4 cm and from 10 to 19 cm.
// Only the recipient goes in the zone: from 5.5 cm down and 11 cm across, six
// lines of 11 points ending near 8.2 cm. The sender stands at the top left,
// an agency's letter saying under it on whose behalf it writes, as wide as the
// room left of the recipient above the zone and narrower beside it; place and
// date come just under the zone, then the way the letter is sent and the
// subject. An agency's mentions (card, guarantor) stand in small type at the
// foot of each page, their last line 1 cm above the sheet's edge; a letter of
// several pages numbers them there too, above the mentions. The body stops
// above them.
struct LetterGeometry {
    double pageWidth = 21.0;
    double pageHeight = 29.7;
    double left = 2.5;
    double right = 2.0;
    double top = 2.0;
    double bottom = 2.0;
    double recipientLeft = 11.0;
    double recipientTop = 5.5;
    // The window zone; its right edge lies past the right margin.
    double windowLeft = 9.0;
    double windowTop = 3.9;
    double windowBottom = 9.5;
    double dateTop = 9.6;        // place and date, just under the zone
    double signatureRoom = 2.6;  // left blank between the closing and the signer's name
    double mentionsBottom = 1.0; // the foot's last line ends this far above the edge
};

// How text measures in the font it prints in, in centimetres.
struct LetterMetrics {
    double lineHeight = 0.5;
    std::function<double(const QString& text, bool bold)> width;
    // The small type of the foot; none: 0.8 times the regular.
    double smallLineHeight = 0;
    std::function<double(const QString& text)> smallWidth;
};

// One line of text at its place.
struct LetterLine {
    int page = 0;
    double x = 0;     // left edge, from the sheet's left edge
    double y = 0;     // top of the line, from the sheet's top edge
    double width = 0; // as measured
    QString text;
    bool bold = false;
    bool small = false; // the small type of the foot: mentions, page numbers
};

struct LetterLayout {
    std::vector<LetterLine> lines; // page after page, top to bottom
    int pages = 0;
    std::vector<int> firstPages; // the page each letter starts on
};

// The letters one after the other, each from the top of a new page. A letter
// longer than a page goes on over the next one, each of its pages numbered
// with the lease's reference ("Bail A-12 — page 1/2"); the rows of figures, and
// the closing with the signature, are never split, and the closing never goes
// over alone: the last paragraph goes with it.
LetterLayout layoutLetters(const std::vector<RevisionLetter>& letters, const LetterMetrics& metrics,
                           const LetterGeometry& geometry = {});

} // namespace velmaris
