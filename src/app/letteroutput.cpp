// SPDX-License-Identifier: GPL-3.0-or-later
#include "letteroutput.h"

#include "filechoice.h"
#include "letterprinter.h"
#include "messages.h"
#include "quoting.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>

namespace velmaris {

QString pdfFileName(const QString& title)
{
    QString name;
    for (const QChar c : title) {
        const bool forbidden =
            c.category() == QChar::Other_Control || QStringView(u"/\\:*?\"<>|").contains(c);
        name += forbidden ? u'-' : c;
    }
    name = name.trimmed();
    // A name of dots alone would be a folder.
    if (name.isEmpty() || name.count(u'.') == name.size())
        name = QStringLiteral("Lettre");
    return name + QStringLiteral(".pdf");
}

QString saveLettersAs(QWidget* parent, const std::vector<RevisionLetter>& letters,
                      const QString& title, const DataFolders& folders)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const QString suggested = QDir(folder).filePath(pdfFileName(title));
    QString path = FileChoice::save(parent, QStringLiteral("Enregistrer en PDF"), suggested,
                                    QStringLiteral("Documents PDF (*.pdf)"));
    if (path.isEmpty())
        return {};
    if (QFileInfo(path).suffix().compare(u"pdf", Qt::CaseInsensitive) != 0)
        path += QStringLiteral(".pdf");
    QString reason = outputRefusal(path, folders);
    if (!reason.isEmpty() || !saveLettersPdf(letters, title, path, &reason)) {
        MessageBox::critical(parent, QStringLiteral("Enregistrer en PDF"),
                             QStringLiteral("Le fichier ") + quotedPath(path)
                                 + QStringLiteral(" n’a pas pu être écrit\u00a0: ") + reason + u'.');
        return {};
    }
    return path;
}

QLabel* missingSenderBand(QWidget* dialog)
{
    auto* band = new QLabel(dialog);
    band->setObjectName(QStringLiteral("bailleurmanquant"));
    band->setWordWrap(true);
    band->setTextFormat(Qt::RichText);
    band->setStyleSheet(
        QStringLiteral("QLabel { background: #fff4ce; border: 1px solid #e0c060; padding: 6px; }"));
    band->hide();
    return band;
}

void showMissingSender(QLabel* band, const QStringList& missing, bool plural)
{
    band->setVisible(!missing.isEmpty());
    if (missing.isEmpty()) {
        band->clear();
        return;
    }
    QStringList what;
    for (const QString& m : missing)
        what << m.toHtmlEscaped()
                    .replace(QStringLiteral("«\u00a0"), QStringLiteral("«&nbsp;"))
                    .replace(QStringLiteral("\u00a0»"), QStringLiteral("&nbsp;»"));
    band->setText(QStringLiteral("<b>Renseignez ") + what.join(QStringLiteral("&nbsp;; "))
                  + (plural ? QStringLiteral("</b> avant d’envoyer les lettres&nbsp;: ces "
                                             "coordonnées figurent en tête et à la signature. "
                                             "Les lettres ne peuvent être enregistrées ni "
                                             "imprimées sans elles.")
                            : QStringLiteral("</b> avant d’envoyer la lettre&nbsp;: ces "
                                             "coordonnées figurent en tête et à la signature. "
                                             "La lettre ne peut être enregistrée ni imprimée "
                                             "sans elles.")));
}

LetterCommands letterCommands(QWidget* dialog)
{
    auto button = [dialog](const QString& text, const QString& name) {
        auto* b = new QPushButton(text, dialog);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    LetterCommands c;
    c.bailleur = button(QStringLiteral("&Bailleur…"), QStringLiteral("bailleur"));
    c.enregistrer = button(QStringLiteral("&Enregistrer en PDF…"), QStringLiteral("enregistrer"));
    c.enregistrer->setDefault(true);
    c.imprimer = button(QStringLiteral("&Imprimer"), QStringLiteral("imprimer"));
    c.fermer = button(QStringLiteral("&Fermer"), QStringLiteral("fermer"));
    c.row = new QHBoxLayout;
    c.row->addWidget(c.bailleur);
    c.row->addStretch(1);
    c.row->addWidget(c.enregistrer);
    c.row->addWidget(c.imprimer);
    c.row->addWidget(c.fermer);
    return c;
}

} // namespace velmaris
