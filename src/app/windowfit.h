// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>

class QLayout;
class QScrollArea;
class QWidget;

namespace velmaris {

// Windows that fit the screen they open on, down to 1024×768 and at a scale
// factor of 2, and that a keyboard user can drive.

// The room a window has on its screen, its frame (title bar, borders) taken off.
QSize screenRoom(const QWidget* window);

// A control's minimum size that leaves room on a small screen: at most four
// fifths of the room of the window it is in (a text that wraps, a list that scrolls).
QSize withinScreen(const QWidget* control, QSize wanted);

// Resizes the window to wanted, within that room.
void fitToScreen(QWidget* window, QSize wanted);

// The size a scroll area's contents ask of a window in that room: their width
// (at least minimumWidth) within the room; the height that a width a scroll
// bar narrower gives their wrapped texts, so that no bar comes for them; a
// bar's height more when narrower than they can be, a bar's width more when
// taller than the room. extra is what the window holds under the area.
QSize scrolledSize(const QWidget* contents, QSize room, int minimumWidth = 0,
                   QSize extra = QSize(0, 0));

// Keeps the control that gets the focus inside area in view: on a small
// screen the user never types into a box out of sight.
void keepFocusInView(QScrollArea* area);

// Moves the window's layout into a scroll area that takes the whole window,
// except `below` (its buttons, say), which stays in sight under it; the
// focused control is kept in view and the window is sized to its contents
// within the screen. The area.
QScrollArea* scrollWhenSmall(QWidget* window, QWidget* below = nullptr);
// The same with a row of buttons that is a layout of the window's layout.
QScrollArea* scrollWhenSmall(QWidget* window, QLayout* below);

// Sets the Tab order of the window's controls as its layout reads: box
// layouts and grids item by item, a form row by row, a group box within
// itself. Controls a layout does not hold keep their place after.
void tabOrderFromLayout(QWidget* window);

// Gives every button and check box of the window an Alt mnemonic that its
// caption lacks: the first letter of a word not yet taken in the window, else
// any letter. Mnemonics already written ("&Ajouter…", a label's) are kept.
void giveMnemonics(QWidget* window);

} // namespace velmaris
