#!/usr/bin/python3
"""Write the archive workbook of the search benchmark.

    /usr/bin/python3 make_archive.py FILE [ROWS]   (for example /tmp/zolt-bench-archive.xls)

Debian's own Python, where the python3-xlwt package installs.

An Excel 97 workbook (BIFF8 in a compound file, written by python3-xlwt) with
one sheet of ROWS rows (2,000 by default): column A a title, column B a
publisher, column C a short description with the issue number. The word
"ornitorinco" is planted in column C of every 50th row and nowhere else, so a
search for it falls through columns A and B to column C.
"""
import random
import sys

import xlwt

SEED = 4242
WORDS = ("gioco demo completo guida trucchi grafica suono rete disco versione "
         "programma utilita archivio rivista numero lettore avventura strategia "
         "corsa calcio simulazione volo spazio castello tesoro mappa isola").split()
PUBLISHERS = ["Edizioni Nord", "Softecno", "Ludica", "Pixel Srl", "Bitmare",
              "Castello Digitale", "Grafo", "Tastiera e Mouse"]


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    path = sys.argv[1]
    rows = int(sys.argv[2]) if len(sys.argv) == 3 else 2000
    rng = random.Random(SEED)
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("Archivio")
    for r in range(rows):
        title = " ".join(rng.choice(WORDS) for _ in range(rng.randint(2, 4))).title()
        publisher = rng.choice(PUBLISHERS)
        words = [rng.choice(WORDS) for _ in range(rng.randint(6, 12))]
        if r % 50 == 7:
            words.insert(rng.randint(0, len(words)), "ornitorinco")
        sheet.write(r, 0, title)
        sheet.write(r, 1, publisher)
        sheet.write(r, 2, "Numero %d: %s" % (r // 12 + 1, " ".join(words)))
    book.save(path)
    print("%s: %d rows, the planted word in %d of them" % (path, rows, len(range(7, rows, 50))))


if __name__ == "__main__":
    main()
