#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Builds data/VELMARIS.TXT from the collected index figures (a TSV with the
columns key, icc, irl, date, date_kind, confidence, sources; newest first) and,
when given, the Corsica and overseas IRL (a TSV with the columns key,
metropole, dom, corse, sources), which go to columns 4 and 5.

Usage: data/make_index_file.py FIGURES.tsv [REGIONS.tsv] > data/VELMARIS.TXT
The file is written in the Windows ANSI code page with CR LF line ends. A comma
in a comment would start a new record, so comments never hold one."""
import csv
import sys


def read(path):
    with open(path, encoding="utf-8") as f:
        return list(csv.DictReader(f, delimiter="\t"))


def main(path, regions_path=None):
    rows = read(path)
    regions = {r["key"]: r for r in read(regions_path)} if regions_path else {}
    for r in regions.values():
        # A regional value of a quarter the file does not hold, or that
        # disagrees with its mainland value, is a slip in the figures.
        mainland = next((x for x in rows if x["key"] == r["key"]), None)
        assert mainland and mainland["irl"] == r["metropole"], r["key"]
    without = [r["key"] for r in rows if regions and r["key"] not in regions
               and int(r["key"][1:] + r["key"][0]) >= 20223]
    estimated = [r["key"] for r in rows if r["date_kind"] == "estimated"]
    label = lambda k: ("1er" if k[0] == "1" else k[0] + "e") + " trimestre " + k[1:]
    header = [
        "' VELMARIS.TXT - indices Insee trimestriels (ICC et IRL) du plus récent au plus ancien",
        "' Colonnes séparées par des tabulations : trimestre et année ; indice ; date de parution ; IRL",
        "' Au-dessus du 2e trimestre 2005 la 2e colonne est l'IRL ; à partir de lui c'est l'ICC et l'IRL est en 4e colonne",
    ]
    if regions:
        header += [
            "' Du 3e trimestre 2022 au plus récent : IRL Corse en 4e colonne ; IRL outre-mer en 5e colonne",
            "'   (séries Insee propres à ces territoires : idBank 010760507 et 010760509"
            + (" ; valeurs non relevées : " + " ; ".join(label(k) for k in without) + ")"
               if without else ")"),
        ]
    header += [
        "' IRL : série Insee actuelle (base 100 au 4e trimestre 1998 ; idBank 001515333) rétropolée au 4e trimestre 2002",
        "' ICC : base 100 au 4e trimestre 1953 ; valeurs relevées du 1er trimestre 1999 au 2e trimestre 2005",
        "' Dates : avis au Journal Officiel ou à défaut communiqué de l'Insee (le JO suit de quelques jours)",
        "' Sources : Insee (séries et communiqués) ; Journal Officiel ; éditeurs juridiques et notariaux",
        "' Dates estimées selon le calendrier habituel de l'Insee (un bail signé à quelques jours près",
        "' de ces dates peut relever du trimestre voisin) :",
    ]
    for i in range(0, len(estimated), 6):
        header.append("'   " + " ; ".join(label(k) for k in estimated[i:i + 6]))
    lines = header[:]
    switched = False
    for r in rows:
        key = r["key"]
        if key == "22005":
            switched = True
        if switched:
            fields = [key, r["icc"], r["date"]]
            if r["irl"]:
                fields.append(r["irl"])
        else:
            fields = [key, r["irl"], r["date"]]
            if key in regions:
                fields += [regions[key]["corse"], regions[key]["dom"]]
        lines.append("\t".join(fields))
    for line in lines:
        assert "," not in line, line
    sys.stdout.buffer.write(("\r\n".join(lines) + "\r\n").encode("cp1252"))


if __name__ == "__main__":
    main(*sys.argv[1:3])
