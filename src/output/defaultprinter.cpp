#include "defaultprinter.h"

#include "cursor.h"
#include "messages.h"
#include "modules.h"

#include <optional>

namespace velmaris {

bool printOnDefaultPrinter(const QString& documentName, PrintPages pages,
                           const std::function<bool(QPagedPaintDevice&)>& draw, QWidget* parent)
{
    std::optional<BusyCursor> busy(std::in_place);
    QString why;
    const auto print = reinterpret_cast<PrintEntry>(moduleEntry(kPrintModule, kPrintEntry, &why));
    const bool printed = print && print(documentName, pages, draw);
    busy.reset(); // the error box gets the normal pointer
    if (!print)
        MessageBox::critical(parent, QStringLiteral("Erreur d'impression"),
                             missingModuleText(QStringLiteral("L'impression"), why) + u'.');
    else if (!printed)
        MessageBox::critical(parent, QStringLiteral("Erreur d'impression"),
                             QStringLiteral("Pas d'imprimante par défaut. Modifiez votre "
                                            "configuration avant de relancer l'impression."));
    return printed;
}

bool isWholePdf(const QByteArray& bytes)
{
    return bytes.startsWith("%PDF-") && bytes.right(32).contains("%%EOF");
}

} // namespace velmaris
