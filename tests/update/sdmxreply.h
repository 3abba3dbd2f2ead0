// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// SDMX replies written the way INSEE's service writes them
// (StructureSpecificData, one Series per idBank, one Obs per quarter, newest first).

#include <QByteArray>
#include <QList>
#include <QPair>

using Observations = QList<QPair<QByteArray, QByteArray>>; // TIME_PERIOD, OBS_VALUE

inline QByteArray sdmxSeries(const QByteArray& idBank, const QByteArray& lastUpdate,
                             const Observations& observations)
{
    QByteArray series = "    <Series UNIT_MEASURE=\"SO\" NATURE=\"INDICE\" REF_AREA=\"FE\" "
                        "BASIND=\"1998-T4\" FREQ=\"T\" UNIT_MULT=\"0\" IDBANK=\""
                        + idBank
                        + "\" TITLE_FR=\"Indice pour la révision d'un loyer d'habitation\" ";
    if (!lastUpdate.isEmpty())
        series += "LAST_UPDATE=\"" + lastUpdate + "\" ";
    series += "DECIMALS=\"2\">\n";
    for (const auto& [period, value] : observations)
        series += "      <Obs TIME_PERIOD=\"" + period + "\" OBS_VALUE=\"" + value
                  + "\" OBS_STATUS=\"A\" OBS_QUAL=\"DEF\" OBS_TYPE=\"A\"/>\n";
    return series + "    </Series>\n";
}

inline QByteArray sdmxMessage(const QByteArray& dataSet)
{
    return "<?xml version='1.0' encoding='UTF-8'?>\n"
           "<message:StructureSpecificData "
           "xmlns:ss=\"http://www.sdmx.org/resources/sdmxml/schemas/v2_1/data/structurespecific\" "
           "xmlns:ns1=\"urn:sdmx:org.sdmx.infomodel.datastructure.Dataflow=FR1:SERIES_BDM(1.0):"
           "ObsLevelDim:TIME_PERIOD\" "
           "xmlns:message=\"http://www.sdmx.org/resources/sdmxml/schemas/v2_1/message\" "
           "xmlns:common=\"http://www.sdmx.org/resources/sdmxml/schemas/v2_1/common\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n"
           "  <message:Header>\n"
           "    <message:ID>SERIES_BDM_1765190000000</message:ID>\n"
           "    <message:Test>false</message:Test>\n"
           "    <message:Sender id=\"FR1\"><common:Name xml:lang=\"fr\">Institut national de "
           "la statistique et des études économiques</common:Name></message:Sender>\n"
           "  </message:Header>\n"
           "  <message:DataSet ss:dataScope=\"DataStructure\" xsi:type=\"ns1:DataSetType\">\n"
           + dataSet + "  </message:DataSet>\n</message:StructureSpecificData>\n";
}

// A whole reply for one series.
inline QByteArray sdmxReply(const QByteArray& idBank, const QByteArray& lastUpdate,
                            const Observations& observations)
{
    return sdmxMessage(sdmxSeries(idBank, lastUpdate, observations));
}

// The IRL as the test index files hold it, newest quarter 3rd of 2025.
inline Observations irlUpTo2025Q3()
{
    return {{"2025-Q3", "145.77"},
            {"2025-Q2", "146.68"},
            {"2025-Q1", "145.47"},
            {"2024-Q4", "144.64"},
            {"2024-Q3", "144.51"}};
}
