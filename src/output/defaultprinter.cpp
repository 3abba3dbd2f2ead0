#include "defaultprinter.h"

#include "cursor.h"
#include "messages.h"

#include <QPrinter>
#include <QPrinterInfo>

#include <optional>

namespace velmaris {

bool printOnDefaultPrinter(const QString& documentName, const std::function<bool(QPrinter&)>& draw,
                           QWidget* parent)
{
    std::optional<BusyCursor> busy(std::in_place);
    bool printed = false;
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull()) {
        QPrinter printer(info, QPrinter::HighResolution);
        printer.setDocName(documentName);
        printed = printer.isValid() && draw(printer);
    }
    busy.reset(); // the error box gets the normal pointer
    if (!printed)
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
