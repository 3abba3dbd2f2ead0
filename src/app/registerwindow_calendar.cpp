// SPDX-License-Identifier: GPL-3.0-or-later
// "Exporter le calendrier…": the register's coming revision dates and last
// days to ask them, as an iCalendar file for the user's calendar program.
#include "registerwindow.h"

#include "calendarexport.h"
#include "cursor.h"
#include "filechoice.h"
#include "messages.h"
#include "quoting.h"

#include <QDir>

namespace velmaris {

void RegisterWindow::exportCalendar()
{
    if (!m_store.isOpen())
        return;
    const QString title = QStringLiteral("Exporter le calendrier");
    const QString path = FileChoice::save(
        this, title, QDir::home().filePath(QStringLiteral("revisions-des-loyers.ics")),
        QStringLiteral("Calendriers iCalendar (*.ics);;Tous les fichiers (*)"));
    if (path.isEmpty())
        return;
    QString error = outputRefusal(path, m_programFolders);
    int written = 0;
    bool ok = false;
    if (!error.isEmpty()) {
        error = QStringLiteral("Export du calendrier impossible\u00a0: ") + error + u'.';
    } else {
        const BusyCursor busy;
        ok = velmaris::exportCalendar(m_store, m_table, path, today(), kCalendarMonths, &error,
                                      &written);
    }
    if (!ok) {
        MessageBox::critical(this, title, error);
        return;
    }
    const QString what =
        written == 0 ? QStringLiteral("Aucune échéance dans les %1 prochains mois\u00a0: le "
                                      "calendrier ")
                           .arg(kCalendarMonths)
                     : QStringLiteral("%1 échéance%2 des %3 prochains mois (dates de révision et "
                                      "derniers jours pour les demander, avec un rappel)\u00a0: le "
                                      "calendrier ")
                           .arg(written)
                           .arg(written > 1 ? QStringLiteral("s") : QString())
                           .arg(kCalendarMonths);
    MessageBox::information(this, title,
                            what + quotedPath(path)
                                + QStringLiteral(" est écrit. Ouvrez-le avec votre agenda "
                                                 "(Thunderbird, Outlook, Agenda…)\u00a0: un "
                                                 "nouvel export met à jour les mêmes "
                                                 "événements."));
}

} // namespace velmaris
