// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace velmaris {

// Qt's own debug lines and warnings, in English ("QSqlQuery::exec: database
// not open"), are for developers: the user reads the program's French
// messages. Critical and fatal messages still go to standard error, and
// VELMARIS_QT_MESSAGES=1 lets every message through.
void keepQtMessagesForDevelopers();

} // namespace velmaris
