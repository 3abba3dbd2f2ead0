// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// An agency as the tests set it: every mention a letter carries filled in.

#include "owner.h"

namespace velmaris::test {

inline Agency sampleAgency()
{
    Agency agency;
    agency.name = QStringLiteral("Agence du Parc");
    agency.address = {QStringLiteral("4 place Bellecour")};
    agency.postalCode = QStringLiteral("69002");
    agency.town = QStringLiteral("Lyon");
    agency.cardNumber = QStringLiteral("CPI 6901 2026 000 000 123");
    agency.cardChamber = QStringLiteral("CCI Lyon Métropole");
    agency.guarantorName = QStringLiteral("Galian");
    agency.guarantorAddress = {QStringLiteral("89 rue La Boétie"), QStringLiteral("75008 Paris")};
    return agency;
}

} // namespace velmaris::test
