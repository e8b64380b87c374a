#!/usr/bin/python3
"""Writes the demo disc into examples/demo-disc/: a small Italian cover disc
of an invented computer magazine, "Zolt", with eight sections.

Needs python3-pil and python3-xlwt (Debian) and the DejaVu fonts. All
content (texts, pictures, banners, the archive workbook, the harmless
stand-in installers) is made here; the output is committed, so the build
needs none of this.

    tools/demo-disc/make_demo_disc.py            # rewrites examples/demo-disc/
    tools/demo-disc/make_demo_disc.py OUTDIR

Sections become tabs in byte order of their folder names, so they are named
to read well in that order (capitalised, no digits in front).
"""

import math
import os
import random
import shutil
import stat
import sys

import xlwt
from PIL import Image, ImageDraw, ImageFont

FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
FONT_SERIF = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf"

LIGHT = (215, 225, 232)
DARK = (92, 133, 160)

CRLF = "\r\n"


def font(size, face=FONT_BOLD):
    return ImageFont.truetype(face, size)


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


# --- Files ------------------------------------------------------------------------------

def write_text(path, text, encoding="cp1252"):
    """Plain text files of the disc: Windows line ends, Windows-1252."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(text.replace("\n", CRLF).encode(encoding))


def write_program(path, title, what):
    """A harmless stand-in for an installer or a program: a shell script that
    only says what it is (in a dialog where one is available)."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    message = f"{title} - {what}.\\n\\nQuesto e' il disco dimostrativo di Zolt: non viene installato nulla."
    script = f"""#!/bin/sh
# Stand-in {what} of the Zolt demo disc: it shows a message and changes nothing.
msg="{message}"
if command -v zenity >/dev/null 2>&1; then
  zenity --info --title="{title}" --text="$(printf "$msg")"
elif command -v xmessage >/dev/null 2>&1; then
  printf "$msg\\n" | xmessage -center -file -
else
  printf "$msg\\n"
fi
"""
    with open(path, "w", encoding="utf-8") as out:
        out.write(script)
    os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)


def rtf_escape(text):
    out = []
    for ch in text:
        if ch in "\\{}":
            out.append("\\" + ch)
        elif ch == "\n":
            out.append("\\par\n")
        elif ord(ch) < 128:
            out.append(ch)
        else:
            out.append("\\'%02x" % ch.encode("cp1252")[0])
    return "".join(out)


def write_rtf(path, title, paragraphs, points=(), address=None):
    """An item description: a bold title, paragraphs, an optional list of
    points, and the web address of the product."""
    body = [r"{\rtf1\ansi\ansicpg1252\deff0",
            r"{\fonttbl{\f0\fswiss\fcharset0 Arial;}{\f1\froman\fcharset0 Times New Roman;}}",
            r"{\colortbl ;\red0\green0\blue128;\red92\green133\blue160;}",
            r"\viewkind4\uc1\pard\cf1\f0\fs20",
            r"{\b\fs24 " + rtf_escape(title) + r"}\par\par"]
    for paragraph in paragraphs:
        body.append(rtf_escape(paragraph) + r"\par\par")
    if points:
        body.append(r"{\b " + rtf_escape("Caratteristiche principali:") + r"}\par")
        for point in points:
            body.append(r"\'95  " + rtf_escape(point) + r"\par")
        body.append(r"\par")
    if address:
        body.append(rtf_escape("Per saperne di più: ") + r"{\cf2\ul " + rtf_escape(address) + r"}\par")
    body.append("}")
    write_text(path, "\n".join(body) + "\n")


# --- Pictures -----------------------------------------------------------------------------

def gradient(size, top, bottom):
    width, height = size
    image = Image.new("RGB", size)
    draw = ImageDraw.Draw(image)
    for y in range(height):
        draw.line([0, y, width, y], fill=mix(top, bottom, y / max(1, height - 1)))
    return image


def motif(draw, kind, size, colour, rng):
    width, height = size
    if kind == "road":
        draw.polygon([(width * 0.42, height * 0.35), (width * 0.58, height * 0.35),
                      (width * 0.95, height), (width * 0.05, height)], fill=(60, 60, 66))
        for i in range(6):
            y0 = height * (0.38 + i * 0.11)
            draw.rectangle([width * 0.495, y0, width * 0.505 + i * 1.5, y0 + height * 0.05], fill=(250, 230, 90))
    elif kind == "planet":
        r = min(width, height) * 0.28
        cx, cy = width * 0.62, height * 0.55
        draw.ellipse([cx - r, cy - r, cx + r, cy + r], fill=colour)
        for i in range(5):
            rr = r * (0.2 + 0.1 * i)
            draw.arc([cx - rr * 2.2, cy - rr * 0.5, cx + rr * 2.2, cy + rr * 0.5], 200, 340, fill=(255, 210, 160), width=2)
        for _ in range(60):
            x, y = rng.random() * width, rng.random() * height
            draw.point((x, y), fill=(255, 255, 255))
    elif kind == "maze":
        cell = max(12, width // 16)
        for x in range(0, width, cell):
            for y in range(int(height * 0.3), height, cell):
                if rng.random() < 0.5:
                    draw.line([x, y, x + cell, y], fill=colour, width=3)
                else:
                    draw.line([x, y, x, y + cell], fill=colour, width=3)
    elif kind == "grid":
        cell = int(min(width, height * 0.68) // 10)
        x0, y0 = width // 2 - cell * 9 // 2, int(height * 0.28)
        for i in range(9):
            for j in range(9):
                if rng.random() < 0.35:
                    draw.text((x0 + i * cell + cell // 4, y0 + j * cell), str(rng.randint(1, 9)),
                              font=font(max(8, cell - 4), FONT), fill=colour)
        for k in range(10):
            w = 3 if k % 3 == 0 else 1
            draw.line([x0, y0 + k * cell, x0 + 9 * cell, y0 + k * cell], fill=colour, width=w)
            draw.line([x0 + k * cell, y0, x0 + k * cell, y0 + 9 * cell], fill=colour, width=w)
    elif kind == "waves":
        for k in range(7):
            points = [(x, height * (0.55 + 0.05 * k) + math.sin(x / (18 + 3 * k) + k) * 10)
                      for x in range(0, width + 8, 8)]
            draw.line(points, fill=mix(colour, (255, 255, 255), k / 8), width=3)
    elif kind == "bars":
        n = 9
        for i in range(n):
            h = height * (0.15 + 0.5 * rng.random())
            x = width * 0.1 + i * width * 0.8 / n
            draw.rectangle([x, height * 0.92 - h, x + width * 0.8 / n - 4, height * 0.92],
                           fill=mix(colour, (255, 255, 255), i / (n + 3)))
    elif kind == "discs":
        for _ in range(7):
            r = rng.uniform(0.06, 0.16) * min(width, height)
            cx, cy = rng.uniform(0.1, 0.9) * width, rng.uniform(0.35, 0.9) * height
            draw.ellipse([cx - r, cy - r, cx + r, cy + r], fill=mix(colour, (255, 255, 255), rng.random() * 0.6),
                         outline=(255, 255, 255))
            draw.ellipse([cx - r / 4, cy - r / 4, cx + r / 4, cy + r / 4], fill=(255, 255, 255))
    elif kind == "window":
        x0, y0, x1, y1 = width * 0.12, height * 0.32, width * 0.88, height * 0.9
        draw.rectangle([x0, y0, x1, y1], fill=(245, 245, 245), outline=(40, 40, 40))
        draw.rectangle([x0, y0, x1, y0 + 16], fill=colour)
        for i in range(5):
            y = y0 + 26 + i * (y1 - y0 - 30) / 5
            draw.rectangle([x0 + 10, y, x0 + 10 + (x1 - x0 - 20) * rng.uniform(0.4, 0.95), y + 6], fill=(170, 180, 190))
    else:  # "stars"
        for _ in range(24):
            cx, cy, r = rng.random() * width, rng.uniform(0.3, 1.0) * height, rng.uniform(3, 12)
            points = [(cx + math.cos(a * math.pi / 5) * (r if a % 2 == 0 else r / 2.4),
                       cy + math.sin(a * math.pi / 5) * (r if a % 2 == 0 else r / 2.4)) for a in range(10)]
            draw.polygon(points, fill=mix(colour, (255, 255, 255), rng.random()))


def write_picture(path, size, title, subtitle, top, bottom, kind, accent, seed, grey=False, progressive=False):
    rng = random.Random(seed)
    image = gradient(size, top, bottom)
    draw = ImageDraw.Draw(image)
    motif(draw, kind, size, accent, rng)
    width, height = size
    points = max(12, width // 12)
    while points > 10 and draw.textlength(title, font=font(points, FONT_SERIF)) > width * 0.88:
        points -= 1
    title_font = font(points, FONT_SERIF)
    # Dark letters on a pale picture, white ones on a dark picture.
    pale = sum(top) / 3 > 150
    ink, shadow = ((20, 30, 70), (255, 255, 255)) if pale else ((255, 255, 255), (0, 0, 0))
    draw.text((width * 0.06 + 2, height * 0.06 + 2), title, font=title_font, fill=shadow)
    draw.text((width * 0.06, height * 0.06), title, font=title_font, fill=ink)
    draw.text((width * 0.06, height * 0.06 + points * 1.3), subtitle, font=font(max(9, width // 26), FONT),
              fill=ink)
    if grey:
        image = image.convert("L")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    image.save(path, "JPEG", quality=82, progressive=progressive, optimize=True)


def write_banner(path, text, tagline, background, accent, seed):
    """A 468 x 60 animated banner: the name slides in, the tagline follows,
    a light runs along the bottom edge, then a pause."""
    rng = random.Random(seed)
    width, height = 468, 60
    frames, durations = [], []
    name_font, line_font = font(24, FONT_SERIF), font(13)
    name_width = ImageDraw.Draw(Image.new("RGB", (1, 1))).textlength(text, font=name_font)
    sparkles = [(rng.randrange(width), rng.randrange(height)) for _ in range(18)]
    steps = 8
    for step in range(steps + 4):
        frame = Image.new("RGB", (width, height), background)
        draw = ImageDraw.Draw(frame)
        for x, y in sparkles:
            if (x + y + step * 7) % 3 == 0:
                draw.point((x, y), fill=accent)
        t = min(1.0, step / steps)
        x = width - (width - 12) * (1 - (1 - t) ** 2)
        draw.text((x, 6), text, font=name_font, fill=(255, 255, 255))
        if step >= steps:
            fade = min(1.0, (step - steps + 1) / 3)
            draw.text((14 + name_width + 16, 14), tagline, font=line_font, fill=mix(background, accent, fade))
        light = (step * width // (steps + 3))
        draw.rectangle([0, height - 4, width, height - 1], fill=mix(background, (0, 0, 0), 0.3))
        draw.rectangle([light, height - 4, light + 60, height - 1], fill=accent)
        draw.rectangle([0, 0, width - 1, height - 1], outline=mix(background, (255, 255, 255), 0.5))
        frames.append(frame.quantize(colors=32, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE))
        durations.append(110)
    durations[-1] = 2500
    os.makedirs(os.path.dirname(path), exist_ok=True)
    frames[0].save(path, save_all=True, append_images=frames[1:], duration=durations, loop=0)


# --- The disc's content --------------------------------------------------------------------

# Each item: folder path below the disc root, title shown in texts, and what it holds.
ITEMS = [
    # section, entry, sub-entry, details
    dict(path="Demo_/Autostrade 2000_", title="Autostrade 2000 (demo)",
         text=["Mettetevi al volante sulle autostrade italiane: dalla Milano-Laghi alla Salerno-Reggio, "
               "di giorno e di notte, con il traffico delle partenze di agosto.",
               "La versione dimostrativa comprende due tracciati e tre automobili. Requisiti: Pentium 166, "
               "32 MB di RAM, scheda 3D consigliata."],
         points=["grafica 3D con nebbia e pioggia", "modalità a due giocatori sullo stesso schermo",
                 "volante e joystick supportati"],
         address="http://www.zolt.it/demo/autostrade", picture=((400, 300), "road", (30, 60, 120), (200, 120, 60)),
         setup="setup.exe", banner=("Autostrade 2000", "la demo è sul CD!", (20, 40, 90), (250, 200, 60)),
         banner_address=["http://www.zolt.it/demo/autostrade"]),
    dict(path="Demo_/Pianeta Rosso_", title="Pianeta Rosso (demo)",
         text=["Strategia in tempo reale su Marte: costruite basi, estraete il ghiaccio dei poli e "
               "difendete la colonia dalle tempeste di sabbia.",
               "Nella demo: la prima campagna completa (otto missioni) e l'editor di mappe."],
         points=["tre fazioni con tecnologie diverse", "partite in rete locale fino a quattro giocatori"],
         address="http://www.pianetarosso-gioco.it", picture=((640, 480), "planet", (40, 10, 10), (120, 40, 20)),
         setup="Installa/SETUP.EXE", progressive=True),
    dict(path="Giochi_/Astro Corsa_", title="Astro Corsa",
         text=["Corse spaziali tra gli anelli di Saturno: un gioco d'azione veloce e colorato, "
               "adatto a tutta la famiglia.",
               "Versione completa offerta ai lettori di Zolt. Registrazione gratuita su "
               "http://www.astrocorsa.it/registra"],
         points=["20 piste", "musica originale", "classifica on line"],
         address="http://www.astrocorsa.it", picture=((305, 313), "stars", (10, 10, 50), (60, 20, 90)),
         setup="setup.exe", banner=("Astro Corsa", "corri tra le stelle", (40, 10, 80), (120, 220, 255)),
         banner_address=["http://www.astrocorsa.it"]),
    dict(path="Giochi_/Labirinto_", title="Labirinto",
         text=["Il classico gioco del labirinto in 60 livelli sempre più intricati. Raccogliete le chiavi, "
               "evitate i fantasmi e trovate l'uscita prima che scada il tempo.",
               "Il programma non richiede installazione: si avvia direttamente dal CD."],
         address="http://www.zolt.it/giochi/labirinto", picture=((320, 240), "maze", (20, 90, 40), (10, 40, 20)),
         program="bin/gioco.exe"),
    dict(path="Giochi_/Rompicapo_/Sudoku_", title="Sudoku",
         text=["Mille schemi di sudoku, dal facilissimo al diabolico, con suggerimenti e annotazioni a matita.",
               "Stampate gli schemi per risolverli sotto l'ombrellone!"],
         address="http://www.zolt.it/giochi/sudoku", picture=((300, 300), "grid", (250, 250, 240), (220, 220, 200)),
         setup="setup.exe"),
    dict(path="Giochi_/Rompicapo_/anagrammi_", title="anagrammi",
         text=["Il gioco di parole della redazione: trovate tutti gli anagrammi nascosti prima "
               "dell'avversario. Vocabolario italiano di 60.000 parole.",
               "Ideale per la scuola: http://www.zolt.it/scuola"],
         address="http://www.zolt.it/giochi/anagrammi", picture=((240, 320), "stars", (200, 80, 40), (120, 30, 20)),
         setup="setup.exe"),
    dict(path="Giochi_/Rompicapo_/Cruciverba_", title="Cruciverba",
         text=["Cruciverba a schema libero e obbligato, con definizioni di cultura generale e una sezione "
               "dedicata all'informatica."],
         address="http://www.zolt.it/giochi/cruciverba", picture=((280, 210), "grid", (255, 255, 255), (210, 220, 235)),
         grey=True, setup="setup.exe"),
    dict(path="Grafica_/Pennello Magico_", title="Pennello Magico 3.0",
         text=["Un programma di disegno semplice e completo: pennelli, livelli, filtri ed effetti speciali "
               "per ritoccare le fotografie di famiglia.",
               "Versione shareware di 30 giorni. Il codice di registrazione costa 39.000 lire "
               "(20 euro) su http://www.pennellomagico.com"],
         points=["livelli e trasparenze", "oltre 50 filtri", "apre e salva JPEG, GIF, BMP e PNG"],
         address="http://www.pennellomagico.com", picture=((500, 375), "discs", (240, 200, 80), (200, 90, 40)),
         setup="setup.exe", banner=("Pennello Magico 3.0", "disegna, ritocca, stampa", (120, 30, 60), (255, 220, 120)),
         banner_address=["http://www.pennellomagico.com"]),
    dict(path="Grafica_/Icone e Sfondi_", title="Icone e Sfondi",
         text=["Una raccolta di sfondi per il desktop realizzati dai lettori. Il pulsante \u201cCopia file\u201d "
               "copia sul vostro disco lo sfondo del mese, \u201cLaguna al tramonto\u201d.",
               "Inviate le vostre creazioni a sfondi@zolt.it: le migliori saranno pubblicate sul prossimo CD."],
         address="http://www.zolt.it/sfondi", picture=((400, 300), "waves", (250, 150, 80), (60, 40, 120)),
         copy="Laguna al tramonto.jpg"),
    dict(path="Internet_/Navigatore Veloce_", title="Navigatore Veloce",
         text=["Il browser leggero per i modem a 56k: blocca le finestre pubblicitarie, ricorda le password "
               "e scarica le pagine in anticipo mentre leggete.",
               "Collegatevi a http://www.navigatoreveloce.it per gli aggiornamenti gratuiti."],
         points=["schede multiple", "gestione dei segnalibri", "funziona anche con Windows 95"],
         address="http://www.navigatoreveloce.it", picture=((360, 270), "window", (90, 150, 210), (220, 235, 250)),
         setup="setup.exe", banner=("Navigatore Veloce", "Internet a tutta velocità", (10, 70, 130), (140, 240, 140)),
         banner_address=["http://www.navigatoreveloce.it"]),
    dict(path="Internet_/Posta Facile_", title="Posta Facile",
         text=["Il programma di posta elettronica più semplice che ci sia: tre pulsanti, nessuna "
               "configurazione complicata. Perfetto per i nonni!",
               "Si avvia direttamente dal CD; una versione da installare si trova nella cartella \u201cextra\u201d."],
         address="http://www.postafacile.it", picture=((300, 220), "window", (240, 200, 120), (250, 245, 230)),
         program="posta.exe", extra_program="extra/installa.exe"),
    dict(path="Multimedia_/Lettore Audio_", title="Lettore Audio",
         text=["Ascoltate i vostri CD e i file MP3 con un lettore che occupa pochissimo spazio sullo schermo. "
               "Equalizzatore a dieci bande e scalette personali.",
               "Nuove interfacce grafiche su http://www.zolt.it/multimedia/lettore"],
         address="http://www.zolt.it/multimedia/lettore", picture=((305, 313), "bars", (20, 20, 30), (50, 60, 90)),
         setup="setup.exe"),
    dict(path="Multimedia_/Video Studio_", title="Video Studio",
         text=["Montate i filmati della videocamera: tagli, dissolvenze, titoli e colonna sonora. "
               "Aprite le due edizioni qui sotto per scegliere quella giusta per voi."],
         address="http://www.videostudio-italia.it", picture=((480, 270), "bars", (60, 30, 90), (20, 10, 40))),
    dict(path="Multimedia_/Video Studio_/Edizione Base_", title="Video Studio - Edizione Base",
         text=["L'edizione base è gratuita: due tracce video, venti transizioni, salvataggio in AVI."],
         address="http://www.videostudio-italia.it/base", setup="setup.exe"),
    dict(path="Multimedia_/Video Studio_/Edizione Pro_", title="Video Studio - Edizione Pro",
         text=["L'edizione Pro (versione di prova di 15 giorni) aggiunge tracce illimitate, effetti "
               "in tempo reale e la masterizzazione dei Video CD.",
               "Sconto del 20% per gli abbonati: http://www.videostudio-italia.it/zolt"],
         address="http://www.videostudio-italia.it/pro", picture=((800, 600), "discs", (30, 20, 60), (90, 40, 110)),
         setup="setup.exe"),
    dict(path="Programmi_/Agenda Personale_", title="Agenda Personale",
         text=["Appuntamenti, compleanni, indirizzi e promemoria in un'unica finestra. "
               "Stampa l'agenda tascabile nel formato che preferite."],
         points=["avvisi sonori", "rubrica con ricerca veloce", "esportazione verso il palmare"],
         address="http://www.zolt.it/programmi/agenda", picture=((300, 200), "window", (150, 60, 60), (250, 240, 230)),
         setup="setup.exe"),
    dict(path="Programmi_/Contabilità di Casa_", title="Contabilità di Casa",
         text=["Tenete sotto controllo le spese di famiglia: bollette, mutuo, spesa e risparmi, con grafici "
               "mensili e il passaggio automatico dalla lira all'euro.",
               "Modelli gratuiti su http://www.zolt.it/programmi/contabilita"],
         address="http://www.zolt.it/programmi/contabilita", picture=((400, 300), "bars", (230, 240, 230), (120, 170, 120)),
         setup="setup.exe"),
    dict(path="Sistema_/Pulizia Disco_", title="Pulizia Disco",
         text=["Ritrovate lo spazio perduto: il programma cerca i file temporanei, i duplicati e le cartelle "
               "vuote e vi chiede conferma prima di cancellare qualsiasi cosa."],
         address="http://www.puliziadisco.it", picture=((305, 313), "discs", (80, 90, 100), (30, 35, 40)),
         setup="setup.exe", banner=("Pulizia Disco", "più spazio, più velocità", (50, 60, 70), (255, 180, 80)),
         banner_address=["http://www.puliziadisco.it"]),
    dict(path="Sistema_/Driver Stampanti_", title="Driver Stampanti",
         text=["Gli ultimi driver per le stampanti a getto d'inchiostro più diffuse. Aprite la cartella "
               "con il pulsante \u201cSfoglia\u201d e scegliete il modello della vostra stampante.",
               "Elenco aggiornato dei modelli su http://www.zolt.it/driver"]),
    dict(path="Utility_/Compressore Zip_", title="Compressore Zip",
         text=["Comprimete e decomprimete archivi ZIP con un clic del tasto destro. Supporta gli archivi "
               "divisi su più dischetti e quelli protetti da password."],
         address="http://www.compressorezip.it", picture=((200, 150), "stars", (200, 170, 40), (120, 90, 20)),
         setup="setup.exe"),
    dict(path="Utility_/Calcolatrice Scientifica_", title="Calcolatrice Scientifica",
         text=["Funzioni trigonometriche, statistiche e finanziarie, conversione tra basi numeriche e "
               "un nastro stampabile dei calcoli.",
               "Per gli studenti: esercizi svolti su http://www.zolt.it/scuola/calcolo"],
         address="http://www.zolt.it/utility/calcolatrice", picture=((240, 300), "grid", (40, 40, 50), (90, 90, 110)),
         program="calc.exe"),
]

def make_item(root, item, index):
    folder = os.path.join(root, *item["path"].split("/"))
    os.makedirs(folder, exist_ok=True)
    if "text" in item:
        write_rtf(os.path.join(folder, "testo.txt"), item["title"], item["text"], item.get("points", ()),
                  item.get("address"))
    if "picture" in item:
        size, kind, top, bottom = item["picture"]
        pale = sum(top) / 3 > 150
        accent = mix(top, (20, 30, 70), 0.6) if pale else mix(top, (255, 255, 255), 0.5)
        write_picture(os.path.join(folder, "img.jpg"), size, item["title"], "sul CD di Zolt", top, bottom, kind,
                      accent, index, grey=item.get("grey", False), progressive=item.get("progressive", False))
    if "banner" in item:
        text, tagline, background, accent = item["banner"]
        write_banner(os.path.join(folder, "banner.gif"), text, tagline, background, accent, index)
        write_text(os.path.join(folder, "banner.txt"), "\n".join(item["banner_address"]) + "\n")
    if "setup" in item:
        write_text(os.path.join(folder, "setup.txt"), item["setup"] + "\n")
        write_program(os.path.join(folder, *item["setup"].split("/")), item["title"], "programma di installazione")
    if "program" in item:
        write_program(os.path.join(folder, *item["program"].split("/")), item["title"], "programma")
    if "extra_program" in item:
        write_program(os.path.join(folder, *item["extra_program"].split("/")), item["title"],
                      "programma di installazione")
    if "copy" in item:
        write_text(os.path.join(folder, "copia.txt"), item["copy"] + "\n")
        write_picture(os.path.join(folder, item["copy"]), (800, 600), "Laguna al tramonto", "sfondo del mese",
                      (250, 150, 80), (60, 40, 120), "waves", (255, 220, 160), 99)
    if item["path"].startswith("Sistema_/Driver Stampanti_"):
        for model in ("Getto 300", "Getto 500 Colore", "Fotografica 700"):
            write_text(os.path.join(folder, model, "leggimi.txt"),
                       f"Driver per la stampante {model}.\nCopiate la cartella sul disco e indicatela "
                       "a Windows quando chiede il disco del produttore.\n")


# --- The Home folder ------------------------------------------------------------------------

HOME_PAGE = """<!DOCTYPE html>
<html lang="it">
<head>
<meta charset="windows-1252">
<title>Zolt - il CD del mese</title>
<style>
  body {{ font-family: Verdana, "DejaVu Sans", sans-serif; font-size: 12px; color: #000080;
         margin: 0; padding: 12px 16px; background: #ffffff; }}
  h1 {{ font-size: 20px; color: #5c85a0; margin: 4px 0 2px 0; }}
  p.sotto {{ margin: 0 0 10px 0; color: #5c85a0; }}
  table {{ border-collapse: collapse; width: 100%; }}
  th {{ background: #5c85a0; color: #ffffff; text-align: left; padding: 3px 6px; }}
  td {{ border-bottom: 1px solid #d7e1e8; padding: 3px 6px; vertical-align: top; }}
  tr:nth-child(even) td {{ background: #f1f5f8; }}
  .testata {{ display: flex; gap: 12px; align-items: center; }}
  .nota {{ margin-top: 10px; font-size: 11px; color: #5c85a0; }}
</style>
</head>
<body>
<div class="testata">
  <img src="copertina.jpg" width="120" height="90" alt="Copertina del numero">
  <div>
    <h1>Benvenuti nel CD di Zolt</h1>
    <p class="sotto">Numero 58 &middot; Ottobre 2001 &middot; {count} programmi per voi</p>
  </div>
</div>
<p>Scegliete una sezione dalle linguette in alto; nell'elenco a sinistra trovate i programmi,
con la descrizione, le immagini e il pulsante <b>Installa</b>. Con <b>Ricerca</b> trovate un
programma per nome e consultate l'archivio di tutti i numeri della rivista.</p>
<table>
<tr><th>Sezione</th><th>Sul CD di questo mese</th></tr>
{rows}
</table>
<p class="nota"><img src="cd.png" width="16" height="16" alt=""> I programmi shareware si
possono provare gratuitamente; per continuare a usarli registratevi presso i rispettivi autori.
La redazione non risponde di eventuali danni. Assistenza: <a href="mailto:cd@zolt.it">cd@zolt.it</a></p>
</body>
</html>
"""


def make_home(root):
    home = os.path.join(root, "Home")
    os.makedirs(home, exist_ok=True)
    sections = {}
    for item in ITEMS:
        parts = item["path"].split("/")
        entries = sections.setdefault(parts[0][:-1], [])
        if parts[1][:-1] not in entries:
            entries.append(parts[1][:-1])
    rows = "\n".join(
        "<tr><td><b>{}</b></td><td>{}</td></tr>".format(name, ", ".join(entries))
        for name, entries in sorted(sections.items()))
    write_text(os.path.join(home, "scheda.htm"), HOME_PAGE.format(rows=rows, count=len(ITEMS)))
    write_picture(os.path.join(home, "copertina.jpg"), (240, 180), "Zolt 58", "Ottobre 2001",
                  DARK, (20, 40, 60), "discs", LIGHT, 58)
    icon = Image.new("RGB", (16, 16), (255, 255, 255))
    draw = ImageDraw.Draw(icon)
    draw.ellipse([1, 1, 14, 14], fill=LIGHT, outline=DARK)
    draw.ellipse([6, 6, 9, 9], fill=DARK)
    icon.save(os.path.join(home, "cd.png"))
    write_banner(os.path.join(home, "banner.gif"), "Abbonati a Zolt", "12 numeri con CD a 50 euro",
                 DARK, (255, 240, 150), 7)
    # The address is split over two lines; the program joins them.
    write_text(os.path.join(home, "banner.txt"), "http://www.zolt.it/\nabbonamenti.htm\n")
    make_archive(os.path.join(home, "Archivio.xls"))


# --- The archive workbook ---------------------------------------------------------------------

MONTHS = ["Gennaio", "Febbraio", "Marzo", "Aprile", "Maggio", "Giugno", "Luglio", "Agosto",
          "Settembre", "Ottobre", "Novembre", "Dicembre"]
KINDS = ["gioco d'azione", "gioco di strategia", "avventura grafica", "utilità di sistema",
         "programma di grafica", "programma per Internet", "programma di contabilità",
         "lettore multimediale", "corso di inglese", "enciclopedia", "gioco di carte", "simulatore di volo",
         "antivirus", "programma di posta", "editor di testi", "gestione di foto"]
WORDS_A = ["Super", "Mega", "Turbo", "Magico", "Facile", "Rapido", "Pratico", "Gran", "Mini", "Maxi",
           "Euro", "Astro", "Vero", "Net", "Foto", "Casa"]
WORDS_B = ["Scacchi", "Disegno", "Motore", "Posta", "Agenda", "Ricette", "Calcio", "Puzzle", "Mappe",
           "Dischi", "Parole", "Note", "Viaggi", "Conti", "Stelle", "Orto", "Lingue", "Zip"]
LICENCES = ["versione completa", "shareware", "freeware", "demo giocabile", "versione di prova di 30 giorni"]


def first_sentence(text):
    end = text.find(".")
    if end < 0 or end > 160:
        end = text.rfind(" ", 0, 160)
    return text[:end].rstrip(":,") + "."


def make_archive(path):
    rng = random.Random(2001)
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("Archivio")
    bold = xlwt.easyxf("font: bold on; pattern: pattern solid, fore_colour pale_blue")
    for column, (title, width) in enumerate((("Titolo", 26), ("Numero", 22), ("Descrizione", 60),
                                             ("Pagina", 8))):
        sheet.write(0, column, title, bold)
        sheet.col(column).width = 256 * width
    rows = []
    # This disc's own programs are in the archive too.
    for item in ITEMS:
        if item.get("text"):
            rows.append((item["title"], 58, first_sentence(item["text"][0])))
    seen = set()
    while len(rows) < 360:
        name = rng.choice(WORDS_A) + " " + rng.choice(WORDS_B)
        if rng.random() < 0.3:
            name += " " + rng.choice(["2000", "98", "Plus", "Pro", "Junior", "Gold"])
        if name in seen:
            continue
        seen.add(name)
        issue = rng.randint(1, 57)
        description = "{} ({}): {}".format(rng.choice(KINDS).capitalize(), rng.choice(LICENCES),
                                           rng.choice(["per Windows 95 e 98", "per tutta la famiglia",
                                                       "in italiano", "con manuale in linea",
                                                       "per la scuola", "per l'ufficio"]))
        rows.append((name, issue, description))
    for row, (name, issue, description) in enumerate(rows, start=1):
        # Issue 1 came out in January 1997, one issue a month.
        month, year = MONTHS[(issue - 1) % 12], 1997 + (issue - 1) // 12
        sheet.write(row, 0, name)
        sheet.write(row, 1, "Zolt n. {} - {} {}".format(issue, month, year))
        sheet.write(row, 2, description)
        sheet.write(row, 3, 10 + (row * 7) % 150)
    book.save(path)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "examples", "demo-disc")
    if os.path.isdir(root):
        shutil.rmtree(root)
    os.makedirs(root)
    for index, item in enumerate(ITEMS):
        make_item(root, item, index)
    make_home(root)


if __name__ == "__main__":
    main()
