#pragma once

#include "textwrap.h"

#include "revisionletter.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace velmaris {

// Where the blocks of a letter go on an A4 sheet, in centimetres from its top
// left corner: the sender at the top left, the recipient where the window of
// a DL envelope shows it (the French standard), then place and date, subject,
// body and signature. The window (10 x 4.5 cm, 2 cm from the right edge and
// 1.5 cm from the bottom of a 22 x 11 cm envelope) shows the band from 5 to
// 9.5 cm of the sheet folded in three when the sheet sits at the envelope's
// top, up to 1.1 cm higher when it slides down: what stays in sight whatever
// the sheet does runs from 5 to 8.4 cm down and from 10 to 19 cm across.
// The recipient starts at 5.5 cm and 11 cm; its six lines of 11 points end
// near 8.2 cm. An agency's letter says under the sender on whose behalf it
// writes, and carries its mentions (card, guarantor) in small type at the
// foot of each of its pages, their last line 1 cm above the sheet's edge;
// the body stops above them.
struct LetterGeometry {
    double pageWidth = 21.0;
    double pageHeight = 29.7;
    double left = 2.5;
    double right = 2.0;
    double top = 2.0;
    double bottom = 2.0;
    double recipientLeft = 11.0;
    double recipientTop = 5.5;
    double mentionsBottom = 1.0; // the mentions' last line ends this far above the edge
};

// How text measures in the font it prints in, in centimetres.
struct LetterMetrics {
    double lineHeight = 0.5;
    std::function<double(const QString& text, bool bold)> width;
    // The small type of the mentions; none: 0.8 times the regular.
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
    bool small = false; // the mentions' small type
};

struct LetterLayout {
    std::vector<LetterLine> lines; // page after page, top to bottom
    int pages = 0;
    std::vector<int> firstPages; // the page each letter starts on
};

// The letters one after the other, each from the top of a new page. A letter
// longer than a page goes on over the next one; the rows of figures, and the
// closing with the signature, are never split.
LetterLayout layoutLetters(const std::vector<RevisionLetter>& letters, const LetterMetrics& metrics,
                           const LetterGeometry& geometry = {});

} // namespace velmaris
