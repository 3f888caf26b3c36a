#!/usr/bin/python3
"""Lints the screens: qmllint over every QML document, then what qmllint cannot see.

qmllint checks every call on Core through its typed access (Published.controller) against the
type description the build writes for Core. It does not check the handlers of a Connections
element, so this script checks that every `function onXxx(...)` of a Connections whose target is
Core names a signal Core has, with Core's parameter names in Core's order, and that no such
Connections ignores unknown signals. The few operations of
feature areas Core does not have yet go through the untyped Published.pending; each such call must
name an operation that Core lacks and that the screens' stand-in declares. Comparisons of
code-carrying values (message kinds and states, call states, input kinds, results...) use the
named codes of Zephon.Codes, never bare numbers.

Usage: lint_screens.py --qmllint TOOL --core-types FILE --stand-in HEADER [-I DIR]... FILES...
Prints one line per finding and exits with 1 when there is any.
"""

import argparse
import re
import subprocess
import sys

# Properties, parameters and variables that carry a code of Zephon.Codes.
CODE_NAMES = {
    "iType", "iSubType", "subType", "iMsgState", "iState", "iCallState", "iRet", "iUserType",
    "iKind", "msg_iType", "iMainType", "iCardType", "iCircleType",
}
# Core's operations whose answer is a code.
CODE_CALLS = {"getInputType", "getZpidType"}

COMPARE = r"(?:===|!==|==|!=|<=|>=|<|>)"
NUMBER = r"[-+]?\d+(?:\.\d+)?"


def blank(match):
    """The matched text with everything but line breaks turned into spaces."""
    return re.sub(r"[^\n]", " ", match.group(0))


def strip_code(text):
    """The text with comments, string literals and regular-expression literals blanked out, so
    that line numbers and brace structure stay and nothing in them is taken for code."""
    out = []
    i = 0
    n = len(text)
    last = ""  # the last significant character of code, to tell a regex from a division
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            out.append(" " * (j - i))
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append(re.sub(r"[^\n]", " ", text[i:j]))
            i = j
        elif c in "\"'`":
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
            out.append(c + re.sub(r"[^\n]", " ", text[i + 1:j - 1]) + c)
            last = c
            i = j
        elif c == "/" and (last == "" or last in "(,=:[!&|?{};+-*%<>~^" or
                           re.search(r"\b(?:return|typeof|case|in|of|void|throw)\s*$",
                                     "".join(out[-12:]))):
            j = i + 1
            in_class = False
            while j < n and text[j] != "\n":
                if text[j] == "\\":
                    j += 2
                    continue
                if text[j] == "[":
                    in_class = True
                elif text[j] == "]":
                    in_class = False
                elif text[j] == "/" and not in_class:
                    break
                j += 1
            j += 1
            while j < n and text[j].isalpha():
                j += 1
            out.append("/" + " " * (j - i - 2) + "/")
            last = "/"
            i = j
        else:
            out.append(c)
            if not c.isspace():
                last = c
            i += 1
    return "".join(out)


def closing_brace(code, start):
    """Index of the brace closing the one at `start`."""
    depth = 0
    for i in range(start, len(code)):
        if code[i] == "{":
            depth += 1
        elif code[i] == "}":
            depth -= 1
            if depth == 0:
                return i
    return len(code) - 1


def top_level(code, start, end):
    """The text between the braces at start and end with nested blocks blanked out."""
    out = []
    depth = 0
    for ch in code[start + 1:end]:
        if ch == "{":
            depth += 1
        if depth == 0 or ch == "\n":
            out.append(ch)
        else:
            out.append(" ")
        if ch == "}":
            depth -= 1
    return "".join(out)


def line_of(code, index):
    return code.count("\n", 0, index) + 1


def read_core_members(path):
    """Signals (name -> parameter names) and the names of every member of Core's description."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    signals = {}
    members = set()
    for match in re.finditer(r"\b(Signal|Method|Property)\s*\{", text):
        start = match.end() - 1
        end = closing_brace(text, start)
        body = text[start + 1:end]
        outer = top_level(text, start, end)
        name = re.search(r'\bname:\s*"(\w+)"', outer)
        if not name:
            continue
        members.add(name.group(1))
        if match.group(1) == "Signal":
            params = re.findall(r'Parameter\s*\{\s*name:\s*"(\w+)"', body)
            signals[name.group(1)] = params
    return signals, members


def read_stand_in_operations(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    return set(re.findall(r"Q_INVOKABLE\s+[^;(]*?\b(\w+)\s*\(", text))


def check_connections(path, code, signals, findings):
    for match in re.finditer(r"\bConnections\s*\{", code):
        start = match.end() - 1
        end = closing_brace(code, start)
        outer = top_level(code, start, end)
        target = re.search(r"\btarget\s*:\s*([\w.]+)", outer)
        if not target:
            continue
        parts = target.group(1).split(".")
        if parts[-1] == "pending":
            findings.append(f"{path}:{line_of(code, start)}: Connections on the untyped "
                            "Published.pending; use Published.controller")
            continue
        if parts[-1] != "controller":
            continue
        if re.search(r"\bignoreUnknownSignals\s*:\s*true\b", outer):
            findings.append(f"{path}:{line_of(code, start)}: ignoreUnknownSignals on Core, whose "
                            "signals are all known, would hide a handler that matches none")
        for handler in re.finditer(r"\bfunction\s+on(\w+)\s*\(([^)]*)\)", outer):
            line = line_of(code, start + 1 + handler.start())
            signal = handler.group(1)[0].lower() + handler.group(1)[1:]
            params = [p.strip() for p in handler.group(2).split(",") if p.strip()]
            if signal not in signals:
                findings.append(f"{path}:{line}: Core has no signal {signal} "
                                f"(handler on{handler.group(1)})")
                continue
            expected = signals[signal]
            if params != expected[:len(params)] or len(params) > len(expected):
                findings.append(f"{path}:{line}: handler on{handler.group(1)}({', '.join(params)})"
                                f" does not match {signal}({', '.join(expected)})")


def check_pending(path, code, members, stand_in, findings):
    for match in re.finditer(r"\bpending\s*\.\s*(\w+)", code):
        name = match.group(1)
        line = line_of(code, match.start())
        if name in members:
            findings.append(f"{path}:{line}: Core has {name}; call it through "
                            "Published.controller")
        elif name not in stand_in:
            findings.append(f"{path}:{line}: {name} is neither on Core nor a pending operation "
                            "of the stand-in")


def check_codes(path, code, findings):
    names = "|".join(sorted(CODE_NAMES))
    calls = "|".join(sorted(CODE_CALLS))
    patterns = [
        rf"(?<![\w$])({names})\s*{COMPARE}\s*{NUMBER}",
        rf"(?<![\w$.]){NUMBER}\s*{COMPARE}\s*(?:[\w$]+\s*\.\s*)*({names})(?![\w$])",
        rf"\b({calls})\s*\((?:[^()]|\([^()]*\))*\)\s*{COMPARE}\s*{NUMBER}",
    ]
    for pattern in patterns:
        for match in re.finditer(pattern, code):
            findings.append(f"{path}:{line_of(code, match.start())}: bare number compared with "
                            f"{match.group(1)}; use its name from Zephon.Codes")
    for match in re.finditer(r"\bswitch\s*\(", code):
        depth = 0
        i = match.end() - 1
        while i < len(code):
            depth += {"(": 1, ")": -1}.get(code[i], 0)
            if depth == 0:
                break
            i += 1
        subject = code[match.end():i]
        last = re.search(r"([\w$]+)\s*(?:\((?:[^()]|\([^()]*\))*\))?\s*$", subject)
        if not last or (last.group(1) not in CODE_NAMES and last.group(1) not in CODE_CALLS):
            continue
        start = code.find("{", i)
        end = closing_brace(code, start)
        outer = top_level(code, start, end)
        for case in re.finditer(rf"\bcase\s+{NUMBER}\s*:", outer):
            findings.append(f"{path}:{line_of(code, start + 1 + case.start())}: bare number as a "
                            f"case of {last.group(1)}; use its name from Zephon.Codes")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--qmllint", required=True)
    parser.add_argument("--core-types", required=True)
    parser.add_argument("--stand-in", required=True)
    parser.add_argument("-I", dest="imports", action="append", default=[])
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()

    findings = []
    try:
        signals, members = read_core_members(args.core_types)
    except OSError as error:
        print(f"no type description of Core ({error}); build zephon_controller first")
        return 1
    if not signals or not members:
        print(f"{args.core_types} describes no signals or members of Core")
        return 1
    stand_in = read_stand_in_operations(args.stand_in)

    qml_files = [f for f in args.files if f.endswith(".qml")]
    command = [args.qmllint]
    for directory in args.imports:
        command += ["-I", directory]
    lint = subprocess.run(command + qml_files, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          text=True, check=False)
    sys.stdout.write(lint.stdout)
    if lint.returncode != 0:
        findings.append(f"qmllint reported warnings (exit code {lint.returncode})")

    for path in args.files:
        with open(path, encoding="utf-8") as f:
            code = strip_code(f.read())
        check_connections(path, code, signals, findings)
        check_pending(path, code, members, stand_in, findings)
        check_codes(path, code, findings)

    for finding in findings:
        print(finding)
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main())
