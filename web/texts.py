#!/usr/bin/env python3
"""Writes the page's language texts as JSON: English from the shipped
language file NLS.44, German from the defaults the desktop program has built
in (the third argument of its text look-ups, found in the sources).
Usage: texts.py REPO_ROOT OUT.json"""
import json
import re
import sys
from pathlib import Path

root = Path(sys.argv[1])
out = Path(sys.argv[2])

STRING = r'"(?:[^"\\]|\\.)*"'


def unquote(pieces):
    out = []
    for literal in re.findall(STRING, pieces):
        out.append(bytes(literal[1:-1], 'utf-8').decode('unicode_escape').encode('latin-1').decode('utf-8'))
    return ''.join(out)


def read_ini(path):
    sections, section = {}, None
    for line in path.read_text(encoding='utf-8').splitlines():
        if line.startswith('[') and line.endswith(']'):
            section = sections.setdefault(line[1:-1], {})
        elif '=' in line and section is not None:
            key, value = line.split('=', 1)
            section[key] = value.replace('<#13><#10>', '\n').replace('<#10>', '\n').replace('<#13>', '')
    return sections


english = read_ini(root / 'data/nls/NLS.44')
sources = '\n'.join(p.read_text(encoding='utf-8') for p in sorted((root / 'src').rglob('*.cpp')))

# The headers: key and German text stand together in the column schema.
schema = (root / 'src/import/resultcolumns.cpp').read_text(encoding='utf-8')
columns = re.findall(r'\{(' + STRING + r'),\s*(' + STRING + r'),\s*K::', schema)
header_keys = [unquote(key) for key, _ in columns]
german_headers = [unquote(header) for _, header in columns]

# Where the desktop keeps the German default of a key, most exact first: a
# direct look-up, a helper of the form's own, the caption a widget is created
# with, the names of the import phases.
phases = dict(re.findall(r'ImportPhase::(\w+): return (' + STRING + ')', sources))


def german_default(section, key):
    k = re.escape(key)
    patterns = [
        r'GetNLSText\(\s*"' + re.escape(section) + r'"\s*,\s*"' + k + r'"\s*,\s*((?:' + STRING + r'\s*)+)\)',
        r'\b(?:text|nlsText|option|group|captionBar)\((?:\w+,\s*)?"' + k + r'"\s*,\s*((?:' + STRING + r'\s*)+)\)',
        r'\b' + k + r'\s*=\s*new\s+Q\w+\((?:platform::fromUtf8\()?((?:' + STRING + r'\s*)+)',
        r'\b' + k + r'->setText\(((?:' + STRING + r'\s*)+)\)',
        # a row of the export options' table: group, place, object name, German caption
        r'(?:G|ExportGroup)::\w+,\s*(?:\d+,\s*)?"' + k + r'"\s*,\s*((?:' + STRING + r'\s*)+)\}',
        # a widget whose C++ name differs from the object name the texts key on
        r'\b(?:\w+)\s*=\s*new\s+Q\w+\((?:platform::fromUtf8\()?((?:' + STRING + r'\s*)+)[^;]*;\s*\w+->setObjectName\("' + k + r'"\)',
    ]
    for pattern in patterns:
        match = re.search(pattern, sources)
        if match:
            return unquote(match.group(1))
    if section == 'ImportProgress' and key in phases:
        return unquote(phases[key])
    if key == section:  # a form's caption, set where the form is built
        for path in sorted((root / 'src').rglob('*.cpp')):
            text = path.read_text(encoding='utf-8')
            match = re.search(r'setWindowTitle\((' + STRING + r')\)', text)
            if '"' + key + '"' in text and match:
                return unquote(match.group(1))
    if key == 'WelcomeText':
        match = re.search(r'welcomeText\(\) \{\s*static const std::string text =\s*((?:' + STRING + r'\s*)+);', sources)
        if match:
            return unquote(match.group(1)).replace('\r\n', '\n')
    if section == 'Information' and key == 'PersonsImported':
        return '%s Personen importiert!'
    return None


german = {}
missing = []
for section, keys in english.items():
    german[section] = {}
    for key in keys:
        if section == 'Headers' and key in header_keys:
            german[section][key] = german_headers[header_keys.index(key)]
            continue
        text = german_default(section, key)
        if text is None:
            missing.append(section + '/' + key)
        else:
            german[section][key] = text

out.write_text(json.dumps({'de': german, 'en': english}, ensure_ascii=False, indent=0), encoding='utf-8')
if missing:
    print('texts.py: no German default found for ' + ', '.join(missing) + ' (the English text stands in)',
          file=sys.stderr)
