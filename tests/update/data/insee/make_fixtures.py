#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the INSEE files the import tests read: a series' CSV in the layout of
INSEE's website (valeurs_trimestrielles.csv) and the ZIPs it is downloaded in,
compressed by Python's zipfile, not by the program's own library.
Run from this folder: python3 make_fixtures.py"""
import zipfile


def csv(title, idbank, updated, rows):
    lines = ['"Libellé";"%s";"Codes"' % title, '"idBank";"%s";""' % idbank,
             '"Dernière mise à jour";"%s";""' % updated, '"Période";"";""']
    for period, value, code in rows:
        lines.append('"%s";"%s";"%s"' % (period, value, code))
    return ("\n".join(lines) + "\n").encode("utf-8")


irl = [("2026-T1", "", ""), ("2025-T4", "145.78", "A"), ("2025-T3", "145.77", "A"),
       ("2025-T2", "146.68", "A"), ("2025-T1", "145.47", "A"), ("2024-T4", "144.64", "A"),
       ("2024-T3", "144.51", "A"), ("2024-T2", "145.17", "A"), ("2024-T1", "143.46", "A")]
irl_csv = csv("Indice pour la révision d'un loyer d'habitation (IRL) - Base 100 au 4e trimestre 1998",
              "001515333", "15/01/2026 08:45", irl)
open("valeurs_trimestrielles.csv", "wb").write(irl_csv)
with zipfile.ZipFile("serie_001515333.zip", "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("caracteristiques.csv", '"idBank";"001515333"\n"Libellé";"IRL"\n'.encode("utf-8"))
    z.writestr("valeurs_trimestrielles.csv", irl_csv)
# Corsica, with a 2nd quarter 2025 value made up for the tests (none was found).
corse = [("2025-T4", "141.59", "A"), ("2025-T3", "141.58", "A"), ("2025-T2", "142.40", "A"),
         ("2025-T1", "141.28", "A")]
with zipfile.ZipFile("serie_010760507.zip", "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("valeurs_trimestrielles.csv",
               csv("Indice pour la révision d'un loyer d'habitation (IRL) - Corse", "010760507",
                   "15/01/2026 08:45", corse))
with zipfile.ZipFile("sans_valeurs.zip", "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("caracteristiques.csv", b'"idBank";"001515333"\n')
    z.writestr("lisez-moi.csv", b'rien\n')
