"""Reads Gegu's window through AT-SPI as a screen reader (Orca) does: the names and roles of
its controls, the output box's text by ranges, by lines and at the caret, the selection, and
a report that a query puts there. Prints one line per check and 'N passed, N failed'."""

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


main()
print("%d passed, %d failed" % (checks["passed"], checks["failed"]))
sys.exit(1 if checks["failed"] else 0)
