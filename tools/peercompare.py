#!/usr/bin/env python3
"""Compares the converter's table with what Gramps reads from the same GEDCOM files.

Gramps (Debian's `gramps` package) is an independent reader: for every person
its GEDCOM importer finds, this script looks up the same person in the table
of `rowsmith-convert --encoding utf-8 --dates sortable --enclose double FILE`
and compares given name, surname, sex, the dates and places of birth,
christening, death and burial, father and mother, and for every couple the
marriage date and place. The table names persons by record number (the index
of the level-0 record, the header being 0); a small scan of the file maps
each record number to its cross-reference, which Gramps keeps as its ID.

Each difference is sorted into a kind, and the kinds are printed with their
counts and a few examples (file, cross-reference, record number, ours and
Gramps'). A kind that a rule of the table explains says so in brackets:
[rule] for a deliberate difference, [D29]..[D36] for one that a decision of
issue 18 removes, [Gramps] for a file Gramps cannot read; [examine] marks
the ones that may be faults of ours.

Gramps is large and slow to start, so this never runs in .ci/run:
    bash tools/peercompare.sh [FILE...]          (installs gramps if missing)
    /usr/bin/python3 tools/peercompare.py [--converter build/src/rowsmith-convert] \
        [--examples N] [--testdata DIR] [FILE...]
Without files it compares every public file under ../shared/testdata/gedcom.
Gramps runs headless with HOME pointed at a temporary folder, so it leaves
nothing behind; on the 48 public files the whole run takes a few minutes.
"""

import argparse
import collections
import contextlib
import csv
import io
import os
import re
import subprocess
import sys
import tempfile
import time
import unicodedata

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
DEFAULT_TESTDATA = os.path.join(ROOT, "..", "shared", "testdata", "gedcom")

EVENTS = ("BIRT", "CHR", "DEAT", "BURI")
EVENT_WORDS = {"BIRT": "birth", "CHR": "christening", "DEAT": "death", "BURI": "burial"}
# The table's headers of one side; the right side inserts " (Partner)" before the colon.
SIDE_COLUMNS = {
    "id": "ID", "given": "Vorname", "surname": "Nachname", "sex": "Geschlecht",
    "BIRT.date": "Geburtsdatum", "BIRT.place": "Geburtsort",
    "CHR.date": "Taufdatum", "CHR.place": "Taufort",
    "DEAT.date": "Sterbedatum", "DEAT.place": "Sterbeort",
    "BURI.date": "Bestattungsdatum", "BURI.place": "Bestattungsort",
    "father": "ID Vater", "mother": "ID Mutter",
}
MONTHS = {m: i + 1 for i, m in enumerate(
    "JAN FEB MAR APR MAY JUN JUL AUG SEP OCT NOV DEC".split())}
# Gramps' date modifiers and qualities, and the GEDCOM words that stand for them.
MOD_NONE, MOD_BEFORE, MOD_AFTER, MOD_ABOUT, MOD_RANGE, MOD_SPAN, MOD_TEXT = range(7)
QUALIFIERS = {"BEF": MOD_BEFORE, "AFT": MOD_AFTER, "ABT": MOD_ABOUT}
CODEPAGE_CHARSETS = re.compile(
    r"^(IBMPC|IBM DOS|MSDOS|CP437|CP850|MACINTOSH|ISO-8859-\d+|WINDOWS-125\d|IBM WINDOWS)$", re.I)


# ---------------------------------------------------------------- the file itself

def decoded_lines(path):
    """The file's lines; bytes decoded only as far as the structure needs."""
    data = open(path, "rb").read()
    if data.startswith(b"\xef\xbb\xbf"):
        text = data[3:].decode("utf-8", "replace")
    elif data.startswith((b"\xff\xfe", b"\xfe\xff")) or (len(data) > 1 and (data[0] == 0 or data[1] == 0)):
        le = data.startswith(b"\xff\xfe") or (len(data) > 1 and data[1] == 0 and data[0] != 0)
        body = data[2:] if data.startswith((b"\xff\xfe", b"\xfe\xff")) else data
        text = body.decode("utf-16-le" if le else "utf-16-be", "replace")
    else:
        text = data.decode("utf-8", "replace")
    return re.split(r"\r\n|\r|\n", text)


class RawFile:
    """What the raw lines say, used to map record numbers and to explain differences."""

    def __init__(self, path):
        lines = decoded_lines(path)
        self.first_line_blank = bool(lines) and lines[0].strip(" \t\ufeff\x00") == ""
        self.charset = ""
        self.recno = {}          # xref without @ -> record number
        self.records = {}        # xref -> (tag, [(level, tag, value)])
        started = False
        number = -1
        current = None
        for line in lines:
            text = line.lstrip(" \t\ufeff")
            if not started:
                if not text.startswith("0 HEAD"):
                    continue
                started = True
            if not text:
                continue
            parts = text.split(" ", 2)
            if parts[0] == "0":
                number += 1
                xref = parts[1] if len(parts) > 1 and parts[1].startswith("@") else ""
                tag = (parts[2] if xref and len(parts) > 2 else (parts[1] if len(parts) > 1 else "")).split(" ")[0]
                current = None
                if xref:
                    key = xref.strip("@")
                    self.recno.setdefault(key, number)
                    current = self.records.setdefault(key, (tag, []))[1]
                continue
            if not parts[0].isdigit():
                continue
            level = int(parts[0])
            tag = parts[1] if len(parts) > 1 else ""
            value = parts[2].strip() if len(parts) > 2 else ""
            if number == 0 and level == 1 and tag == "CHAR":
                self.charset = value
            if current is not None:
                current.append((level, tag, value))

    def lines_of(self, xref):
        return self.records.get(xref, ("", []))[1]

    def tag_of(self, xref):
        return self.records.get(xref, ("", []))[0]

    def event_dates(self, xref, tags):
        """The DATE values directly below the record's events of the given tags."""
        dates, level = [], None
        for lvl, tag, value in self.lines_of(xref):
            if level is not None and lvl <= level:
                level = None
            if tag in tags:
                level = lvl
            elif level is not None and lvl == level + 1 and tag == "DATE":
                dates.append(value)
        return dates

    def links(self, xref, tag):
        return [v.strip("@") for lvl, t, v in self.lines_of(xref) if t == tag and v.startswith("@")]


# ---------------------------------------------------------------- our table

def column(header, key, right):
    name = SIDE_COLUMNS[key]
    return f"{name} (Partner) :" if right else f"{name} :"


def read_table(converter, path):
    started = time.monotonic()
    proc = subprocess.run([converter, "-q", "--encoding", "utf-8", "--dates", "sortable",
                           "--enclose", "double", path], capture_output=True)
    seconds = time.monotonic() - started
    persons, couples = {}, {}
    table = {"persons": persons, "couples": couples, "alone": collections.defaultdict(list),
             "unequal": [], "seconds": seconds, "error": ""}
    if proc.returncode != 0:
        table["error"] = proc.stderr.decode("utf-8", "replace").strip()
        return table
    rows = list(csv.reader(io.StringIO(proc.stdout.decode("utf-8", "replace")), delimiter=";"))
    if not rows:
        table["error"] = "empty output"
        return table
    header = {name: i for i, name in enumerate(rows[0])}
    marriage_date, marriage_place = header["Heiratsdatum :"], header["Heiratsort :"]
    for row in rows[1:]:
        ids = []
        for right in (False, True):
            cells = {k: row[header[column(header, k, right)]] for k in SIDE_COLUMNS}
            if cells["id"] in ("", "0"):
                ids.append(None)
                continue
            ids.append(cells["id"])
            first = persons.setdefault(int(cells["id"]), cells)
            if first != cells:
                table["unequal"].append((int(cells["id"]), first, cells))
        if ids[0] and ids[1]:
            couples.setdefault(frozenset((int(ids[0]), int(ids[1]))),
                               (row[marriage_date], row[marriage_place]))
        elif ids[0] or ids[1]:
            table["alone"][int(ids[0] or ids[1])].append((row[marriage_date], row[marriage_place]))
    return table


# ---------------------------------------------------------------- Gramps

def gramps_start():
    from gramps.gen.const import PLUGINS_DIR
    from gramps.gen.plug import BasePluginManager
    manager = BasePluginManager.get_instance()
    manager.reg_plugins(PLUGINS_DIR, None, None)
    # Loading the importer reloads its parser module, so gramps_read can only
    # hook the parser after this.
    for plugin in manager.get_reg_importers():
        if plugin.extension == "ged":
            manager.load_plugin(plugin)


def gramps_read(path):
    """Imports the file into an in-memory Gramps database; answers persons and families by xref."""
    import gramps.plugins.lib.libgedcom as libgedcom
    from gramps.gen.db.utils import import_as_dict
    from gramps.gen.lib import ChildRefType, EventRoleType, EventType
    from gramps.gen.user import User

    parsers = []
    original = libgedcom.GedcomParser.__init__

    def keep(self, *args, **kwargs):
        original(self, *args, **kwargs)
        parsers.append(self)

    libgedcom.GedcomParser.__init__ = keep
    try:
        with contextlib.redirect_stdout(io.StringIO()), contextlib.redirect_stderr(io.StringIO()):
            db = import_as_dict(path, User())
    except Exception as error:  # Gramps gives up on some files (UTF-16 without a byte-order mark)
        return None, f"{type(error).__name__}: {error}"
    finally:
        libgedcom.GedcomParser.__init__ = original
    if db is None or not parsers:
        return None, "import failed"
    person_xref = {gid: xref for xref, gid in parsers[-1].pid_map.map().items()}
    family_xref = {gid: xref for xref, gid in parsers[-1].fid_map.map().items()}
    types = {EventType.BIRTH: "BIRT", EventType.CHRISTEN: "CHR", EventType.BAPTISM: "BAPM",
             EventType.DEATH: "DEAT", EventType.BURIAL: "BURI"}

    def event(handle):
        e = db.get_event_from_handle(handle)
        place = ""
        if e.get_place_handle():
            place = db.get_place_from_handle(e.get_place_handle()).get_title()
        return e, e.get_date_object(), place

    def xref_of(handle):
        if not handle:
            return None
        gid = db.get_person_from_handle(handle).gramps_id
        return person_xref.get(gid, "?" + gid)

    persons, families = {}, {}
    for p in db.iter_people():
        xref = person_xref.get(p.gramps_id, "?" + p.gramps_id)
        name = p.get_primary_name()
        surnames = [" ".join(x for x in (s.get_prefix(), s.get_surname()) if x)
                    for s in name.get_surname_list()]
        events = collections.defaultdict(list)
        for ref in p.get_event_ref_list():
            if ref.get_role() != EventRoleType.PRIMARY:
                continue
            e, date, place = event(ref.ref)
            kind = types.get(e.get_type().value)
            if kind:
                events[kind].append((date, place))
        parents = []
        for fh in p.get_parent_family_handle_list():
            f = db.get_family_from_handle(fh)
            birth = all(r.get_father_relation() == ChildRefType.BIRTH and
                        r.get_mother_relation() == ChildRefType.BIRTH
                        for r in f.get_child_ref_list() if r.ref == p.handle)
            parents.append((family_xref.get(f.gramps_id, "?"), xref_of(f.get_father_handle()),
                            xref_of(f.get_mother_handle()), birth))
        persons[xref] = {
            "given": name.get_first_name(), "surname": ", ".join(surnames),
            "sex": {0: "W", 1: "M"}.get(p.get_gender(), ""),
            "events": events, "parents": parents,
        }
    for f in db.iter_families():
        marriages = []
        for ref in f.get_event_ref_list():
            e, date, place = event(ref.ref)
            if e.get_type().value == EventType.MARRIAGE:
                marriages.append((date, place))
        families[family_xref.get(f.gramps_id, "?" + f.gramps_id)] = {
            "father": xref_of(f.get_father_handle()), "mother": xref_of(f.get_mother_handle()),
            "marriages": marriages}
    db.close()
    return persons, families


# ---------------------------------------------------------------- dates

def date_is_set(date):
    return not date.is_empty() or bool(date.get_text())


def gramps_date(date):
    """(modifier, year, month, day) of a Gramps date, or (MOD_TEXT, text)."""
    if not date_is_set(date):
        return None
    mod = date.get_modifier()
    if mod == MOD_TEXT:
        return (MOD_TEXT, date.get_text().strip())
    if date.get_quality() != 0 and mod == MOD_NONE:
        mod = MOD_ABOUT  # EST and CAL
    return (mod, date.get_year(), date.get_month(), date.get_day())


OUR_DATE = re.compile(r"^(?:(ABT|BEF|AFT|EST|CAL)\s*)?(\d{3,4})(\d\d)?(\d\d)?$")
OUR_MONTH_YEAR = re.compile(r"^(?:(ABT|BEF|AFT|EST|CAL)\s*)?(?:(\d{1,2})\s+)?([A-Za-z]{3})\s+(\d{3,4})$")


def our_date(text):
    """(modifier, year, month, day) of a sortable date cell, or (MOD_TEXT, text)."""
    text = text.strip()
    if not text:
        return None
    m = OUR_DATE.match(text)
    if m:
        mod = QUALIFIERS.get(m.group(1), MOD_ABOUT if m.group(1) else MOD_NONE)
        return (mod, int(m.group(2)), int(m.group(3) or 0), int(m.group(4) or 0))
    m = OUR_MONTH_YEAR.match(text)
    if m and m.group(3).upper() in MONTHS:
        mod = QUALIFIERS.get(m.group(1), MOD_ABOUT if m.group(1) else MOD_NONE)
        return (mod, int(m.group(4)), MONTHS[m.group(3).upper()], int(m.group(2) or 0))
    return (MOD_TEXT, " ".join(text.split()))


NOT_PLAIN_DATE = re.compile(r"\d.*[^\d\s.A-Za-z]")


def explain_date(ours, theirs, raw_dates):
    """The kind of a date difference, or None when the two agree."""
    a, b = our_date(ours), gramps_date(theirs) if theirs is not None else None
    if a == b:
        return None
    if b and b[0] == MOD_TEXT and a and a[0] == MOD_TEXT and a[1] == " ".join(b[1].split()):
        return None
    if a and a[0] == MOD_TEXT and a[1] in (" ".join(d.split()) for d in raw_dates):
        if b and b[0] in (MOD_RANGE, MOD_SPAN):
            return "BET/FROM period kept as written, Gramps reads a range [rule]"
        return "date kept as written (INT, a phrase), Gramps reads it [rule]"
    if any(NOT_PLAIN_DATE.search(d) for d in raw_dates):
        return "non-standard date (dual year, range with '-', '?') converted as if plain [D29]"
    if a is None:
        return "date empty in ours [examine]"
    if b is None:
        return "date in ours, none in Gramps [examine]"
    if b[0] in (MOD_RANGE, MOD_SPAN) and a[0] == MOD_TEXT:
        return "BET/FROM period kept as written, Gramps reads a range [rule]"
    if b[0] == MOD_TEXT and a[0] != MOD_TEXT:
        if re.match(r"^\d\d? [A-Z]{3} \d{3,4}$", b[1]):
            return "day that Gramps' calendar lacks (29 FEB 1739, Julian) converted as written [rule]"
        return "date Gramps cannot read (text only), ours converts it [examine]"
    if a[0] == MOD_TEXT and b[0] != MOD_TEXT:
        if re.match(r"^[A-Z]+ ?(\d\d?\.)?(\d\d\.)?\d{3,4}$", a[1]):
            return "qualifier with a day.month.year date: ours keeps it as written [rule]"
        return "ours keeps as written a date Gramps reads [examine]"
    if a[1:] == b[1:]:
        return "qualifier differs (Gramps: EST/CAL/INT as about, ours as written) [rule]"
    if any(re.match(r"^\d\d?\.\d\d?\.\d{3,4}$", d.strip()) for d in raw_dates):
        return "numeric date d.m.y read day first; Gramps reads month first [rule]"
    return "date value differs [examine]"


# ---------------------------------------------------------------- comparing

def d33_choice(events):
    """The event whose date and place the table shows: the last with a DATE, else the last with a PLAC."""
    dated = [e for e in events if date_is_set(e[0])]
    if dated:
        return dated[-1]
    placed = [e for e in events if e[1].strip()]
    return placed[-1] if placed else None


def norm(text):
    return unicodedata.normalize("NFC", " ".join(text.split()))


def letters_kind(mine, theirs, raw):
    """The kind of a difference in letters outside ASCII only, or None when ASCII differs too."""
    if re.sub(r"[^\x00-\x7f]+", "", mine) != re.sub(r"[^\x00-\x7f]+", "", theirs):
        return None
    charset = raw.charset.strip()
    try:
        # 0x85 is a line break in Latin-1, which ends the value there.
        as_latin1 = mine.encode("cp1252").decode("latin-1")
        if as_latin1 != mine and theirs in (as_latin1, as_latin1.split("\x85")[0].strip()):
            return f"Gramps reads CHAR {charset} as Latin-1: 0x80-0x9F become control characters [Gramps]"
    except UnicodeError:
        pass
    if CODEPAGE_CHARSETS.match(charset):
        return f"letters of a code-page file (CHAR {charset}) [D31]"
    if charset.upper() == "ANSEL" and "\u00d0" in mine and "\u0110" in theirs:
        return "ANSEL 0xA3 read as \u00d0 (eth), not \u0110 (D with stroke) [D31]"
    return "letters outside ASCII differ [examine]"


def cosmetic(mine, theirs):
    """The kind of a difference that changes no letter, or None when there is none."""
    if mine.strip() == theirs.strip():
        return None
    if " ".join(mine.split()) == " ".join(theirs.split()):
        return "blanks differ [rule]"
    if unicodedata.normalize("NFC", mine) == mine:
        return "same letters, Gramps' not composed (NFC) [Gramps]"
    return "same letters, ours not composed (NFC) [examine]"


class Report:
    def __init__(self, examples):
        self.examples = examples
        self.kinds = collections.OrderedDict()
        self.couples = 0

    def add(self, field, kind, where, ours, theirs):
        key = f"{field}: {kind}"
        entry = self.kinds.setdefault(key, [0, [], collections.Counter()])
        entry[0] += 1
        entry[2][where.split(" @")[0].split(" #")[0]] += 1
        if len(entry[1]) < self.examples or field == "file":
            entry[1].append(f"{where}: ours {ours!r}, Gramps {theirs!r}")

    def print(self, out):
        def order(item):
            key, (count, _, _) = item
            tag = re.search(r"\[([^\]]+)\]$", key)
            rank = {"examine": 0, "rule": 2, "Gramps": 3}.get(tag.group(1) if tag else "", 1)
            return (rank, -count, key)
        for key, (count, examples, files) in sorted(self.kinds.items(), key=order):
            print(f"{count:6d}  {key}", file=out)
            if not key.startswith("file:"):
                print("          in " + ", ".join(f"{f} ({n})" for f, n in files.most_common()), file=out)
            for e in examples:
                print(f"          {e}", file=out)


def compare_file(path, converter, report, label):
    raw = RawFile(path)
    table = read_table(converter, path)
    persons, couples, convert_seconds, error = (table["persons"], table["couples"],
                                                table["seconds"], table["error"])
    gp, gf = gramps_read(path)
    if gp is None:
        report.add("file", "Gramps cannot import it [Gramps]", label, f"{len(persons)} persons", gf)
        return 0, 0, convert_seconds
    if not gp and persons:
        report.add("file", "Gramps reads no person [Gramps]", label, f"{len(persons)} persons", "none")
        return 0, 0, convert_seconds
    if error:
        kind = ("refused: first line blank before 0 HEAD [D32]" if raw.first_line_blank
                else "converter failed [examine]")
        report.add("file", kind, label, error, f"{len(gp)} persons")
        return 0, len(gp), convert_seconds
    recno = raw.recno
    xref_of = {n: x for x, n in recno.items()}
    matched = 0

    def rec(xref):
        return str(recno.get(xref, "?")) if xref else "0"

    for xref, g in gp.items():
        where = f"{label} @{xref}@"
        if raw.tag_of(xref) != "INDI":
            report.add("person", "made up by Gramps for a reference without a record [Gramps]",
                       where, "", f"{g['given']} /{g['surname']}/")
            continue
        number = recno.get(xref)
        ours = persons.get(number)
        if ours is None:
            names = [v for lvl, t, v in raw.lines_of(xref) if t in ("NAME", "GIVN", "SURN") and v.strip(" /")]
            kind = "person without any name is not listed [rule]" if not names else "person missing from the table [examine]"
            report.add("person", kind, where, "", f"{g['given']} /{g['surname']}/")
            continue
        matched += 1
        where = f"{label} @{xref}@ #{number} {ours['given']} {ours['surname']}".rstrip()
        lines = raw.lines_of(xref)
        uncommon_name = any(t in ("SPFX",) for _, t, _ in lines) or any(
            t in ("ROMN", "FONE", "TRAN") for _, t, _ in lines) or any(
            t == "NAME" and re.search(r"//\s*\S", v) for _, t, v in lines)
        for field, theirs in (("given", g["given"]), ("surname", g["surname"])):
            mine = ours[field]
            if norm(mine) == norm(theirs):
                kind = cosmetic(mine, theirs)
                if kind:
                    report.add(field, kind, where, mine, theirs)
                continue
            if mine == "NN" and not theirs:
                continue  # the table's stand-in for a missing name ("/Becker/" has the given names "NN")
            name_values = [v for _, t, v in lines if t == "NAME" and v.strip()]
            if name_values and "/" not in name_values[0] and not any(t in ("GIVN", "SURN") for _, t, _ in lines):
                report.add(field, "NAME without slashes: all of it is the surname [rule]", where, mine, theirs)
                continue
            if uncommon_name:
                kind = "name with //, SPFX or a ROMN/FONE/TRAN variant [D30]"
            elif letters_kind(mine, theirs, raw):
                kind = letters_kind(mine, theirs, raw)
            elif field == "given" and not theirs and mine:
                kind = "given name where Gramps has none [examine]"
            else:
                kind = "differs [examine]"
            report.add(field, kind, where, mine, theirs)
        if ours["sex"] != g["sex"]:
            report.add("sex", "differs [examine]", where, ours["sex"], g["sex"])
        for ev in EVENTS:
            events = g["events"].get(ev, [])
            if ev == "CHR" and not events:
                events = g["events"].get("BAPM", [])
            chosen = d33_choice(events)
            raw_dates = raw.event_dates(xref, ("CHR", "BAPM") if ev == "CHR" else (ev,))
            theirs_date = chosen[0] if chosen else None
            kind = explain_date(ours[ev + ".date"], theirs_date, raw_dates)
            several = len(events) > 1
            if kind:
                if several and "[examine]" in kind:
                    kind = "several events: date of another one [D33]"
                elif ev == "CHR" and "BAPM" in {t for _, t, _ in lines} and not ours[ev + ".date"]:
                    kind = "BAPM without CHR not read [D33]"
                report.add(EVENT_WORDS[ev] + " date", kind, where, ours[ev + ".date"],
                           str(theirs_date) if theirs_date else "")
            theirs_place = chosen[1] if chosen else ""
            mine = ours[ev + ".place"]
            if norm(mine) != norm(theirs_place):
                if several:
                    kind = "several events: place of another one [D33]"
                elif ev == "CHR" and not mine and "BAPM" in {t for _, t, _ in lines}:
                    kind = "BAPM without CHR not read [D33]"
                else:
                    kind = letters_kind(mine, theirs_place, raw) or "differs [examine]"
                report.add(EVENT_WORDS[ev] + " place", kind, where, mine, theirs_place)
            elif cosmetic(mine, theirs_place):
                report.add(EVENT_WORDS[ev] + " place", cosmetic(mine, theirs_place), where, mine, theirs_place)
        parents = g["parents"]
        birth = [p for p in parents if p[3]]
        chosen = (birth or parents or [(None, None, None, True)])[0]
        for field, theirs in (("father", chosen[1]), ("mother", chosen[2])):
            expected = rec(theirs) if theirs != xref else "0"
            if ours[field] == expected:
                continue
            famc = raw.links(xref, "FAMC")
            if len(parents) > 1:
                kind = "several parent families: another one chosen [D33]"
            elif chosen[0] and chosen[0] not in famc:
                kind = "family names the child (CHIL) but the child has no FAMC [D35]"
            else:
                kind = "differs [examine]"
            report.add(field, kind, where, ours[field], f"{expected} (@{theirs}@)" if theirs else expected)

    for number, first, other in table["unequal"]:
        keys = [k for k in SIDE_COLUMNS if first[k] != other[k]]
        report.add("person", "cells differ between the person's rows [examine]",
                   f"{label} #{number} {','.join(keys)}", first[keys[0]], other[keys[0]])

    # A family with one spouse: the marriage shows in that person's own row.
    for fxref, f in gf.items():
        spouses = [x for x in (f["father"], f["mother"]) if x and raw.tag_of(x) == "INDI"]
        dated = [m for m in f["marriages"] if date_is_set(m[0])]
        if len(spouses) != 1 or not dated or recno.get(spouses[0]) not in persons:
            continue
        number = recno[spouses[0]]
        report.couples += 1
        shown = [d for d, _ in table["alone"].get(number, [])]
        if not any(explain_date(d.split(" / ")[0], dated[0][0], []) is None for d in shown):
            report.add("marriage date", "one-spouse family's marriage not in the person's row [examine]",
                       f"{label} @{fxref}@ #{number}", " | ".join(shown), str(dated[0][0]))

    # Couples and their marriages.
    theirs_couples = collections.defaultdict(list)
    for fxref, f in gf.items():
        if f["father"] and f["mother"] and raw.tag_of(f["father"]) == "INDI" and raw.tag_of(f["mother"]) == "INDI":
            key = frozenset((recno.get(f["father"]), recno.get(f["mother"])))
            theirs_couples[key].append((recno.get(fxref, 10**9), fxref, f))
    for key, fams in theirs_couples.items():
        fams.sort(key=lambda x: x[0])
        a, b = sorted(key)
        names = " & ".join(f"@{xref_of.get(n)}@" for n in (a, b))
        where = f"{label} {names} #{a}+#{b}"
        if key not in couples:
            one_sided = any(fx not in raw.links(f["father"], "FAMS") or fx not in raw.links(f["mother"], "FAMS")
                            for _, fx, f in fams)
            kind = "couple missing: a spouse lacks the FAMS line [D35]" if one_sided else "couple missing [examine]"
            report.add("couple", kind, where, "", "family " + ",".join("@%s@" % fx for _, fx, _ in fams))
            continue
        report.couples += 1
        marriages = [m for _, _, f in fams for m in f["marriages"]
                     if date_is_set(m[0]) or m[1].strip()]
        first = marriages[0] if marriages else None
        later = [m for m in marriages[1:] if date_is_set(m[0])]
        second = later[-1] if later else None
        mine_date, mine_place = couples[key]
        date_parts = mine_date.split(" / ")
        place_parts = mine_place.split(" / ")
        raw_dates = [d for _, fx, _ in fams for d in raw.event_dates(fx, ("MARR",))]
        checks = [("marriage date", date_parts[0], first[0] if first else None, True),
                  ("marriage place", place_parts[0], first[1] if first else "", False)]
        if second or len(date_parts) > 1:
            checks += [("marriage date 2", date_parts[1] if len(date_parts) > 1 else "",
                        second[0] if second else None, True),
                       ("marriage place 2", place_parts[1] if len(place_parts) > 1 else "",
                        second[1] if second else "", False)]
        for field, mine, theirs, is_date in checks:
            if is_date:
                kind = explain_date(mine, theirs, raw_dates)
                shown = str(theirs) if theirs else ""
            else:
                kind = (cosmetic(mine, theirs) if norm(mine) == norm(theirs)
                        else letters_kind(mine, theirs, raw) or "differs [examine]")
                shown = theirs
            if kind and len(fams) > 1:
                kind = "couple with several families: marriages of one only [D34]"
            elif kind and "[examine]" in kind and len(marriages) > 1:
                kind = "several MARR events [examine]"
            if kind:
                report.add(field, kind, where, mine, shown)
    for key in couples:
        if key not in theirs_couples:
            a, b = sorted(key)
            report.add("couple", "in ours, not in Gramps [examine]",
                       f"{label} @{xref_of.get(a)}@ & @{xref_of.get(b)}@ #{a}+#{b}", "couple", "")
    return matched, len(gp), convert_seconds


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("files", nargs="*")
    parser.add_argument("--converter", default=os.path.join(ROOT, "build", "src", "rowsmith-convert"))
    parser.add_argument("--examples", type=int, default=3, help="examples shown per kind")
    parser.add_argument("--testdata", default=DEFAULT_TESTDATA,
                        help="folder of GEDCOM files compared when none are named")
    args = parser.parse_args()
    base = os.path.normpath(args.testdata)
    files = args.files
    if not files:
        if not os.path.isdir(base):
            sys.exit(f"peercompare: no folder {base} (name one with --testdata)")
        files = sorted(os.path.join(d, f) for d, _, names in os.walk(base) for f in names
                       if f.lower().endswith((".ged", ".gedcom")))
    if not os.access(args.converter, os.X_OK):
        sys.exit(f"peercompare: no converter at {args.converter} (build it first)")

    started = time.monotonic()
    with tempfile.TemporaryDirectory(prefix="peercompare-") as home:
        os.environ["HOME"] = home  # Gramps keeps its settings and databases under HOME
        os.environ.setdefault("LANG", "C.UTF-8")
        gramps_start()
        report = Report(args.examples)
        total_matched = total_persons = 0
        convert_seconds = 0.0
        for path in files:
            label = os.path.relpath(path, base) if not args.files else path
            t = time.monotonic()
            matched, persons, seconds = compare_file(path, args.converter, report, label)
            convert_seconds += seconds
            total_matched += matched
            total_persons += persons
            print(f"{label}: {matched}/{persons} persons compared ({time.monotonic() - t:.1f} s)",
                  file=sys.stderr)
    print(f"{len(files)} files, {total_matched} of {total_persons} persons and "
          f"{report.couples} couples compared")
    print("Differences by kind ([examine]: may be a fault of ours; [Dnn]: a decision of issue 18 "
          "removes it; [rule]: the table's own rule; [Gramps]: a limit of Gramps):")
    report.print(sys.stdout)
    print(f"{sum(entry[0] for entry in report.kinds.values())} differences; "
          f"{time.monotonic() - started:.0f} s in all ({convert_seconds:.1f} s converting)")


if __name__ == "__main__":
    main()
