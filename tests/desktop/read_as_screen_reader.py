"""Reads Gegu's window through AT-SPI as a screen reader (Orca) does: the names and roles of
its controls, the output box's text by ranges, by lines and at the caret, the selection, a
report that a query puts there, and the window that 持仓一览 opens over a holder row of it: its
table, read cell by cell under its column titles, with the summary as its description. Keys
come from the X server (xdotool), as a user's do. Prints one line per check and 'N passed, N
failed'."""

import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

checks = {"passed": 0, "failed": 0}


def check(what, ok, detail=""):
    checks["passed" if ok else "failed"] += 1
    print(("PASS   " if ok else "FAIL!  ") + what + ("" if ok else ": " + detail), flush=True)


def walk(acc):
    yield acc
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)


def wait_for(find, seconds=30):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = find()
        if found is not None:
            return found
        time.sleep(0.2)
    return None


def gegu():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == "gegu":
            return app
    return None


def named(app, name, role=None):
    for acc in walk(app):
        if acc.name == name and (role is None or acc.getRoleName() == role):
            return acc
    return None


# The text changes and caret moves that the output box announces, as Orca hears them.
heard = []


def hear(event):
    if event.source is not None and event.source.name == "查询结果":
        heard.append((event.type, event.detail1, event.detail2, event.any_data))


# The names of what takes the focus, as Orca hears a menu's items.
focused = []


def hear_focus(event):
    if event.detail1 == 1 and event.source is not None:
        focused.append((event.source.getRoleName(), event.source.name))


def key(name):
    subprocess.run(["xdotool", "key", name], check=True)


def listen(seconds):
    context = GLib.MainContext.default()
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        while context.pending():
            context.iteration(False)
        time.sleep(0.05)


def text_of(acc):
    t = acc.queryText()
    return t.getText(0, t.characterCount)


def main():
    app = wait_for(gegu)
    if app is None:
        check("gegu is on the accessibility bus", False, "not found")
        return
    title = "Varnel老师设计（qq:246813579电话0555-2468013）"
    window = wait_for(lambda: named(app, title))
    check("the main window is a frame named by its title",
          window is not None and window.getRoleName() == "frame",
          window.getRoleName() if window is not None else "no such window")
    box = wait_for(lambda: named(app, "查询结果"))
    check("the output box has a name", box is not None, "no 查询结果")
    if box is None:
        return
    check("the output box is an editable text", box.getRoleName() == "text", box.getRoleName())
    states = box.getState()
    check("the output box is multi-line and editable",
          states.contains(pyatspi.STATE_MULTI_LINE) and states.contains(pyatspi.STATE_EDITABLE))

    query = named(app, "请输入股东名称（或证券代码）", "text")
    check("the query box is named by its prompt", query is not None, "no such text")
    if query is None:
        return
    check("the picture panel has a name", named(app, "广告图片") is not None)

    # The help text, read whole, by ranges, by lines.
    t = box.queryText()
    help_text = wait_for(lambda: text_of(box) or None, 10) or ""
    check("the help text is read", help_text.startswith("    感谢您对此软件的支持"), help_text[:40])
    check("the help text is read to its end", "任何疑问请来电咨询，查看时效，风险自担。" in help_text,
          help_text[-40:])
    check("a range of it", t.getText(4, 9) == "感谢您对此", t.getText(4, 9))
    line, start, end = t.getTextAtOffset(10, pyatspi.TEXT_BOUNDARY_LINE_START)
    check("the line at an offset", start == 0 and line.startswith("    感谢您") and end > 20,
          repr((line[:20], start, end)))

    # The caret and the selection, set and read back.
    t.setCaretOffset(6)
    check("the caret moves", wait_for(lambda: t.caretOffset == 6 or None, 5) is not None,
          str(t.caretOffset))
    t.addSelection(4, 8)
    check("a selection", t.getNSelections() == 1 and tuple(t.getSelection(0)) == (4, 8),
          str([tuple(t.getSelection(i)) for i in range(t.getNSelections())]))

    # A query: typed into the query box, the button pressed, the report read.
    query.queryEditableText().setTextContents("600036")
    button = named(app, "精确查询", "push button")
    check("the query button is there", button is not None)
    if button is None:
        return
    pyatspi.Registry.registerEventListener(hear, "object:text-changed", "object:text-caret-moved")
    listen(0.5)
    heard.clear()
    button.queryAction().doAction(0)
    report = wait_for(lambda: text_of(box) if text_of(box).startswith("600036") else None, 15)
    check("the report is read", report is not None, text_of(box)[:40])
    if report is None:
        return
    listen(1)
    inserted = [h for h in heard if str(h[0]).startswith("object:text-changed:insert")]
    check("a new report is announced by its start",
          any(str(h[3]).startswith("600036") for h in inserted), repr(heard[:4]))
    check("and the caret at its start",
          any(str(h[0]).startswith("object:text-caret-moved") and h[1] == 0 for h in heard),
          repr(heard[:4]))
    t = box.queryText()
    first, start, end = t.getTextAtOffset(0, pyatspi.TEXT_BOUNDARY_LINE_START)
    second, start2, _ = t.getTextAtOffset(end, pyatspi.TEXT_BOUNDARY_LINE_START)
    check("its lines one by one", first.startswith("600036") and start2 == end and "股东" in second,
          repr((first[:30], second[:30])))
    check("its length as the text's", t.characterCount == len(report), str(t.characterCount))

    read_portfolio(app, box)


def read_portfolio(app, box):
    """Opens 持仓一览 over the report's first holder row by the keyboard, and reads its window."""
    t = box.queryText()
    _, row_start, _ = t.getTextAtOffset(0, pyatspi.TEXT_BOUNDARY_LINE_START)
    for _ in range(3):  # the header, the head line and the frame line before it
        _, _, row_start = t.getTextAtOffset(row_start, pyatspi.TEXT_BOUNDARY_LINE_START)
    row = t.getTextAtOffset(row_start, pyatspi.TEXT_BOUNDARY_LINE_START)[0]
    holder = row.split("│")[0].strip()
    box.queryComponent().grabFocus()
    t.setCaretOffset(row_start)
    pyatspi.Registry.registerEventListener(hear_focus, "object:state-changed:focused")
    listen(0.5)
    focused.clear()
    key("Menu")
    listen(1)
    key("Up")  # the menu's last entry
    listen(1)
    check("the menu's last entry over a holder row is 持仓一览",
          bool(focused) and focused[-1] == ("menu item", "持仓一览"), repr(focused[-3:]))
    key("Return")

    def portfolio_window():
        for acc in walk(app):
            if acc.name == "持仓一览：" + holder:
                return acc
        return None

    window = wait_for(portfolio_window, 15)
    check("持仓一览 opens a window named after the holder", window is not None, holder)
    if window is None:
        return
    table = wait_for(lambda: named(window, "持仓表"), 10)
    check("its table is named", table is not None, "no 持仓表")
    if table is None:
        return
    check("the table is a table to screen readers", table.getRoleName() == "table",
          table.getRoleName())
    check("its description is the summary",
          table.description.startswith("报告期 ") and "只股票" in table.description,
          table.description[:60])
    cells = table.queryTable()
    titles = [cells.getColumnDescription(c) for c in range(cells.nColumns)]
    check("its columns by their titles", titles[:5] == ["代码", "股票", "表", "报告期", "持股数(万股)"],
          repr(titles))
    check("it has rows", cells.nRows > 0, str(cells.nRows))
    first = [cells.getAccessibleAt(0, c).name for c in range(cells.nColumns)] if cells.nRows else []
    check("a row read cell by cell", len(first) == 9 and first[0].isdigit() and len(first[0]) == 6
          and first[2] in ("十大股东", "十大流通股东"), repr(first))

    def labelled(acc):
        for relation in acc.getRelationSet():
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
                return [relation.getTarget(i).name for i in range(relation.getNTargets())]
        return []

    boxes = [acc for acc in walk(window) if acc.getRoleName() == "combo box"]
    check("its choices are named by their labels",
          sorted(sum((labelled(b) for b in boxes), [])) == ["报告期：", "比较："],
          repr([labelled(b) for b in boxes]))
    check("导出… is a button", named(window, "导出…", "push button") is not None)
    key("Escape")
    check("Escape closes it", wait_for(lambda: None if portfolio_window() else True, 10) is not None)


main()
print("%d passed, %d failed" % (checks["passed"], checks["failed"]))
sys.exit(1 if checks["failed"] else 0)
