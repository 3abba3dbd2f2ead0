// SPDX-License-Identifier: GPL-3.0-or-later
#include "inseesdmx.h"

#include <QXmlStreamReader>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace velmaris {

namespace {

bool allDigits(QStringView text)
{
    return !text.isEmpty()
           && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// An HTML page is no XML a reader can trust to fail: tell it by its start.
bool looksLikeWebPage(const QByteArray& body)
{
    const QByteArray start = body.left(512).toLower();
    return start.contains("<!doctype html") || start.contains("<html");
}

QDate isoDate(QStringView text)
{
    text = text.trimmed();
    return text.size() >= 10 ? QDate::fromString(text.first(10).toString(), Qt::ISODate) : QDate();
}

// The text of an SDMX error message, when the service sent one instead of data.
QString errorMessageText(QXmlStreamReader& xml)
{
    QString text;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"Text") {
            text += xml.readElementText(QXmlStreamReader::IncludeChildElements).simplified();
            continue;
        }
        const QString inner = errorMessageText(xml);
        if (!inner.isEmpty())
            text += inner;
    }
    return text;
}

struct Reading {
    QStringView idBank;
    SdmxReply reply;
    bool found = false;
    int seriesCount = 0;
    QString otherIdBank;
};

void readObservation(const QXmlStreamAttributes& attributes, Reading& r)
{
    const QStringView period = attributes.value(QLatin1StringView("TIME_PERIOD"));
    const auto quarter = Quarter::fromPeriod(period);
    if (!quarter) {
        r.reply.error = QStringLiteral("la période « %1 » n'est pas un trimestre : la série %2 "
                                       "n'est pas trimestrielle")
                            .arg(period.toString(), r.idBank.toString());
        return;
    }
    const QStringView text = attributes.value(QLatin1StringView("OBS_VALUE"));
    if (text.trimmed().isEmpty()) {
        r.reply.error =
            QStringLiteral("aucune valeur n'est donnée pour le %1").arg(quarter->label());
        return;
    }
    const auto value = plainDecimal(text);
    if (!value || *value <= 0) {
        r.reply.error = QStringLiteral("la valeur « %1 » donnée pour le %2 n'est pas un nombre "
                                       "décimal simple")
                            .arg(text.toString(), quarter->label());
        return;
    }
    if (r.reply.series.find(*quarter)) {
        r.reply.error =
            QStringLiteral("le %1 figure deux fois dans la série").arg(quarter->label());
        return;
    }
    r.reply.series.observations.push_back({*quarter, text.trimmed().toString(), *value});
}

void readDataSet(QXmlStreamReader& xml, Reading& r)
{
    bool inWanted = false;
    while (!xml.atEnd() && r.reply.ok()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == u"Series") {
            inWanted = false;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (xml.name() == u"Series") {
            ++r.seriesCount;
            const QStringView id = attributes.value(QLatin1StringView("IDBANK")).trimmed();
            // The first series of that idBank is the one read.
            inWanted = !r.found && id == r.idBank;
            if (inWanted) {
                r.found = true;
                r.reply.series.idBank = id.toString();
                r.reply.series.lastUpdate =
                    isoDate(attributes.value(QLatin1StringView("LAST_UPDATE")));
            } else if (r.otherIdBank.isEmpty()) {
                r.otherIdBank = id.toString();
            }
        } else if (xml.name() == u"Obs" && inWanted) {
            readObservation(attributes, r);
        }
    }
}

} // namespace

const SdmxObservation* SdmxSeries::find(Quarter quarter) const
{
    for (const SdmxObservation& o : observations)
        if (o.quarter == quarter)
            return &o;
    return nullptr;
}

bool looksLikeXml(const QByteArray& body)
{
    QByteArrayView text = body;
    if (text.startsWith("\xEF\xBB\xBF"))
        text = text.sliced(3);
    while (!text.isEmpty()
           && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r'
               || text.front() == '\n'))
        text = text.sliced(1);
    return text.startsWith('<');
}

SdmxReply parseSdmxSeries(const QByteArray& xmlBytes, QStringView idBank)
{
    Reading r;
    r.idBank = idBank;
    auto refused = [&](const QString& why) {
        SdmxReply reply;
        reply.error = why;
        return reply;
    };
    if (looksLikeWebPage(xmlBytes))
        return refused(QStringLiteral("la réponse est une page web (page d'erreur ou portail de "
                                      "connexion), pas une série de l'Insee"));

    QXmlStreamReader xml(xmlBytes);
    if (xml.readNextStartElement()) {
        if (xml.name() == u"Error") {
            const QString text = errorMessageText(xml);
            return refused(text.isEmpty()
                               ? QStringLiteral("le service de l'Insee a répondu par une erreur")
                               : QStringLiteral("le service de l'Insee a répondu par une erreur "
                                                "(« %1 »)")
                                     .arg(text));
        }
        if (xml.name() != u"StructureSpecificData")
            return refused(QStringLiteral("la réponse n'est pas une série de l'Insee au format "
                                          "SDMX (elle commence par « %1 »)")
                               .arg(xml.name().toString()));
        readDataSet(xml, r);
    }
    if (!r.reply.ok())
        return refused(r.reply.error);
    if (xml.hasError()) {
        if (xml.error() == QXmlStreamReader::PrematureEndOfDocumentError)
            return refused(QStringLiteral("la réponse de l'Insee est coupée avant la fin"));
        return refused(
            QStringLiteral("la réponse n'est pas un XML lisible (ligne %1)").arg(xml.lineNumber()));
    }
    if (r.seriesCount == 0)
        return refused(QStringLiteral("la réponse de l'Insee ne contient aucune série"));
    if (!r.found)
        return refused(
            QStringLiteral("la réponse donne la série %1 au lieu de la série %2 "
                           "demandée")
                .arg(r.otherIdBank.isEmpty() ? QStringLiteral("sans idBank") : r.otherIdBank,
                     idBank.toString()));
    if (r.reply.series.observations.empty())
        return refused(QStringLiteral("la série %1 ne contient aucune valeur").arg(idBank));

    auto& observations = r.reply.series.observations;
    std::sort(
        observations.begin(), observations.end(),
        [](const SdmxObservation& a, const SdmxObservation& b) { return a.quarter > b.quarter; });
    return r.reply;
}

QString idBankOf(const QUrl& address)
{
    const QString path = address.path();
    const QStringView last = QStringView(path).sliced(path.lastIndexOf(u'/') + 1);
    return allDigits(last) ? last.toString() : kIrlIdBank.toString();
}

QUrl seriesAddress(const QUrl& address, const QString& idBank)
{
    QUrl url = address;
    const QString path = address.path();
    url.setPath(path.left(path.lastIndexOf(u'/') + 1) + idBank);
    return url;
}

std::optional<double> plainDecimal(QStringView text)
{
    text = text.trimmed();
    // Far longer than any index; keeps the conversion below exact and bounded.
    if (text.isEmpty() || text.size() > 20)
        return std::nullopt;
    std::string ascii;
    bool point = false;
    bool digitBeforePoint = false;
    bool digitAfterPoint = false;
    for (QChar c : text) {
        if (c >= u'0' && c <= u'9') {
            (point ? digitAfterPoint : digitBeforePoint) = true;
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
        ascii.push_back(char(c.unicode()));
    }
    if (!digitBeforePoint || (point && !digitAfterPoint))
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (error != std::errc() || end != ascii.data() + ascii.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace velmaris
