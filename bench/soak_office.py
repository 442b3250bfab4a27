#!/usr/bin/python3
# The user's side of bench/soak.sh, through the office's own Python bridge (python3-uno): makes the
# soak's spreadsheets, opens them again after the office was killed, edits and stores an original
# as a user does, and at the end checks what Tallyguard left: the history log against the files,
# the kept copies against their documents (each opened in the office, two cells read).
#   soak_office.py PIPE make DOCS             make the documents (then closes them)
#   soak_office.py PIPE open DOCS             open them all, and one new workbook never stored
#   soak_office.py PIPE edit DOCS NAME VALUE  B1 := VALUE in the open document NAME, then store it
#   soak_office.py - names                    the stored documents' file names, one a line
#   soak_office.py PIPE verify DOCS COPIES HISTORY KEEP NAME=MAXVALUE...
#                                             prints the figures; exit status = figures missed
# Every document holds its own mark in A1 ("soak <name>") and the user's last edit in B1.
import os
import re
import sys
import time

PASSWORD = "soak-secret"
CSV_FILTER = "Text - txt - csv (StarCalc)"
CSV_OPTIONS = "44,34,76,1"
XLSX_FILTER = "Calc MS Excel 2007 XML"
UNTITLED_MARK = "soak never stored"
OFFICE_TEMPORARY = re.compile(r"^lu[0-9a-z]+\.tmp$")
OFFICE_LOCK = re.compile(r"^\.~lock\..*#$")

# name, filter it is stored with, password
DOCUMENTS = [
    ("Ledger.ods", "calc8", None),
    ("Stock.ods", "calc8", None),
    ("Plan.ods", "calc8", None),
    ("Sales.xlsx", XLSX_FILTER, None),
    ("Costs.xlsx", XLSX_FILTER, None),
    ("Team.xlsx", XLSX_FILTER, None),
    ("Orders.csv", CSV_FILTER, None),
    ("Export.csv", CSV_FILTER, None),
    ("Vault.ods", "calc8", PASSWORD),
]


def mark(name):
    return "soak " + name


if len(sys.argv) >= 3 and sys.argv[2] == "names":
    for name, _, _ in DOCUMENTS:
        print(name)
    sys.exit(0)

import uno  # noqa: E402  (only where the office is needed: `names` runs without it)
from com.sun.star.beans import PropertyValue  # noqa: E402
from com.sun.star.connection import NoConnectException  # noqa: E402


def props(**values):
    result = []
    for key, value in values.items():
        p = PropertyValue()
        p.Name = key
        p.Value = value
        result.append(p)
    return tuple(result)


def connect(pipe, seconds=90):
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", local)
    deadline = time.monotonic() + seconds
    while True:
        try:
            context = resolver.resolve(
                "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
            return context.ServiceManager.createInstanceWithContext(
                "com.sun.star.frame.Desktop", context)
        except NoConnectException:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.1)


def url(path):
    return uno.systemPathToFileUrl(os.path.abspath(path))


def load_properties(filter_name, password, read_only=False):
    values = {"Hidden": True}
    if filter_name == CSV_FILTER:
        values["FilterName"] = CSV_FILTER
        values["FilterOptions"] = CSV_OPTIONS
    if password:
        values["Password"] = password
    if read_only:
        values["ReadOnly"] = True
    return props(**values)


def store_properties(filter_name, password):
    values = {"FilterName": filter_name, "Overwrite": True}
    if filter_name == CSV_FILTER:
        values["FilterOptions"] = CSV_OPTIONS
    if password:
        values["Password"] = password
    return props(**values)


def first_sheet(document):
    return document.Sheets.getByIndex(0)


def make(desktop, docs):
    os.makedirs(docs, exist_ok=True)
    for name, filter_name, password in DOCUMENTS:
        document = desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0,
                                                props(Hidden=True))
        sheet = first_sheet(document)
        for row in range(1, 20):
            for column in range(5):
                sheet.getCellByPosition(column, row).setValue(row * 10 + column)
        sheet.getCellByPosition(0, 0).setString(mark(name))
        sheet.getCellByPosition(1, 0).setValue(0)
        document.storeAsURL(url(os.path.join(docs, name)), store_properties(filter_name, password))
        document.close(True)


def open_all(desktop, docs):
    for name, filter_name, password in DOCUMENTS:
        document = desktop.loadComponentFromURL(url(os.path.join(docs, name)), "_blank", 0,
                                                load_properties(filter_name, password))
        if document is None:
            raise RuntimeError("the office did not open " + name)
    untitled = desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0,
                                            props(Hidden=True))
    sheet = first_sheet(untitled)
    sheet.getCellByPosition(0, 0).setString(UNTITLED_MARK)
    sheet.getCellByPosition(1, 0).setValue(0)


def open_document(desktop, path):
    wanted = url(path)
    components = desktop.getComponents().createEnumeration()
    while components.hasMoreElements():
        component = components.nextElement()
        if component.getURL() == wanted:
            return component
    raise RuntimeError("not open in the office: " + path)


def edit(desktop, docs, name, value):
    document = open_document(desktop, os.path.join(docs, name))
    first_sheet(document).getCellByPosition(1, 0).setValue(int(value))
    document.store()


# --- the checks at the end ----------------------------------------------------------------------

SAVED = re.compile(r"^(.*) was backup saved as (.*) at [^ ].*$")
REMOVED = re.compile(r"^(.*) removed \(keeping the newest (\d+)\) at [^ ].*$")
# The history names a workbook never stored by its title and the extension its copy gets.
UNTITLED_NAME = re.compile(r"^Untitled \d+(\.ods)?$")


def read_history(path):
    entries = []  # ("saved", document name, copy path) or ("removed", None, copy path)
    unreadable = []
    with open(path, "rb") as log:
        for raw in log.read().decode("utf-8", "replace").split("\r\n"):
            if raw == "":
                continue
            saved = SAVED.match(raw)
            if saved:
                entries.append(("saved", saved.group(1), saved.group(2)))
                continue
            removed = REMOVED.match(raw)
            if removed:
                entries.append(("removed", None, removed.group(1)))
                continue
            unreadable.append(raw)
    return entries, unreadable


def expected_copy_name(document, copy_path, copies):
    """True when a copy's path is what the naming rules give this document in the chosen folder."""
    folder, file_name = os.path.split(copy_path)
    if os.path.normpath(folder) != os.path.normpath(copies):
        return False
    if UNTITLED_NAME.match(document):
        base, extension = document.removesuffix(".ods"), ".ods"
    else:
        base, extension = os.path.splitext(document)
    return file_name.startswith(base + " Date ") and file_name.endswith(extension)


def document_of_copy(file_name):
    for name, filter_name, password in DOCUMENTS:
        base, extension = os.path.splitext(name)
        if file_name.startswith(base + " Date ") and file_name.endswith(extension):
            return name, filter_name, password
    if re.match(r"^Untitled \d+ Date .*\.ods$", file_name):
        return "untitled", "calc8", None
    return None, None, None


def read_cells(desktop, path, filter_name, password):
    document = desktop.loadComponentFromURL(url(path), "_blank", 0,
                                            load_properties(filter_name, password, True))
    if document is None:
        return None
    try:
        sheet = first_sheet(document)
        return sheet.getCellByPosition(0, 0).getString(), sheet.getCellByPosition(1, 0).getValue()
    finally:
        document.close(True)


def opens_without_password(desktop, path):
    try:
        document = desktop.loadComponentFromURL(url(path), "_blank", 0,
                                                props(Hidden=True, ReadOnly=True))
    except Exception:
        return False
    if document is None:
        return False
    document.close(True)
    return True


class Figures:
    def __init__(self):
        self.missed = 0

    def show(self, text, value, target, met):
        self.missed += 0 if met else 1
        print("%s: %s (target %s: %s)" % (text, value, target, "met" if met else "MISSED"))

    def zero(self, text, value):
        self.show(text, value, "0", value == 0)


def verify(desktop, docs, copies, history, keep, maxima):
    figures = Figures()
    stored_names = {name for name, _, _ in DOCUMENTS}
    entries, unreadable = read_history(history)

    # History lines: every copy named is on disk, or a later line says it was removed; every name
    # fits its document and the chosen folder; every removal names a copy that is gone.
    wrong_lines = []
    for index, (kind, document, path) in enumerate(entries):
        later = entries[index + 1:]
        if kind == "saved":
            if document not in stored_names and not UNTITLED_NAME.match(document):
                wrong_lines.append("unknown document: %s -> %s" % (document, path))
            elif not expected_copy_name(document, path, copies):
                wrong_lines.append("wrong name for %s: %s" % (document, path))
            elif not os.path.exists(path) and not any(
                    k == "removed" and p == path for k, _, p in later):
                wrong_lines.append("missing, never logged as removed: %s" % path)
        else:
            if not any(k == "saved" and p == path for k, _, p in entries[:index]):
                wrong_lines.append("removal of a copy never logged as made: %s" % path)
            elif os.path.exists(path) and not any(
                    k == "saved" and p == path for k, _, p in later):
                wrong_lines.append("logged as removed but still there: %s" % path)
    saved_lines = sum(1 for kind, _, _ in entries if kind == "saved")
    removed_lines = len(entries) - saved_lines
    print("history: %d lines of copies made, %d of copies removed, %d of neither kind"
          % (saved_lines, removed_lines, len(unreadable)))
    figures.zero("history lines naming a missing or wrong file", len(wrong_lines) + len(unreadable))
    for line in (wrong_lines + unreadable)[:10]:
        print("  " + line)

    # The copies on disk, by document.
    on_disk = {}
    orphans = []
    logged = {path for kind, _, path in entries if kind == "saved"}
    office_leftovers = []
    for file_name in sorted(os.listdir(copies)):
        if file_name.endswith(".tallyguard-partial"):
            continue  # counted on their own
        if OFFICE_TEMPORARY.match(file_name) or OFFICE_LOCK.match(file_name):
            office_leftovers.append(file_name)
            continue
        path = os.path.join(copies, file_name)
        document, _, _ = document_of_copy(file_name)
        on_disk.setdefault(document or "unknown", []).append(path)
        if path not in logged:
            orphans.append(path)
    figures.zero("copies on disk that no history line names", len(orphans))
    for path in orphans[:10]:
        print("  " + path)
    # The office stores through a temporary file of its own beside the target and holds a lock
    # file on the target meanwhile; killed during a store, it leaves them behind. Not the
    # program's files, and not ones it may delete: the user's own saves into that folder make the
    # same kinds.
    print("the office's own files left in the copies folder by its kills (lu*.tmp temporaries,"
          " .~lock.*# lock files): %d%s"
          % (len(office_leftovers),
             " (" + ", ".join(office_leftovers[:5]) + ")" if office_leftovers else ""))

    # Per stored document: the KEEP newest of its copies, by the order of the history, and beyond
    # them at most KEEP more (the newest copy of each earlier version, where copies may repeat
    # their version).
    wrong_documents = []
    counts = []
    for name in sorted(stored_names):
        made = []
        for kind, document, path in entries:
            if kind == "saved" and document == name:
                if path in made:
                    made.remove(path)
                made.append(path)
        newest = set(made[-keep:])
        kept = set(on_disk.get(name, []))
        counts.append("%s %d" % (name, len(kept)))
        if not newest <= kept or len(kept) > 2 * keep or not kept <= set(made):
            wrong_documents.append("%s: %d kept, %d of them among the %d newest"
                                   % (name, len(kept), len(kept & newest), len(newest)))
    figures.show("documents without their %d newest stamped copies, or with more than %d"
                 % (keep, 2 * keep), len(wrong_documents), "0", not wrong_documents)
    print("  kept per document: " + ", ".join(counts))
    for line in wrong_documents:
        print("  " + line)
    untitled_made = {path for kind, document, path in entries
                     if kind == "saved" and UNTITLED_NAME.match(document or "")}
    untitled_kept = len(on_disk.get("untitled", []))
    print("  the workbook never stored: %d copies kept of %d made (never deleted, by design)"
          % (untitled_kept, len(untitled_made)))
    if on_disk.get("unknown"):
        print("  files in the copies folder that belong to no document: %d"
              % len(on_disk["unknown"]))

    # Every kept copy opens in the office and holds its document's mark and an edit the user made.
    failures = []
    opened = 0
    readable_vaults = 0
    for document, paths in sorted(on_disk.items()):
        for path in paths:
            name, filter_name, password = document_of_copy(os.path.basename(path))
            if name is None:
                failures.append("belongs to no document: " + path)
                continue
            try:
                cells = read_cells(desktop, path, filter_name, password)
            except Exception as failure:  # the office refused the file
                failures.append("does not open: %s (%s)" % (path, str(failure).splitlines()[0]
                                                           if str(failure) else type(failure)))
                continue
            if cells is None:
                failures.append("does not open: " + path)
                continue
            opened += 1
            a1, b1 = cells
            expected_mark = UNTITLED_MARK if name == "untitled" else mark(name)
            highest = 0 if name == "untitled" else maxima.get(name, 0)
            if a1 != expected_mark or b1 != int(b1) or not 0 <= b1 <= highest:
                failures.append("holds %r / %r, not its document's: %s" % (a1, b1, path))
            if password and opens_without_password(desktop, path):
                readable_vaults += 1
    print("kept copies opened in the office: %d" % opened)
    figures.zero("kept copies that do not open in the office or hold other cells", len(failures))
    for line in failures[:10]:
        print("  " + line)
    figures.zero("copies of the password-protected document that open without it", readable_vaults)
    return figures.missed


def main():
    pipe, command = sys.argv[1], sys.argv[2]
    desktop = connect(pipe)
    if command == "make":
        make(desktop, sys.argv[3])
    elif command == "open":
        open_all(desktop, sys.argv[3])
    elif command == "edit":
        edit(desktop, sys.argv[3], sys.argv[4], sys.argv[5])
    elif command == "verify":
        maxima = dict((k, int(v)) for k, v in (a.split("=", 1) for a in sys.argv[7:]))
        return verify(desktop, sys.argv[3], sys.argv[4], sys.argv[5], int(sys.argv[6]), maxima)
    else:
        print(__doc__ or "", file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main())
