#include "letteroutput.h"

#include "filechoice.h"
#include "letterprinter.h"
#include "messages.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace velmaris {

Landlord landlordOf(const LandlordSettings& settings)
{
    return {settings.name, settings.address};
}

bool landlordComplete(const LandlordSettings& settings)
{
    return !settings.name.trimmed().isEmpty() && !settings.address.isEmpty();
}

LetterResult basisLetter(const Lease& lease, const LetterBasis& basis,
                         const LandlordSettings& landlord)
{
    return revisionLetter(lease, basis.revision, landlordOf(landlord), landlord.place, basis.date);
}

LetterResult draftLetter(const Lease& lease, const LetterBasis& basis,
                         const LandlordSettings& landlord)
{
    LandlordSettings draft = landlord;
    if (draft.name.trimmed().isEmpty())
        draft.name = QStringLiteral("[Nom du bailleur]");
    if (draft.address.isEmpty())
        draft.address = {QStringLiteral("[Adresse du bailleur]")};
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
                      const QString& title)
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
    QString reason;
    if (!saveLettersPdf(letters, title, path, &reason)) {
        MessageBox::critical(parent, QStringLiteral("Enregistrer en PDF"),
                             QStringLiteral("Le fichier « ") + QDir::toNativeSeparators(path)
                                 + QStringLiteral(" » n'a pas pu être écrit : ") + reason + u'.');
        return {};
    }
    return path;
}

} // namespace velmaris
