#!/usr/bin/env python3
"""Plays named key scripts through velmora-keys and compares the JSON outcome
(or the exit status) with what the control must do. A failing row prints its
name, the command line, the expected and the actual values."""
import json
import subprocess
import sys

RED, WINDOW_TEXT = 255, 0x80000008
MASK = "  /  /    "
C, D, B = "Change", "DataNonValida", "Beep"
TAB, BACKTAB = "SendKeys {TAB}", "SendKeys +{TAB}"

# name, arguments, expected fields of the JSON outcome (or {"status": n})
ROWS = [
    ("date typed then Enter moves on and keeps the date",
     ["--today", "2024-05-01", "--keys", "14121967{ENTER}"],
     {"text": "14/12/1967", "focus": "next", "events": [C] * 8 + [TAB]}),
    ("invalid date is wiped on leaving, Change before DataNonValida",
     ["--keys", "31021967{ENTER}"],
     {"text": MASK, "focus": "next", "events": [C] * 8 + [TAB, C, D]}),
    ("empty date left with Tab is invalid too",
     ["--keys", "{TAB}"],
     {"text": MASK, "focus": "next", "events": [D]}),
    ("Escape goes back a field whatever TastoInvio holds",
     ["--tastoinvio", "--keys", "1412{ESC}"],
     {"focus": "previous", "events": [C] * 4 + [BACKTAB, C, D]}),
    ("Enter with TastoInvio is swallowed and the focus stays",
     ["--tastoinvio", "--keys", "14121967{ENTER}"],
     {"text": "14/12/1967", "focus": "control", "tastoInvio": -1, "events": [C] * 8}),
    ("Shift+Enter acts as Enter",
     ["--keys", "14121967+{ENTER}"],
     {"text": "14/12/1967", "focus": "next", "events": [C] * 8 + [TAB]}),
    ("a letter in a date beeps and changes nothing",
     ["--keys", "1a"],
     {"text": "1 /  /    ", "selStart": 1, "events": [C, B]}),
    ("keys typed in another field do not touch the control",
     ["--keys", "{BLUR}999{FOCUS}"],
     {"text": MASK, "focus": "control", "events": [D]}),
    ("day/month completed with a leap present year",
     ["--maxlength", "5", "--today", "2024-03-01", "--keys", "2902{ENTER}"],
     {"text": "29/02", "maxLength": 5, "events": [C] * 4 + [TAB]}),
    ("day/month 29/02 in a common year is wiped",
     ["--maxlength", "5", "--today", "2023-03-01", "--keys", "2902{ENTER}"],
     {"text": "  /  ", "events": [C] * 4 + [TAB, C, D]}),
    # Backspace at the end rebuilds the whole text, so the grouping shown
    # does not depend on when the appended digits were regrouped.
    ("number typed with thousands grouping",
     ["--number", "--keys", "1412196{BS}"],
     {"text": "141.219", "selStart": 7, "dateValue": 0, "events": [C] * 8}),
    ("number leaving the field raises no DataNonValida",
     ["--number", "--keys", "12{ENTER}"],
     {"text": "12", "focus": "next", "events": [C, C, TAB]}),
    ("minus sign turns the number red",
     ["--number", "--keys", "123-"],
     {"text": "-123", "foreColor": RED, "selStart": 4}),
    ("minus sign again restores the window text colour",
     ["--number", "--keys", "123--"],
     {"text": "123", "foreColor": WINDOW_TEXT}),
    ("minus on a grouped number keeps its text",
     ["--number", "--text", "1.234", "--keys", "{END}-"],
     {"text": "-1.234", "foreColor": RED}),
    ("decimal comma only with Virgola",
     ["--number", "--virgola", "--keys", "12.5"],
     {"text": "12,5", "virgola": -1}),
    ("comma refused without Virgola",
     ["--number", "--keys", "12,"],
     {"text": "12", "events": [C, C, B]}),
    ("Ctrl+V beeps in number mode",
     ["--number", "--keys", "^v"],
     {"text": "0", "events": [B]}),
    ("initial text and caret are placed before the keys",
     ["--text", "14/12/1967", "--caret", "3", "--keys", "0"],
     {"text": "14/02/1967", "selStart": 4}),
    ("plain box inserts as an ordinary edit box",
     ["--plain", "--keys", "ab{LEFT}+{HOME}x"],
     {"text": "xb", "selStart": 1, "selLength": 0, "focus": "control"}),
    ("text is JSON-escaped UTF-8",
     ["--text", "\u00e8\"\\\u20ac", "--keys", ""],
     {"text": "\u00e8\"\\\u20ac"}),
    ("unknown key name", ["--keys", "{FOO}"], {"status": 2}),
    ("script ending with a prefix", ["--keys", "12+"], {"status": 2}),
    ("unknown option", ["--bogus", "--keys", "1"], {"status": 2}),
    ("no keys given", ["--number"], {"status": 2}),
    ("both --caret and --select", ["--caret", "1", "--select", "0", "1", "--keys", ""], {"status": 2}),
    ("MaxLength beyond 16 bits", ["--maxlength", "40000", "--keys", ""], {"status": 2}),
    ("not a date for --today", ["--today", "2023-02-29", "--keys", ""], {"status": 2}),
    ("missing key file", ["--keys-file", "/nonexistent/keys"], {"status": 2}),
    ("MaxLength the text box refuses is a core error", ["--maxlength", "-1", "--keys", ""], {"status": 1}),
    # 16-bit positions cannot address this text: an overflow, not an edit.
    ("key in a number beyond 32,767 characters overflows",
     ["--number", "--text", "1" * 40000, "--keys", "5"], {"status": 1}),
    ("key in another field leaves a huge text alone",
     ["--number", "--text", "1" * 40000, "--keys", "{BLUR}5"], {"focus": "next", "events": []}),
    ("literal braces, plus and caret are typed",
     ["--plain", "--keys", "{{}{}}{+}{^}"], {"text": "{}+^"}),
    ("Ctrl+V in a date beeps", ["--keys", "^v"], {"text": MASK, "events": [B]}),
    ("mouse selection over the date then a digit",
     ["--text", "14/12/1967", "--keys", "{BLUR}{SEL 3 7}5"],
     {"text": "14/5 /    ", "selStart": 4, "focus": "control"}),
    ("a click past the end of an empty date, then the date",
     ["--keys", "{BLUR}{CLICK 7}14121967"], {"text": "14/12/1967", "selStart": 10, "focus": "control"}),
    ("a click on a typed digit corrects it", ["--text", "14/12/1967", "--keys", "{CLICK 1}5"],
     {"text": "15/12/1967", "selStart": 3}),
    ("a number keeps the caret where the click puts it",
     ["--number", "--text", "1.234", "--keys", "{CLICK 2}9"], {"text": "1.934", "selStart": 3}),
    # The menu's commands keep the rules of their keys.
    ("the menu's cut, paste and undo beep in a date, clear acts as Delete",
     ["--text", "14/12/1967", "--keys", "{SEL 0 10}{CUT}{PASTE 05/03/1967}{UNDO}{CLEAR}"],
     {"text": MASK, "events": [B, B, B, C]}),
    ("the menu's paste beeps in a number, copy copies",
     ["--number", "--text", "1.234", "--keys", "{SEL 0 5}{COPY}{END}{PASTE}"], {"text": "1.234", "events": [B]}),
    ("the menu's commands work in the bare box",
     ["--plain", "--maxlength", "5", "--keys", "abcd{SEL 1 2}{CUT}{END}{PASTE}{PASTE xyz}{SEL 0 1}{CLEAR}"],
     {"text": "dbcx"}),
    ("Shift+Tab typed in the control goes back",
     ["--keys", "+{TAB}"], {"focus": "previous", "events": [D]}),
]


def run(binary, args):
    done = subprocess.run([binary] + args, capture_output=True, timeout=60)
    if done.returncode != 0:
        lines = done.stderr.decode("utf-8", "replace").strip().splitlines()
        return {"status": done.returncode, "stderr_lines": len(lines)}
    return json.loads(done.stdout.decode("utf-8"))


def main():
    binary, demo = sys.argv[1], sys.argv[2]
    failures = 0
    for name, args, expected in ROWS:
        actual = run(binary, args)
        if "status" in expected:
            ok = actual.get("status") == expected["status"] and actual.get("stderr_lines") == 1
            shown = {"status": actual.get("status"), "stderr_lines": actual.get("stderr_lines")}
        else:
            shown = {k: actual.get(k) for k in expected}
            ok = shown == expected
        if not ok:
            failures += 1
            print(f"FAIL {name}\n  args:     {args}\n  expected: {expected}\n  actual:   {shown}")
    # The demonstration script must play without an error.
    demo_out = run(binary, ["--today", "2024-05-01", "--keys-file", demo])
    if "status" in demo_out:
        failures += 1
        print(f"FAIL demo.keys exits with {demo_out}")
    print(f"{len(ROWS) + 1 - failures} of {len(ROWS) + 1} key-script examples pass")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
