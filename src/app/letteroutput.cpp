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

#include <algorithm>

namespace velmaris {

namespace {

// Whose the address is: the agency's when it writes, else the owner's.
struct Writer {
    QStringList street;
    QString postalCode, town;
    bool agency = false;
};

Writer writerOf(const LeaseSender& s)
{
    if (s.agency.isSet())
        return {s.agency.address, s.agency.postalCode, s.agency.town, true};
    return {s.owner.address, s.owner.postalCode, s.owner.town, false};
}

bool blank(const QStringList& lines)
{
    return std::all_of(lines.begin(), lines.end(),
                       [](const QString& line) { return line.trimmed().isEmpty(); });
}

} // namespace

bool LeaseSender::complete() const
{
    return senderProblem(sender()).isEmpty();
}

QString LeaseSender::missing() const
{
    if (complete())
        return {};
    const Writer w = writerOf(*this);
    const QString name = w.agency ? agency.name.trimmed() : owner.name.trimmed();
    if (name.isEmpty())
        return w.agency ? QStringLiteral("le nom et l'adresse de l'agence")
                        : QStringLiteral("le nom et l'adresse du bailleur");
    const QString whose =
        (w.agency ? QStringLiteral("de l'agence ") : QStringLiteral("du bailleur ")) + quoted(name);
    const bool noStreet = blank(w.street);
    const bool noTown = w.postalCode.trimmed().isEmpty() && w.town.trimmed().isEmpty();
    if (noStreet && !noTown)
        return QStringLiteral("la rue ") + whose;
    if (noTown && !noStreet)
        return QStringLiteral("le code postal et la commune ") + whose;
    return QStringLiteral("l'adresse postale ") + whose;
}

LeaseSender RegisterSenders::of(const Lease& lease) const
{
    const qint64 id = lease.ownerId ? lease.ownerId : fallback;
    LeaseSender s;
    s.agency = agency;
    for (const Owner& o : owners)
        if (o.id == id) {
            s.owner = o;
            break;
        }
    return s;
}

std::optional<LeaseSender> leaseSender(LeaseStore& store, const Lease& lease)
{
    const std::optional<Owner> owner =
        lease.ownerId ? store.owner(lease.ownerId) : store.defaultOwner();
    const std::optional<Agency> agency = owner ? store.agency() : std::nullopt;
    if (!owner || !agency)
        return std::nullopt;
    return LeaseSender{*owner, *agency};
}

std::optional<RegisterSenders> registerSenders(LeaseStore& store)
{
    std::optional<std::vector<Owner>> owners = store.owners();
    const std::optional<Owner> fallback = owners ? store.defaultOwner() : std::nullopt;
    const std::optional<Agency> agency = fallback ? store.agency() : std::nullopt;
    if (!owners || !fallback || !agency)
        return std::nullopt;
    return RegisterSenders{std::move(*owners), fallback->id, *agency};
}

LetterResult basisLetter(const Lease& lease, const LetterBasis& basis, const LetterSender& sender)
{
    return revisionLetter(lease, basis.revision, sender, basis.date);
}

LetterResult draftLetter(const Lease& lease, const LetterBasis& basis, const LeaseSender& s)
{
    const Writer w = writerOf(s);
    LetterSender draft = s.sender();
    if (draft.name.isEmpty())
        draft.name = draft.signature =
            w.agency ? QStringLiteral("[Nom de l'agence]") : QStringLiteral("[Nom du bailleur]");
    if (blank(w.street))
        draft.address.prepend(w.agency ? QStringLiteral("[Adresse de l'agence]")
                                       : QStringLiteral("[Adresse du bailleur]"));
    if (w.postalCode.trimmed().isEmpty() && w.town.trimmed().isEmpty())
        draft.address.append(QStringLiteral("[Code postal et commune]"));
    return basisLetter(lease, basis, draft);
}

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
                                 + QStringLiteral(" n'a pas pu être écrit : ") + reason + u'.');
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
                    .replace(QStringLiteral("« "), QStringLiteral("«&nbsp;"))
                    .replace(QStringLiteral(" »"), QStringLiteral("&nbsp;»"));
    band->setText(QStringLiteral("<b>Renseignez ") + what.join(QStringLiteral("&nbsp;; "))
                  + (plural ? QStringLiteral("</b> avant d'envoyer les lettres&nbsp;: ces "
                                             "coordonnées figurent en tête et à la signature. "
                                             "Les lettres ne peuvent être enregistrées ni "
                                             "imprimées sans elles.")
                            : QStringLiteral("</b> avant d'envoyer la lettre&nbsp;: ces "
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
