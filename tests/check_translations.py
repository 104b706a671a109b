#!/usr/bin/env python3
"""Every message the programs show has its translation.

    check_translations.py LUPDATE SOURCE_DIR TS...

Runs lupdate over the sources into a copy of each .ts file, as the target
gegu-update-translations does: the copy must be the .ts file itself (no message
new or gone since it was last brought up to date), and no message may be left
unfinished (without its translation). Lists the messages that are."""

import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
from pathlib import Path

FOLDERS = ["app", "common", "holdings", "import", "queries", "window"]


def untranslated(ts: Path):
    """The (context, source) of every message without a finished translation."""
    missing = []
    for context in ET.parse(ts).getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            translation = message.find("translation")
            forms = translation.findall("numerusform") if translation is not None else []
            texts = [f.text for f in forms] if forms else [
                translation.text if translation is not None else None]
            if (translation is None or translation.get("type") in ("unfinished", "vanished",
                                                                   "obsolete")
                    or not all(texts)):
                missing.append((name, message.findtext("source")))
    return missing


def main():
    lupdate, source, *files = sys.argv[1:]
    failed = False
    with tempfile.TemporaryDirectory() as tmp:
        for ts in map(Path, files):
            copy = Path(tmp) / ts.name
            shutil.copy(ts, copy)
            subprocess.run([lupdate, "-silent", "-locations", "none", "-no-obsolete",
                            "-no-ui-lines", "-source-language", "en", "-extensions", "cpp,h",
                            *FOLDERS, "-ts", str(copy)], cwd=source, check=True)
            missing = untranslated(copy)
            for context, text in missing:
                print(f"{ts.name}: no translation: {context}: {text!r}")
            if copy.read_bytes() != ts.read_bytes():
                print(f"{ts.name}: not up to date with the sources "
                      "(cmake --build build --target gegu-update-translations, then translate)")
                failed = True
            failed = failed or bool(missing)
            print(f"{ts.name}: {len(missing)} untranslated")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
