#!/usr/bin/env python3
"""Mutation check: how many planted faults the test suite catches.

Copies the sources (the working tree or a git revision) into a work folder,
builds the copy in Release with its tests, checks that the unmutated suite
passes, then plants one fault at a time in src/, rebuilds incrementally and
runs the test programs until one fails. The sample of faults is drawn from a
fixed seed, stratified by subsystem, so two runs measure the same faults.
See docs/mutation.md.
"""

import argparse
import bisect
import datetime
import hashlib
import io
import json
import os
import random
import re
import signal
import subprocess
import sys
import tarfile
import time

DEFAULT_SEED = 1729
DEFAULT_COUNT = 160
DEFAULT_MIN_PER_SUBSYSTEM = 4
SHARD_SECONDS = 2.0  # a test program longer than this is cut into shards
BASELINE_LIMIT = 900.0  # seconds a test program may take in the unmutated run
SUBSYSTEM_ORDER = ["foundation", "containers", "streams", "config", "operator", "linalg",
                   "optim", "graph", "geometry", "external", "platform"]
SOURCE_SUFFIXES = (".cpp", ".cc", ".h", ".hpp")
CMAKE_OPTIONS = ["-DCMAKE_BUILD_TYPE=Release", "-DVELA_BUILD_TESTS=ON",
                 "-DVELA_BUILD_BENCHMARKS=OFF", "-DVELA_BUILD_EXAMPLES=OFF",
                 "-DVELA_BUILD_FUZZERS=OFF", "-DVELA_SANITIZE=OFF", "-DVELA_SANITIZE_THREAD=OFF"]

KINDS = ["comparison", "off-by-one", "swapped-operands", "arithmetic", "constant",
         "dropped-statement", "message"]
KIND_TITLES = {
    "comparison": "flipped comparison",
    "off-by-one": "off-by-one bound or index",
    "swapped-operands": "swapped operands",
    "arithmetic": "wrong arithmetic operator",
    "constant": "wrong constant",
    "dropped-statement": "dropped statement",
    "message": "changed message text",
}
COUNTED = ("caught", "survived")


class Interrupted(Exception):
    """Raised from the signal handler so that `finally` blocks restore the copy."""


class Failure(Exception):
    """A condition that stops the run with a message (exit status 2)."""


# ---------------------------------------------------------------------------
# Lexing: tokens of a C++ source with comments and preprocessor lines left out
# ---------------------------------------------------------------------------

KEYWORDS = set("""
alignas alignof and and_eq asm auto bitand bitor bool break case catch char char16_t char32_t
class compl const constexpr const_cast continue decltype default delete do double dynamic_cast
else enum explicit export extern false float for friend goto if inline int long mutable
namespace new noexcept not not_eq nullptr operator or or_eq private protected public register
reinterpret_cast return short signed sizeof static static_assert static_cast struct switch
template this thread_local throw true try typedef typeid typename union unsigned using virtual
void volatile wchar_t while xor xor_eq override final
""".split())
VALUE_KEYWORDS = {"this", "true", "false", "nullptr"}
CAST_KEYWORDS = {"static_cast", "reinterpret_cast", "const_cast", "dynamic_cast"}
PRIMARY_KEYWORDS = CAST_KEYWORDS | {"sizeof", "alignof"}
TYPE_WORDS = {"int", "double", "float", "char", "bool", "void", "long", "short", "unsigned",
              "signed", "auto", "const", "size_t", "ptrdiff_t", "wchar_t"}
PUNCTUATORS = sorted("""
>>= <<= ->* ... :: -> ++ -- << >> <= >= == != && || += -= *= /= %= &= |= ^= .* ##
{ } [ ] ( ) ; : , . ? ~ ! + - * / % ^ & | = < > #
""".split(), key=len, reverse=True)
IDENT_RE = re.compile(r"[A-Za-z_][A-Za-z_0-9]*")
NUMBER_RE = re.compile(r"\.?[0-9](?:[eEpP][+-]|'[0-9A-Za-z_]|[0-9A-Za-z_.])*")
RAW_PREFIXES = {"R", "u8R", "uR", "UR", "LR"}
TEXT_PREFIXES = {"u8", "u", "U", "L"}


class Token:
    __slots__ = ("kind", "text", "start", "end", "line")

    def __init__(self, kind, text, start, end, line):
        self.kind, self.text, self.start, self.end, self.line = kind, text, start, end, line

    def __repr__(self):
        return "Token(%s,%r,%d)" % (self.kind, self.text, self.line)


def skip_quoted(text, i, quote):
    """Index just past the literal whose opening quote is at i."""
    j = i + 1
    while j < len(text):
        c = text[j]
        if c == "\\":
            j += 2
            continue
        if c == quote or c == "\n":
            return j + 1
        j += 1
    return j


def skip_raw(text, i):
    """Index just past the raw string whose opening quote is at i."""
    open_paren = text.find("(", i)
    delimiter = text[i + 1:open_paren]
    close = text.find(")" + delimiter + '"', open_paren)
    return len(text) if close < 0 else close + len(delimiter) + 2


def skip_directive(text, i):
    """Index of the newline ending the preprocessor line at i (continuations included)."""
    while True:
        j = text.find("\n", i)
        if j < 0:
            return len(text)
        k = j - 1
        if k >= 0 and text[k] == "\r":
            k -= 1
        if k >= 0 and text[k] == "\\":
            i = j + 1
            continue
        comment = text.rfind("/*", i, j)
        if comment >= 0 and text.find("*/", comment, j) < 0:
            i = text.find("*/", comment)
            if i < 0:
                return len(text)
            continue
        return j


def lex(text):
    tokens = []
    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if c == "\n":
            i += 1
            line_start = True
            continue
        if c in " \t\r\f\v":
            i += 1
            continue
        if c == "\\" and text.startswith("\n", i + 1):
            i += 2
            continue
        if text.startswith("//", i):
            j = text.find("\n", i)
            i = n if j < 0 else j
            continue
        if text.startswith("/*", i):
            j = text.find("*/", i + 2)
            i = n if j < 0 else j + 2
            continue
        if c == "#" and line_start:
            i = skip_directive(text, i)
            continue
        line_start = False
        start = i
        m = IDENT_RE.match(text, i)
        if m:
            word, j = m.group(), m.end()
            if word in RAW_PREFIXES and text.startswith('"', j):
                i = skip_raw(text, j)
                tokens.append(Token("str", text[start:i], start, i, 0))
            elif word in TEXT_PREFIXES and j < n and text[j] in "\"'":
                i = skip_quoted(text, j, text[j])
                tokens.append(Token("str" if text[j] == '"' else "chr", text[start:i], start, i, 0))
            else:
                i = j
                tokens.append(Token("id", word, start, i, 0))
            continue
        m = NUMBER_RE.match(text, i)
        if m:
            i = m.end()
            tokens.append(Token("num", m.group(), start, i, 0))
            continue
        if c == '"' or c == "'":
            i = skip_quoted(text, i, c)
            tokens.append(Token("str" if c == '"' else "chr", text[start:i], start, i, 0))
            continue
        for p in PUNCTUATORS:
            if text.startswith(p, i):
                break
        else:
            p = c
        i += len(p)
        tokens.append(Token("op", p, start, i, 0))
    line_starts = [0] + [k + 1 for k, ch in enumerate(text) if ch == "\n"]
    for t in tokens:
        t.line = bisect.bisect_right(line_starts, t.start)
    return tokens


# ---------------------------------------------------------------------------
# Analysis: brackets, template arguments, excluded regions, code blocks
# ---------------------------------------------------------------------------

TEMPLATE_NAMES = {"static_cast", "reinterpret_cast", "const_cast", "dynamic_cast", "numeric_limits",
                  "vector", "array", "pair", "tuple", "unique_ptr", "shared_ptr", "function",
                  "atomic", "lock_guard", "unique_lock", "is_same", "enable_if", "conditional",
                  "initializer_list", "make_unique", "make_shared", "optional", "string_view",
                  "bit_cast", "is_trivially_copyable", "remove_reference", "decay"}
TEMPLATE_INNER = {"::", ",", "*", "&", "...", "const", "<", ">", ">>"}
TEMPLATE_FOLLOW = {"(", "{", "::", ">", ">>", ")", ",", ";", "&", "*", "&&", "...", "[", "="}
SPECIFIER_WRAPPERS = {"static_assert", "alignas", "__attribute__", "__declspec", "decltype",
                      "noexcept", "asm", "__asm__", "_Pragma", "typeid", "alignof"}
CONTROL_WORDS = {"if", "for", "while", "switch"}


class Unit:
    """One source file, lexed and analysed for mutation sites."""

    def __init__(self, path, text):
        self.path, self.text = path, text
        self.toks = lex(text)
        count = len(self.toks)
        self.match = [-1] * count        # matching bracket of ( [ { and template < >
        self.template = [False] * count  # < > >> used as template brackets
        self.excluded = [False] * count  # inside static_assert(...), template args, ...
        self.parent = [-1] * count       # innermost enclosing ( [ { token
        self.block = {}                  # index of { -> "code", "init" or "other"
        self.subscript = set()           # indices of [ that index a value
        self._brackets()
        self._templates()
        self._exclusions()
        self._blocks()
        self._subscripts()

    # -- helpers ------------------------------------------------------------
    def tok(self, i):
        return self.toks[i] if 0 <= i < len(self.toks) else None

    def is_(self, i, *texts):
        t = self.tok(i)
        return t is not None and t.text in texts and t.kind in ("op", "id")

    def value_end(self, i):
        """Whether token i ends a value (so that a following + - * / is binary)."""
        t = self.tok(i)
        if t is None:
            return False
        if t.kind in ("num", "str", "chr"):
            return True
        if t.kind == "id":
            return t.text not in KEYWORDS or t.text in VALUE_KEYWORDS
        if t.text == ")" and self.match[i] >= 0:
            return not self.is_(self.match[i] - 1, *CONTROL_WORDS)  # if (c) *p = 0;
        return t.text == "]" and not self.template[i]

    def _brackets(self):
        stack = []
        for i, t in enumerate(self.toks):
            self.parent[i] = stack[-1] if stack else -1
            if t.kind != "op":
                continue
            if t.text in ("(", "[", "{"):
                stack.append(i)
            elif t.text in (")", "]", "}"):
                want = {")": "(", "]": "[", "}": "{"}[t.text]
                while stack and self.toks[stack[-1]].text != want:
                    stack.pop()
                if stack:
                    j = stack.pop()
                    self.match[i], self.match[j] = j, i
                    self.parent[i] = self.parent[j]

    def _template_close(self, i, strict):
        """Index of the > closing the < at i, or -1 if it is not a template bracket."""
        depth, j = 1, i + 1
        while j < len(self.toks):
            t = self.toks[j]
            if t.text in (";", "{", "}") and t.kind == "op":
                return -1
            if t.text in ("(", "[") and t.kind == "op":
                if strict or self.match[j] < 0:
                    return -1
                j = self.match[j] + 1
                continue
            if t.text in (")", "]") and t.kind == "op":
                return -1
            if t.kind == "op" and t.text == "<":
                depth += 1
            elif t.kind == "op" and t.text == ">":
                depth -= 1
            elif t.kind == "op" and t.text == ">>":
                depth -= 2
            elif strict and not (t.kind in ("id", "num") or t.text in TEMPLATE_INNER):
                return -1
            if depth <= 0:
                if depth < 0:
                    return -1
                follow = self.tok(j + 1)
                if strict and follow is not None and not (follow.kind == "id" or follow.text in TEMPLATE_FOLLOW):
                    return -1
                return j
            j += 1
        return -1

    def _templates(self):
        for i, t in enumerate(self.toks):
            if t.kind != "op" or t.text != "<" or self.template[i]:
                continue
            prev = self.tok(i - 1)
            if prev is None or prev.kind != "id":
                continue
            if prev.text in KEYWORDS and prev.text != "template" and prev.text not in CAST_KEYWORDS:
                continue
            known = prev.text == "template" or prev.text in TEMPLATE_NAMES or prev.text in CAST_KEYWORDS
            close = self._template_close(i, strict=not known)
            if close < 0:
                continue
            for k in range(i, close + 1):
                self.excluded[k] = True
            self.template[i] = self.template[close] = True
            self.match[i], self.match[close] = close, i

    def _exclude_range(self, a, b):
        for k in range(max(a, 0), min(b, len(self.toks) - 1) + 1):
            self.excluded[k] = True

    def _exclusions(self):
        toks = self.toks
        for i, t in enumerate(toks):
            if t.kind == "id" and t.text in SPECIFIER_WRAPPERS:
                j = i + 1
                if self.is_(j, "(") and self.match[j] > 0:
                    self._exclude_range(i, self.match[j])
            elif t.kind == "id" and t.text == "operator":
                j = i + 1
                end = self.match[j] if self.is_(j, "(", "[") and self.match[j] > 0 else j
                self._exclude_range(i, end)
            elif t.kind == "id" and t.text == "extern" and self.tok(i + 1) and toks[i + 1].kind == "str":
                self.excluded[i + 1] = True
            elif t.kind == "op" and t.text == "[" and self.is_(i + 1, "[") and self.match[i] > 0:
                self._exclude_range(i, self.match[i])
            elif t.kind == "num" and self.is_(i - 1, "=") and (self.is_(i - 2, ")", "const", "override")):
                self.excluded[i] = True  # a pure specifier

    def _blocks(self):
        for i, t in enumerate(self.toks):
            if t.kind != "op" or t.text != "{":
                continue
            outer = self.block.get(self.parent[i])
            if self._body_brace(i):
                kind = "code"
            elif outer == "code" and self.is_(i - 1, ";", "{", "}", ":"):
                kind = "code"
            elif outer == "code":
                kind = "init"
            else:
                kind = "other"
            self.block[i] = kind

    def _body_brace(self, i):
        """Whether the { at i opens a function, lambda or statement body."""
        if self.is_(i - 1, "else", "do", "try"):
            return True
        j = i - 1
        while self.is_(j, "const", "noexcept", "override", "final", "mutable"):
            j -= 1
        if self.is_(j, ")", "]"):
            return True
        k = j  # a trailing return type: ) -> Type {
        while k >= 0 and (self.toks[k].kind == "id" or self.is_(k, "::", "*", "&") or self.template[k]):
            if self.template[k] and 0 <= self.match[k] < k:
                k = self.match[k]
            k -= 1
        return self.is_(k, "->") and self.is_(k - 1, ")")

    def _subscripts(self):
        for i, t in enumerate(self.toks):
            if t.kind != "op" or t.text != "[" or self.match[i] < 0 or self.excluded[i]:
                continue
            if self.match[i] == i + 1 or not self.value_end(i - 1):
                continue
            before = self.tok(i - 2)
            if self.toks[i - 1].kind == "id" and before is not None:
                if before.text == "new" or (before.text in ("*", "&", "&&") and before.kind == "op"):
                    continue
                if before.kind == "id" and (before.text not in KEYWORDS or before.text in TYPE_WORDS):
                    continue  # a declarator: double values[3]
                if self.template[i - 2]:
                    continue  # std::array<int, 2> values[3]
            self.subscript.add(i)

    # -- operands -----------------------------------------------------------
    def unary_at(self, i):
        t = self.tok(i)
        return (t is not None and t.kind == "op" and t.text in ("-", "+", "!", "~", "*", "&", "++", "--")
                and not self.value_end(i - 1))

    def primary(self, i):
        """Whether token i can be (the name of) an operand."""
        t = self.tok(i)
        if t is None:
            return False
        if t.kind in ("num", "str", "chr"):
            return True
        return t.kind == "id" and (t.text not in KEYWORDS or t.text in VALUE_KEYWORDS
                                   or t.text in PRIMARY_KEYWORDS)

    def left_operand(self, i, extend):
        """Start index of the left operand of the binary operator at i, or -1.

        The operand is a postfix expression (names, member access, calls,
        subscripts, casts) with unary prefixes, joined by the operators of
        `extend` (those that bind tighter than the one at i)."""
        j, expect_end, start = i - 1, True, -1
        while j >= 0:
            t = self.toks[j]
            group = t.kind == "op" and t.text in (")", "]") and self.match[j] >= 0 and not self.template[j]
            closer = t.kind == "op" and self.template[j] and t.text in (">", ">>")
            if expect_end:
                if group or closer:
                    j = self.match[j]
                elif not self.primary(j):
                    return -1
                start, expect_end = j, False
            else:
                head = self.toks[start]
                after_group = head.text in ("(", "[", "<") and head.kind == "op"
                if group and head.text in ("(", "[") and head.kind == "op":
                    j = self.match[j]
                elif closer and head.text in ("(", "::") and head.kind == "op":
                    j = self.match[j]
                elif self.primary(j) and after_group:
                    pass
                elif t.kind == "op" and t.text in (".", "->", "::"):
                    expect_end = True
                elif self.unary_at(j):
                    pass
                elif t.kind == "op" and t.text in extend and self.value_end(j - 1):
                    expect_end = True
                else:
                    return start
                start = j
            j -= 1
        return -1 if expect_end else start

    def right_operand(self, i, extend):
        """Last index of the right operand of the binary operator at i, or -1."""
        j, expect_start, last = i + 1, True, -1
        n = len(self.toks)
        while j < n:
            t = self.toks[j]
            if expect_start:
                if self.unary_at(j):
                    j += 1
                    continue
                if t.kind == "op" and t.text == "(" and self.match[j] > j:
                    j = self.match[j]
                elif self.primary(j):
                    if j + 1 < n and self.template[j + 1]:
                        j = self.match[j + 1]
                else:
                    return -1
                expect_start = False
            elif t.kind == "op" and t.text in ("(", "[") and self.match[j] > j:
                j = self.match[j]
            elif t.kind == "op" and t.text in (".", "->", "::") and self.primary(j + 1):
                j += 1
                if j + 1 < n and self.template[j + 1]:
                    j = self.match[j + 1]
            elif t.kind == "op" and t.text in ("++", "--"):
                pass
            elif t.kind == "op" and t.text in extend:
                expect_start = True
                j += 1
                continue
            else:
                return last
            last = j
            j += 1
        return -1 if expect_start else last

    # -- statements ---------------------------------------------------------
    def in_code(self, i):
        return self.block.get(self.parent[i]) == "code"

    def statement_start(self, i):
        if not self.in_code(i):
            return False
        prev = self.tok(i - 1)
        if prev is None:
            return False
        if prev.kind == "op" and prev.text in (";", "{", "}"):
            return True
        if prev.kind == "id" and prev.text == "else":
            return True
        if prev.kind == "op" and prev.text == ":":
            return self.label_colon(i - 1)
        if prev.kind == "op" and prev.text == ")" and self.match[i - 1] >= 0:
            return self.is_(self.match[i - 1] - 1, *CONTROL_WORDS)
        return False

    def label_colon(self, i):
        """Whether the : at i ends a case or default label."""
        if self.is_(i - 1, "default"):
            return True
        j = i - 1
        while j >= 0 and not self.is_(j, ";", "{", "}", "?", "case"):
            j -= 1
        return self.is_(j, "case")

    def declaration_at(self, i):
        """Whether the statement starting at i declares something (Type name ...)."""
        j = i
        if self.is_(j, "::"):
            j += 1
        while True:
            t = self.tok(j)
            if t is None or t.kind != "id":
                return False
            j += 1
            if j < len(self.toks) and self.template[j] and self.toks[j].text == "<":
                j = self.match[j] + 1
            if self.is_(j, "::"):
                j += 1
                continue
            break
        while self.is_(j, "*", "&", "&&", "const"):
            j += 1
        t = self.tok(j)
        return t is not None and t.kind == "id"

    def expression_statement(self, i):
        """End index (the ;) of a droppable expression statement starting at i, or -1."""
        t = self.toks[i]
        if t.kind == "id":
            if t.text in KEYWORDS and t.text != "this":
                return -1
            if self.declaration_at(i):
                return -1
        elif not (t.kind == "op" and t.text in ("++", "--", "*", "::")):
            return -1
        j, effect = i, False
        while j < len(self.toks):
            u = self.toks[j]
            if u.kind == "op":
                if u.text in ("(", "[") and self.match[j] > j:
                    j = self.match[j]
                    if u.text == "(" and self.is_(j + 1, ";"):
                        effect = True
                elif u.text in ("{", "}"):
                    return -1
                elif u.text == ";":
                    return j if effect and not self.excluded[i] else -1
                elif u.text in ("=", "+=", "-=", "*=", "/=", "%=", "&=", "|=", "^=", "<<=", ">>=",
                                "++", "--"):
                    effect = True
            j += 1
        return -1


# ---------------------------------------------------------------------------
# Mutation sites
# ---------------------------------------------------------------------------

COMPARISON_FLIP = {"<": ">=", ">": "<=", "<=": ">", ">=": "<", "==": "!=", "!=": "=="}
BOUND_SHIFT = {"<": "<=", "<=": "<", ">": ">=", ">=": ">"}
ARITHMETIC_SWAP = {"+": "-", "-": "+", "*": "/", "/": "*", "+=": "-=", "-=": "+=", "*=": "/=", "/=": "*="}
PRINTF_RE = re.compile(r"%[-+ #0]*[0-9*]*(?:\.[0-9*]+)?[hlLqjzt]*[diouxXeEfFgGaAcspn%]")


def mutate_number(literal):
    """The literal with its value changed, or None if it is not a plain number."""
    m = re.fullmatch(r"(0[xX])([0-9A-Fa-f]+)([uUlL]*)", literal)
    if m:
        digits = "%x" % (int(m.group(2), 16) + 1)
        return m.group(1) + (digits.upper() if m.group(2).isupper() else digits) + m.group(3)
    m = re.fullmatch(r"([0-9]+)([uUlLzZ]*)", literal)
    if m:
        if len(m.group(1)) > 1 and m.group(1).startswith("0"):
            return None  # octal
        return str(int(m.group(1)) + 1) + m.group(2)
    m = re.fullmatch(r"([0-9]*\.?[0-9]*)([eE][-+]?[0-9]+)?([fFlL]?)", literal)
    if m and any(ch.isdigit() for ch in m.group(1)):
        mantissa = m.group(1)
        for k, ch in enumerate(mantissa):
            if ch in "123456789":
                bumped = "8" if ch == "9" else str(int(ch) + 1)
                break
        else:
            k = next(k for k, ch in enumerate(mantissa) if ch.isdigit())
            bumped = "1"
        return mantissa[:k] + bumped + mantissa[k + 1:] + (m.group(2) or "") + m.group(3)
    return None


def message_positions(literal):
    """Offsets of the characters of a string literal that may be changed."""
    quote = literal.index('"')
    if literal[:quote].endswith("R"):
        body_start = literal.index("(", quote) + 1
        body_end = literal.rindex(")")
        return [k for k in range(body_start, body_end) if literal[k].isalnum()]
    positions, k, end = [], quote + 1, len(literal) - 1
    while k < end:
        ch = literal[k]
        if ch == "\\":
            k += 2
            while k < end and literal[k - 1] in "xX01234567" and literal[k] in "0123456789abcdefABCDEF":
                k += 1
            continue
        if ch == "%":
            m = PRINTF_RE.match(literal, k)
            if m:
                k = m.end()
                continue
        if ch.isascii() and ch.isalnum():
            positions.append(k)
        k += 1
    return positions


def changed_char(ch):
    if ch.isdigit():
        return str((int(ch) + 1) % 10)
    base = ord("a") if ch.islower() else ord("A")
    return chr(base + (ord(ch) - base + 1) % 26)


class Site:
    """A place where one kind of fault can be planted, with its variants.

    Each variant is (start, end, replacement) in the file's text."""
    __slots__ = ("file", "kind", "line", "variants")

    def __init__(self, file, kind, line, variants):
        self.file, self.kind, self.line, self.variants = file, kind, line, variants


def line_of(text, offset):
    return text.count("\n", 0, offset) + 1


def find_sites(path, text):
    unit = Unit(path, text)
    toks, sites = unit.toks, []

    def add(kind, i, variants):
        variants = [v for v in variants if v[2] != text[v[0]:v[1]]]
        if variants:
            sites.append(Site(path, kind, line_of(text, variants[0][0]), variants))

    for i, t in enumerate(toks):
        parent = unit.parent[i]
        if unit.excluded[i] or (parent >= 0 and toks[parent].text == "[" and parent not in unit.subscript):
            continue  # template arguments, array bounds, new[] sizes, lambda captures
        if t.kind == "op" and t.text in COMPARISON_FLIP and not unit.template[i]:
            comparison_sites(unit, i, add)
        elif t.kind == "op" and t.text in ARITHMETIC_SWAP and unit.value_end(i - 1):
            arithmetic_sites(unit, i, add)
        elif t.kind == "op" and t.text == "[" and i in unit.subscript:
            inner = text[t.end:toks[unit.match[i]].start]
            a, b = t.end, toks[unit.match[i]].start
            add("off-by-one", i, [(a, b, inner.strip() + " + 1"), (a, b, inner.strip() + " - 1")])
        elif t.kind == "num":
            changed = mutate_number(t.text)
            if changed is not None:
                add("constant", i, [(t.start, t.end, changed)])
        elif t.kind == "str":
            positions = message_positions(t.text)
            add("message", i, [(t.start + k, t.start + k + 1, changed_char(t.text[k])) for k in positions])
        if unit.statement_start(i):
            end = unit.expression_statement(i)
            if end > 0:
                span = text[t.start:toks[end].end]
                add("dropped-statement", i, [(t.start, toks[end].end, ";" + "\n" * span.count("\n"))])
    return sites


def comparison_sites(unit, i, add):
    t, text = unit.toks[i], unit.text
    add("comparison", i, [(t.start, t.end, COMPARISON_FLIP[t.text])])
    if t.text not in BOUND_SHIFT:
        return
    add("off-by-one", i, [(t.start, t.end, BOUND_SHIFT[t.text])])
    extend = ("+", "-", "*", "/", "%")
    left, right = unit.left_operand(i, extend), unit.right_operand(i, extend)
    if left < 0 or right < 0:
        return
    ls, le = unit.toks[left].start, unit.toks[i - 1].end
    rs, re_ = unit.toks[i + 1].start, unit.toks[right].end
    add("swapped-operands", i, [(ls, re_, text[rs:re_] + text[le:rs] + text[ls:le])])
    if in_for_condition(unit, i):
        add("off-by-one", i, [(re_, re_, " - 1"), (re_, re_, " + 1")])


def in_for_condition(unit, i):
    parent = unit.parent[i]
    if parent < 0 or unit.toks[parent].text != "(" or not unit.is_(parent - 1, "for"):
        return False
    semis = [k for k in range(parent + 1, unit.match[parent])
             if unit.toks[k].text == ";" and unit.parent[k] == parent]
    return len(semis) == 2 and semis[0] < i < semis[1]


def arithmetic_sites(unit, i, add):
    t, text = unit.toks[i], unit.text
    if t.text == "*":
        prev = unit.toks[i - 1]
        if prev.kind == "id" and (prev.text in TYPE_WORDS or prev.text[0].isupper()
                                  or prev.text.endswith("_t")):
            return  # a pointer declarator, most likely
    add("arithmetic", i, [(t.start, t.end, ARITHMETIC_SWAP[t.text])])
    if t.text not in ("-", "/"):
        return
    extend = ("*", "/", "%") if t.text == "-" else ()
    left, right = unit.left_operand(i, extend), unit.right_operand(i, extend)
    if left < 0 or right < 0:
        return
    before = unit.tok(left - 1)
    if before is not None and before.text == t.text and unit.value_end(left - 2):
        return  # a - b - c: swapping b and c keeps the value
    ls, le = unit.toks[left].start, unit.toks[i - 1].end
    rs, re_ = unit.toks[i + 1].start, unit.toks[right].end
    add("swapped-operands", i, [(ls, re_, text[rs:re_] + text[le:rs] + text[ls:le])])


# ---------------------------------------------------------------------------
# Sources and sampling
# ---------------------------------------------------------------------------

def repo_root():
    return os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def git(repo, *args, binary=False):
    result = subprocess.run(["git", "-C", repo] + list(args), stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE)
    if result.returncode != 0:
        raise Failure("git %s failed: %s" % (" ".join(args), result.stderr.decode(errors="replace").strip()))
    return result.stdout if binary else result.stdout.decode()


def export_sources(repo, rev, skip=None):
    """{relative path: (bytes, executable)} of the revision or of the working tree
    (tracked and untracked files, less the ignored ones and those under `skip`)."""
    files = {}
    if rev:
        data = git(repo, "archive", "--format=tar", rev, binary=True)
        with tarfile.open(fileobj=io.BytesIO(data)) as archive:
            for member in archive.getmembers():
                if member.isfile():
                    files[member.name] = (archive.extractfile(member).read(), bool(member.mode & 0o111))
        return files
    listing = git(repo, "ls-files", "-z", "--cached", "--others", "--exclude-standard")
    for rel in sorted(set(filter(None, listing.split("\0")))):
        if skip and (rel + "/").startswith(skip + "/"):
            continue
        full = os.path.join(repo, rel)
        if os.path.isfile(full) and not os.path.islink(full):
            with open(full, "rb") as handle:
                files[rel] = (handle.read(), os.access(full, os.X_OK))
    return files


def subsystem_of(rel):
    parts = rel.split("/")
    return parts[1] if len(parts) > 2 and parts[0] == "src" else None


def source_files(files):
    """{subsystem: [relative paths]} of the mutable sources, sorted."""
    result = {}
    for rel in sorted(files):
        sub = subsystem_of(rel)
        if sub and rel.endswith(SOURCE_SUFFIXES):
            result.setdefault(sub, []).append(rel)
    return result


def ordered_subsystems(names):
    known = [s for s in SUBSYSTEM_ORDER if s in names]
    return known + sorted(set(names) - set(known))


def nonblank_lines(files, paths):
    return sum(1 for p in paths for line in files[p][0].decode(errors="replace").splitlines() if line.strip())


def allocate(count, sizes, minimum, capacity):
    """Mutants per subsystem: in proportion to size, at least `minimum`, at most `capacity`."""
    minimum = min(minimum, count // max(len(sizes), 1))
    fixed = {}
    while True:
        free = [s for s in sizes if s not in fixed]
        budget = count - sum(fixed.values())
        total = sum(sizes[s] for s in free)
        if not free or budget <= 0 or total <= 0:
            break
        shares = {s: budget * sizes[s] / total for s in free}
        low = {s: min(minimum, capacity[s]) for s in free if shares[s] < min(minimum, capacity[s])}
        high = {s: capacity[s] for s in free if shares[s] > capacity[s]}
        if not low and not high:
            base = {s: int(shares[s]) for s in free}
            rest = budget - sum(base.values())
            for s in sorted(free, key=lambda s: (-(shares[s] - base[s]), s))[:rest]:
                base[s] += 1
            fixed.update(base)
            break
        fixed.update(low or high)
    return {s: fixed.get(s, 0) for s in sizes}


def make_mutant(text, site, variant, subsystem):
    start, end, replacement = variant
    line_start = text.rfind("\n", 0, start) + 1
    line_end = text.find("\n", end)
    line_end = len(text) if line_end < 0 else line_end
    original_lines = text[line_start:line_end].split("\n")
    mutated = text[line_start:start] + replacement + text[end:line_end]
    return {
        "subsystem": subsystem, "file": site.file, "line": line_of(text, start), "kind": site.kind,
        "column": start - line_start, "original": text[start:end], "replacement": replacement,
        "original_lines": original_lines, "mutated_lines": mutated.split("\n"),
    }


def mutant_id(m):
    key = "\0".join([m["file"], m["kind"], "\n".join(m["original_lines"]), str(m["column"]),
                     m["original"], m["replacement"]])
    return hashlib.sha1(key.encode("utf-8", "surrogateescape")).hexdigest()[:12]


def sample_subsystem(rng, sites, texts, quota, subsystem):
    by_kind = {}
    for site in sites:
        by_kind.setdefault(site.kind, []).append(site)
    used_lines, chosen = set(), []
    while len(chosen) < quota:
        for kind in list(by_kind):
            by_kind[kind] = [s for s in by_kind[kind] if (s.file, s.line) not in used_lines]
            if not by_kind[kind]:
                del by_kind[kind]
        if not by_kind:
            break
        kind = rng.choice(sorted(by_kind))
        site = rng.choice(by_kind[kind])
        variant = rng.choice(site.variants)
        used_lines.add((site.file, site.line))
        chosen.append(make_mutant(texts[site.file], site, variant, subsystem))
    return chosen


def draw_sample(files, seed, count, minimum):
    """The sample of mutants and the per-subsystem sizes, deterministic for a seed."""
    per_subsystem = source_files(files)
    texts = {p: files[p][0].decode("utf-8", "surrogateescape") for ps in per_subsystem.values() for p in ps}
    sites = {s: [site for p in ps for site in find_sites(p, texts[p])] for s, ps in per_subsystem.items()}
    sizes = {s: nonblank_lines(files, ps) for s, ps in per_subsystem.items()}
    capacity = {s: len({(x.file, x.line) for x in sites[s]}) for s in sites}
    quotas = allocate(count, sizes, minimum, capacity)
    mutants = []
    for sub in ordered_subsystems(per_subsystem):
        # One generator per subsystem: editing one subsystem leaves the others' sample alone.
        rng = random.Random("%s:%s" % (seed, sub))
        mutants += sample_subsystem(rng, sites[sub], texts, quotas[sub], sub)
    finish_sample(mutants)
    info = {s: {"lines": sizes[s], "sites": len(sites[s]), "quota": quotas[s]} for s in sizes}
    return mutants, info


def finish_sample(mutants):
    seen = set()
    for m in mutants:
        base = mutant_id(m)
        ident, k = base, 1
        while ident in seen:
            k += 1
            ident = "%s-%d" % (base, k)
        seen.add(ident)
        m["id"] = ident
        m["status"] = "pending"


def replay_sample(files, old_mutants):
    """The mutants of an earlier run, located again in these sources."""
    texts, mutants = {}, []
    for old in old_mutants:
        m = {k: old[k] for k in ("id", "subsystem", "file", "line", "kind", "column", "original",
                                 "replacement", "original_lines", "mutated_lines")}
        m["status"] = "pending"
        if m["file"] not in texts and m["file"] in files:
            texts[m["file"]] = files[m["file"]][0].decode("utf-8", "surrogateescape")
        text = texts.get(m["file"])
        offset = locate(text, m) if text is not None else None
        if offset is None:
            m["status"] = "lost"
        else:
            m["line"] = line_of(text, offset)
        mutants.append(m)
    return mutants


def locate(text, m):
    """Offset of the mutant's span in text: its lines, nearest to the old line number."""
    lines = text.split("\n")
    want = m["original_lines"]
    starts = [0]
    for line in lines:
        starts.append(starts[-1] + len(line) + 1)
    hits = [k for k in range(len(lines) - len(want) + 1)
            if lines[k] == want[0] and lines[k:k + len(want)] == want]
    for k in sorted(hits, key=lambda k: (abs(k + 1 - m["line"]), k)):
        offset = starts[k] + m["column"]
        if text[offset:offset + len(m["original"])] == m["original"]:
            return offset
    return None


def apply_mutant(text, m):
    offset = locate(text, m)
    if offset is None:
        raise Failure("cannot place mutant %s in %s" % (m["id"], m["file"]))
    return text[:offset] + m["replacement"] + text[offset + len(m["original"]):]


# ---------------------------------------------------------------------------
# The work copy: sources, build, objects
# ---------------------------------------------------------------------------

def sync_tree(files, tree):
    """Makes `tree` hold exactly `files`, rewriting only what differs (keeps mtimes)."""
    os.makedirs(tree, exist_ok=True)
    for rel, (data, executable) in files.items():
        path = os.path.join(tree, rel)
        try:
            with open(path, "rb") as handle:
                same = handle.read() == data
        except OSError:
            same = False
        if not same:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as handle:
                handle.write(data)
        mode = 0o755 if executable else 0o644
        if os.stat(path).st_mode & 0o777 != mode:
            os.chmod(path, mode)
    for folder, _, names in os.walk(tree):
        for name in names:
            path = os.path.join(folder, name)
            if os.path.relpath(path, tree).replace(os.sep, "/") not in files:
                os.remove(path)


def run_logged(command, log, timeout=None):
    """Exit status of the command (output to `log`); -1 if it ran out of time.

    The command runs in its own session so that an interruption stops it
    and every process it started."""
    with open(log, "wb") as out:
        process = subprocess.Popen(command, stdout=out, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL, start_new_session=True)
        try:
            return process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            kill_group(process)
            return -1
        except BaseException:
            kill_group(process)
            raise


def tail(path, lines=30):
    try:
        with open(path, errors="replace") as handle:
            return "".join(handle.readlines()[-lines:])
    except OSError:
        return ""


class Build:
    """The CMake + Ninja build of the work copy and the fingerprints of its objects."""

    def __init__(self, tree, folder, jobs, logs):
        self.tree, self.folder, self.jobs, self.logs = tree, folder, jobs, logs
        self.clean = {}     # object path -> sha256 after the clean build
        self.current = {}   # object path -> (size, mtime_ns, sha256) as last seen
        self.users = {}     # source path (absolute) -> objects compiled with it
        self.consumer_cache = {}

    def configure_and_build(self):
        log = os.path.join(self.logs, "configure.log")
        if run_logged(["cmake", "-S", self.tree, "-B", self.folder, "-G", "Ninja"] + CMAKE_OPTIONS, log):
            raise Failure("configuring the copy failed, see %s:\n%s" % (log, tail(log)))
        log = os.path.join(self.logs, "build.log")
        if run_logged(["ninja", "-C", self.folder, "-j", str(self.jobs)], log):
            raise Failure("the unmutated copy does not build, see %s:\n%s" % (log, tail(log)))
        self.clean, self.clean_bytes = {}, {}
        for path, stamp in self.scan().items():
            with open(path, "rb") as handle:
                data = handle.read()
            self.clean_bytes[path] = data
            self.clean[path] = hashlib.sha256(data).hexdigest()
            self.current[path] = stamp + (self.clean[path],)
        self.users = self.dependency_map()

    def restore_objects(self):
        """Puts the clean build's bytes back into every object that differs.

        Each object keeps its timestamp, which Ninja's logs recorded when it
        was built: with the source's own timestamp restored as well, nothing
        needs recompiling. What was linked from a restored object is deleted
        so that the next build links it again."""
        restored = []
        for path, digest in self.clean.items():
            seen = self.current[path]
            try:
                st = os.stat(path)
                stamp = (st.st_size, st.st_mtime_ns)
            except OSError:
                stamp = None
            if stamp is not None and (seen[:2] == stamp and seen[2] == digest or file_hash(path) == digest):
                self.current[path] = stamp + (digest,)
                continue
            mtime = stamp[1] if stamp else seen[1]
            with open(path, "wb") as handle:
                handle.write(self.clean_bytes[path])
            os.utime(path, ns=(mtime, mtime))
            self.current[path] = (len(self.clean_bytes[path]), mtime, digest)
            restored.append(path)
        for path in restored:
            for output in self.consumers(path):
                try:
                    os.remove(os.path.join(self.folder, output))
                except FileNotFoundError:
                    pass

    def consumers(self, path):
        """Outputs Ninja builds from the object (what links it)."""
        rel = os.path.relpath(path, self.folder)
        if rel not in self.consumer_cache:
            out = subprocess.run(["ninja", "-C", self.folder, "-t", "query", rel], stdout=subprocess.PIPE,
                                 stderr=subprocess.DEVNULL).stdout.decode(errors="replace")
            lines = out.splitlines()
            start = next((k + 1 for k, line in enumerate(lines) if line.strip() == "outputs:"), len(lines))
            self.consumer_cache[rel] = [line.strip() for line in lines[start:] if line.startswith("    ")]
        return self.consumer_cache[rel]

    def scan(self):
        stamps = {}
        for folder, _, names in os.walk(self.folder):
            for name in names:
                if name.endswith(".o"):
                    path = os.path.join(folder, name)
                    st = os.stat(path)
                    stamps[path] = (st.st_size, st.st_mtime_ns)
        return stamps

    def changed_objects(self):
        """Objects whose content differs from the clean build's."""
        changed = []
        for path, stamp in self.scan().items():
            seen = self.current.get(path)
            if seen is None or seen[:2] != stamp:
                seen = stamp + (file_hash(path),)
                self.current[path] = seen
            if self.clean.get(path) != seen[2]:
                changed.append(os.path.relpath(path, self.folder))
        return sorted(changed)

    def dependency_map(self):
        out = subprocess.run(["ninja", "-C", self.folder, "-t", "deps"], stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL).stdout.decode(errors="replace")
        users, target = {}, None
        for line in out.splitlines():
            if line and not line[0].isspace():
                target = line.split(":")[0].strip()
            elif line.strip() and target:
                source = os.path.normpath(os.path.join(self.folder, line.strip()))
                users.setdefault(source, set()).add(target)
        return users

    def targets_for(self, rel):
        """Ninja targets to build after `rel` changed: the CMake targets of its
        objects (none when no object is compiled with it)."""
        targets = set()
        for obj in self.users.get(os.path.normpath(os.path.join(self.tree, rel)), ()):
            name = target_of(obj)
            if name == "vela_test_support":  # a static library: its programs must relink
                targets |= self.test_targets()
            if name:
                targets.add(name)
        return targets

    def test_targets(self):
        return {t for objs in self.users.values() for t in map(target_of, objs)
                if t and re.fullmatch(r"vela_\w+_tests", t)}

    def build(self, targets, log):
        return run_logged(["ninja", "-C", self.folder, "-j", str(self.jobs)] + sorted(targets), log,
                          timeout=1800) == 0


def file_hash(path):
    with open(path, "rb") as handle:
        return hashlib.sha256(handle.read()).hexdigest()


def target_of(obj):
    """The CMake target an object file belongs to (CMakeFiles/<target>.dir/...)."""
    m = re.search(r"CMakeFiles/([^/]+)\.dir/", obj)
    return m.group(1) if m else None


# ---------------------------------------------------------------------------
# Running the test programs
# ---------------------------------------------------------------------------

class Program:
    """A test program with the working directory and environment ctest gives it."""

    def __init__(self, path, cwd, env):
        self.path, self.cwd, self.env = path, cwd, env
        self.name = os.path.basename(path)
        m = re.fullmatch(r"vela_(\w+)_tests", self.name)
        self.subsystem = m.group(1) if m else None
        self.seconds = 0.0  # clean duration, run alone
        self.shards = 1     # GoogleTest shards it is cut into, so that the jobs share it

    def pieces(self):
        return [(self, index) for index in range(self.shards)]


def discover_programs(folder):
    out = subprocess.run(["ctest", "--test-dir", folder, "--show-only=json-v1"], stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE)
    if out.returncode != 0:
        raise Failure("ctest cannot list the tests: %s" % out.stderr.decode(errors="replace"))
    programs = {}
    for test in json.loads(out.stdout.decode()).get("tests", []):
        command = test.get("command") or []
        if not command or command[0] in programs:
            continue
        props = {p["name"]: p["value"] for p in test.get("properties", [])}
        env = dict(item.split("=", 1) for item in props.get("ENVIRONMENT", []) if "=" in item)
        programs[command[0]] = Program(command[0], props.get("WORKING_DIRECTORY", os.path.dirname(command[0])),
                                       env)
    if not programs:
        raise Failure("ctest lists no tests in %s" % folder)
    return sorted(programs.values(), key=lambda p: p.name)


FAILED_RE = re.compile(r"^\[  FAILED  \] (\S+)", re.M)
RUN_RE = re.compile(r"^\[ RUN      \] (\S+)", re.M)


def culprit(log_path):
    """The test that failed, or else the one running when the program crashed or hung."""
    text = tail(log_path, 2000)
    failed = FAILED_RE.search(text)
    if failed:
        return failed.group(1)
    running = RUN_RE.findall(text)
    return running[-1] if running else None


class Runner:
    """Runs pieces (program, shard) `jobs` at a time, stopping at the first failure."""

    def __init__(self, jobs, logs, timeout_factor, min_timeout):
        self.jobs, self.logs = jobs, logs
        self.timeout_factor, self.min_timeout = timeout_factor, min_timeout
        self.running = []

    def run(self, pieces, limit=None):
        """None when every piece passes, else a dict describing the first failure.

        A piece that runs out of time is only a suspect: the machine is
        shared, and some tests slow down a lot when every core is busy. The
        other programs run first (one of them may fail outright); if none
        fails, each suspect runs once more, alone, and counts if it runs out
        of time again. The suspect program's other shards wait until then,
        since they would likely hang as well. `limit` replaces the
        per-program time limit."""
        queue, suspects, deferred, failure = list(pieces), [], [], None
        try:
            while queue or self.running:
                while queue and len(self.running) < self.jobs:
                    self.start(*queue.pop(0), limit=limit)
                failure = self.reap()
                if failure and failure["timeout"]:
                    program = failure["piece"][0]
                    suspects.append(failure["piece"])
                    deferred += [p for p in queue if p[0] is program]
                    queue = [p for p in queue if p[0] is not program]
                    failure = None
                elif failure:
                    break
            for piece in suspects if failure is None else []:
                self.start(*piece, limit=limit)
                failure = self.reap()
                if failure:
                    break
        finally:
            self.stop_all()
        if failure is None and deferred:
            return self.run(deferred, limit)
        if failure:
            failure.pop("piece", None)
        return failure

    def start(self, program, shard, limit=None):
        log_path = os.path.join(self.logs, "%s.%d.out" % (program.name, shard))
        log = open(log_path, "wb")
        env = dict(os.environ, GTEST_COLOR="no", **program.env)
        env.pop("GTEST_OUTPUT", None)
        if program.shards > 1:
            env.update(GTEST_TOTAL_SHARDS=str(program.shards), GTEST_SHARD_INDEX=str(shard))
        else:
            env.pop("GTEST_TOTAL_SHARDS", None)
            env.pop("GTEST_SHARD_INDEX", None)
        process = subprocess.Popen([program.path, "--gtest_fail_fast"], cwd=program.cwd,
                                   env=env, stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                   start_new_session=True)
        limit = limit or max(self.min_timeout, self.timeout_factor * program.seconds)
        self.running.append((process, program, shard, log, log_path, time.monotonic(), limit))

    def reap(self):
        """Waits for a piece to end; returns its failure, if it failed."""
        while True:
            now = time.monotonic()
            for entry in list(self.running):
                process, program, shard, log, log_path, started, limit = entry
                code = process.poll()
                timed_out = code is None and now - started > limit
                if code is None and not timed_out:
                    continue
                if timed_out:
                    kill_group(process)
                self.running.remove(entry)
                log.close()
                if code == 0:
                    return None
                return {"program": program.name, "timeout": timed_out, "exit": code, "piece": (program, shard),
                        "test": culprit(log_path), "log": log_path}
            time.sleep(0.02)

    def stop_all(self):
        """Stops the running pieces; returns them."""
        stopped = []
        for process, program, shard, log, _, _, _ in self.running:
            kill_group(process)
            log.close()
            stopped.append((program, shard))
        self.running = []
        return stopped


def kill_group(process):
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except OSError:
        pass
    process.wait()


def piece_order(programs, subsystem, history):
    """The subsystem's own program first, then those that caught its faults most
    often, then the quickest: a caught fault is usually caught by the first."""
    def key(p):
        own = 0 if p.subsystem == subsystem else 1
        return (own, -history.get((subsystem, p.name), 0), p.seconds, p.name)
    return [piece for p in sorted(programs, key=key) for piece in p.pieces()]


# ---------------------------------------------------------------------------
# The run
# ---------------------------------------------------------------------------

class Session:
    def __init__(self, args, files, mutants, source_label):
        self.args, self.files, self.mutants = args, files, mutants
        self.source_label = source_label
        self.work = os.path.abspath(args.work)
        self.tree = os.path.join(self.work, "tree")
        self.logs = os.path.join(self.work, "logs")
        self.build = Build(self.tree, os.path.join(self.work, "build"), args.jobs, self.logs)
        self.runner = Runner(args.jobs, self.logs, args.timeout_factor, args.min_timeout)
        self.mutated = None       # (path, original bytes, timestamps) while a file is mutated
        self.pending = set()      # targets to relink: objects were put back since they last linked
        self.programs = []

    def prepare(self):
        os.makedirs(self.logs, exist_ok=True)
        say("copying %s into %s" % (self.source_label, self.tree))
        sync_tree(self.files, self.tree)
        say("building the unmutated copy (Release, %d jobs)" % self.args.jobs)
        t0 = time.time()
        self.build.configure_and_build()
        say("built in %.0f s; %d object files fingerprinted" % (time.time() - t0, len(self.build.clean)))
        self.programs = discover_programs(self.build.folder)
        say("running the unmutated suite (%d programs, one at a time)" % len(self.programs))
        for program in self.programs:
            t0 = time.monotonic()
            failure = self.runner.run(program.pieces(), limit=BASELINE_LIMIT)
            if failure:
                raise Failure("the unmutated suite fails in %s%s, so it cannot measure anything; "
                              "log: %s\n%s" % (failure["program"],
                                               " (test %s)" % failure["test"] if failure["test"] else "",
                                               failure["log"], tail(failure["log"])))
            program.seconds = time.monotonic() - t0
            program.shards = max(1, min(self.args.jobs * 2, int(program.seconds / SHARD_SECONDS + 0.5)))
        say("the unmutated suite passes: " + ", ".join(
            "%s %.1f s" % (p.name, p.seconds) for p in self.programs))

    def restore(self):
        """Puts the clean objects back, then the original source with its timestamp.

        In this order, a run killed half-way leaves the source mutated, and
        the next run's copy step rewrites it, so Ninja rebuilds its objects."""
        if self.mutated:
            path, data, stamp = self.mutated
            self.build.restore_objects()
            with open(path, "wb") as handle:
                handle.write(data)
            os.utime(path, ns=stamp)
            self.mutated = None

    def run_mutant(self, m, history):
        path = os.path.join(self.tree, m["file"])
        with open(path, "rb") as handle:
            original = handle.read()
        mutated = apply_mutant(original.decode("utf-8", "surrogateescape"), m)
        t0 = time.time()
        st = os.stat(path)
        self.mutated = (path, original, (st.st_atime_ns, st.st_mtime_ns))
        with open(path, "wb") as handle:
            handle.write(mutated.encode("utf-8", "surrogateescape"))
        targets = self.build.targets_for(m["file"])
        wanted = targets | self.pending
        built = not wanted or self.build.build(wanted, os.path.join(self.logs, "mutant-build.log"))
        try:
            if not built:
                m["status"] = "stillborn"
                return
            self.pending = set()
            changed = self.build.changed_objects()
            if not changed:
                m["status"] = "equivalent"
                return
            m["objects"] = changed
            tests_started = time.time()
            m["build_seconds"] = round(tests_started - t0, 1)
            failure = self.runner.run(piece_order(self.programs, m["subsystem"], history))
            m["test_seconds"] = round(time.time() - tests_started, 1)
            if failure:
                m["status"] = "caught"
                m["caught_by"] = failure["program"]
                m["failed_test"] = failure["test"]
                m["timeout"] = failure["timeout"]
                key = (m["subsystem"], failure["program"])
                history[key] = history.get(key, 0) + 1
            else:
                m["status"] = "survived"
        finally:
            self.restore()
            self.pending |= targets
            m["seconds"] = round(time.time() - t0, 1)

    def run(self):
        todo = [m for m in self.mutants if m["status"] == "pending"]
        todo.sort(key=lambda m: (m["file"], m["line"], m["id"]))
        history = {}
        for k, m in enumerate(todo, 1):
            self.run_mutant(m, history)
            say("[%d/%d] %-10s %s:%d %s%s (%.0f s)" % (
                k, len(todo), m["status"], m["file"], m["line"], m["kind"],
                " by " + m["caught_by"] if m.get("caught_by") else "", m["seconds"]))
            if "test_seconds" in m:
                say("        build %.1f s, tests %.1f s" % (m["build_seconds"], m["test_seconds"]))


def say(message):
    print("mutation-check: " + message, flush=True)


# ---------------------------------------------------------------------------
# Results: JSON, Markdown report, comparison
# ---------------------------------------------------------------------------

def tally(mutants):
    row = {"planted": 0, "stillborn": 0, "equivalent": 0, "counted": 0, "caught": 0, "survived": 0,
           "other": 0}
    for m in mutants:
        row["planted"] += 1
        status = m["status"]
        if status in row:
            row[status] += 1
        else:
            row["other"] += 1
        if status in COUNTED:
            row["counted"] += 1
    return row


def score(row):
    return "%.1f" % (100.0 * row["caught"] / row["counted"]) if row["counted"] else "-"


def one_line(lines):
    return " ".join(part.strip() for part in lines if part.strip())


def table(rows, first):
    out = ["| %s | Planted | Stillborn | Equivalent | Counted | Caught | Survived | Score %% |" % first,
           "|---|---:|---:|---:|---:|---:|---:|---:|"]
    for name, row in rows:
        out.append("| %s | %d | %d | %d | %d | %d | %d | %s |" % (
            name, row["planted"], row["stillborn"], row["equivalent"], row["counted"], row["caught"],
            row["survived"], score(row)))
    return out


def render_report(results):
    mutants = results["mutants"]
    subsystems = ordered_subsystems({m["subsystem"] for m in mutants})
    rows = [(s, tally([m for m in mutants if m["subsystem"] == s])) for s in subsystems]
    total = tally(mutants)
    out = ["# Mutation check", "",
           "- Sources: %s" % results["source"],
           "- Sample: %s" % results["sample"],
           "- Started: %s; wall time %s" % (results["started"], minutes(results["wall_seconds"])),
           "- Test programs: %s" % (", ".join(results.get("programs", [])) or "-")]
    timeouts = sum(1 for m in mutants if m["status"] == "caught" and m.get("timeout"))
    if timeouts:
        out.append("- Caught by a test program running out of time: %d" % timeouts)
    if results.get("interrupted"):
        out.append("- **Interrupted**: %d mutants were not run." % total["other"])
    out += ["", "## By subsystem", ""] + table(rows + [("**Total**", total)], "Subsystem")
    kinds = [(KIND_TITLES[k], tally([m for m in mutants if m["kind"] == k]))
             for k in KINDS if any(m["kind"] == k for m in mutants)]
    out += ["", "## By kind of fault", ""] + table(kinds, "Kind")
    survivors = [m for m in mutants if m["status"] == "survived"]
    out += ["", "## Survivors (%d)" % len(survivors), ""]
    for m in survivors:
        out.append("- `%s:%d` %s (%s): `%s` -> `%s`" % (
            m["file"], m["line"], KIND_TITLES[m["kind"]], m["id"], one_line(m["original_lines"]),
            one_line(m["mutated_lines"])))
    reviewed = [m for m in mutants if m.get("reviewed")]
    if reviewed:
        out += ["", "## Left out as equivalent on review (%d)" % len(reviewed), ""]
        for m in reviewed:
            out.append("- `%s:%d` %s (%s): %s" % (m["file"], m["line"], KIND_TITLES[m["kind"]], m["id"],
                                                  m["reviewed"]))
    others = [m for m in mutants if m["status"] not in COUNTED + ("stillborn", "equivalent")]
    if others:
        out += ["", "## Not measured (%d)" % len(others), "",
                "`lost`: the line is no longer in the sources; `not-run`: the run was interrupted.", ""]
        for m in others:
            out.append("- `%s:%d` %s (%s): %s" % (m["file"], m["line"], KIND_TITLES[m["kind"]], m["id"],
                                                  m["status"]))
    return "\n".join(out) + "\n"


def load_reviewed_equivalents(path):
    """Fault id -> reason, from lines '<id> <reason>' ('#' starts a comment)."""
    reviewed = {}
    if not path or not os.path.exists(path):
        return reviewed
    with open(path, encoding="utf-8") as handle:
        for line in handle:
            line = line.split("#", 1)[0].strip()
            if line:
                fault_id, _, reason = line.partition(" ")
                reviewed[fault_id] = reason.strip()
    return reviewed


def mark_reviewed_equivalents(mutants, reviewed):
    """Leaves out of the count, without running them, the faults a reviewer found unable to change
    behaviour: an object-file comparison cannot see that a value is always overwritten."""
    for m in mutants:
        if m["status"] == "pending" and m["id"] in reviewed:
            m["status"] = "equivalent"
            m["reviewed"] = reviewed[m["id"]]


def minutes(seconds):
    return "%d min %02d s" % (int(seconds) // 60, int(seconds) % 60)


def compare(old, new, out=sys.stdout):
    """Prints faults caught in one run and not in the other; returns how many were lost."""
    before = {m["id"]: m for m in old["mutants"]}
    after = {m["id"]: m for m in new["mutants"]}
    common = [i for i in before if i in after]
    lost = [i for i in common if before[i]["status"] == "caught" and after[i]["status"] != "caught"]
    gained = [i for i in common if before[i]["status"] != "caught" and after[i]["status"] == "caught"]

    def describe(i):
        m = after[i]
        return "  %s:%d %s (%s): %s -> %s [was %s, now %s]" % (
            m["file"], m["line"], m["kind"], i, one_line(m["original_lines"]),
            one_line(m["mutated_lines"]), before[i]["status"], m["status"])
    print("Caught before, not caught now (%d):" % len(lost), file=out)
    for i in lost:
        print(describe(i), file=out)
    print("Caught now, not caught before (%d):" % len(gained), file=out)
    for i in gained:
        print(describe(i), file=out)
    only_old = len([i for i in before if i not in after])
    only_new = len([i for i in after if i not in before])
    if only_old or only_new:
        print("Mutants only in the earlier run: %d; only in the later run: %d" % (only_old, only_new), file=out)
    for label, run in (("before", [before[i] for i in common]), ("now", [after[i] for i in common])):
        row = tally(run)
        print("Score %-6s %d/%d caught (%s %%) over the %d common mutants" % (
            label, row["caught"], row["counted"], score(row), len(common)), file=out)
    return len(lost)


def load_json(path):
    try:
        with open(path) as handle:
            return json.load(handle)
    except (OSError, ValueError) as error:
        raise Failure("cannot read %s: %s" % (path, error))


def write_results(args, mutants, source, sample, started, interrupted, programs, subsystems):
    results = {
        "format": 1, "source": source, "sample": sample, "seed": args.seed, "count": args.count,
        "only": args.only or [], "started": started, "wall_seconds": round(time.time() - args.t0, 1),
        "interrupted": interrupted, "programs": [p.name for p in programs],
        "program_seconds": {p.name: round(p.seconds, 2) for p in programs},
        "subsystems": subsystems, "mutants": mutants,
    }
    os.makedirs(os.path.dirname(os.path.abspath(args.json)), exist_ok=True)
    with open(args.json, "w") as handle:
        json.dump(results, handle, indent=1)
        handle.write("\n")
    with open(args.report, "w") as handle:
        handle.write(render_report(results))
    return results


# ---------------------------------------------------------------------------
# Command line
# ---------------------------------------------------------------------------

def parse_args(argv):
    parser = argparse.ArgumentParser(
        description="Plant faults in src/ one at a time and count those the test suite catches.")
    parser.add_argument("--rev", help="measure this git revision (default: the working tree)")
    parser.add_argument("--work", help="work folder (default: build-mutation/ in the repository)")
    parser.add_argument("--seed", type=int, default=DEFAULT_SEED, help="sample seed (default %(default)s)")
    parser.add_argument("--count", type=int, default=DEFAULT_COUNT, help="mutants (default %(default)s)")
    parser.add_argument("--min-per-subsystem", type=int, default=DEFAULT_MIN_PER_SUBSYSTEM,
                        help="smallest share of a subsystem (default %(default)s)")
    parser.add_argument("--only", action="append", metavar="SUBSYSTEM",
                        help="run only this subsystem's mutants (repeatable)")
    parser.add_argument("--replay", metavar="RESULTS.json", help="re-plant the mutants of an earlier run")
    parser.add_argument("--compare", nargs="+", metavar="JSON",
                        help="OLD: compare this run with OLD; OLD NEW: compare two result files, no run")
    parser.add_argument("--list", action="store_true", help="print the sample and stop")
    parser.add_argument("--equivalent", metavar="FILE",
                        default=os.path.join(repo_root(), "tools", "mutation-equivalent.txt"),
                        help="faults reviewed as unable to change behaviour, left out of the count "
                             "(default: tools/mutation-equivalent.txt; '' for none)")
    parser.add_argument("--report", help="Markdown report (default: WORK/mutation-report.md)")
    parser.add_argument("--json", help="results (default: WORK/mutation-results.json)")
    parser.add_argument("--jobs", type=int, default=2, help="build jobs and parallel test programs (default 2)")
    parser.add_argument("--timeout-factor", type=float, default=3.0,
                        help="a test program is stopped after this many times its clean duration (default 3)")
    parser.add_argument("--min-timeout", type=float, default=60.0,
                        help="but never before this many seconds (default 60)")
    args = parser.parse_args(argv)
    repo = repo_root()
    args.repo = repo
    args.work = os.path.abspath(args.work or os.path.join(repo, "build-mutation"))
    args.report = os.path.abspath(args.report or os.path.join(args.work, "mutation-report.md"))
    args.json = os.path.abspath(args.json or os.path.join(args.work, "mutation-results.json"))
    if args.compare and len(args.compare) > 2:
        parser.error("--compare takes one or two files")
    if args.jobs < 1:
        parser.error("--jobs must be at least 1")
    return args


def on_signal(signum, _frame):
    raise Interrupted("signal %d" % signum)


def main(argv):
    args = parse_args(argv)
    args.t0 = time.time()
    if args.compare and len(args.compare) == 2:
        return 3 if compare(load_json(args.compare[0]), load_json(args.compare[1])) else 0
    work_rel = os.path.relpath(os.path.realpath(args.work), os.path.realpath(args.repo)).replace(os.sep, "/")
    files = export_sources(args.repo, args.rev, None if work_rel.startswith("..") else work_rel)
    if args.rev:
        source = "revision %s (%s)" % (args.rev, git(args.repo, "rev-parse", args.rev + "^{commit}").strip())
    else:
        source = "working tree of %s" % args.repo
    if args.replay:
        old = load_json(args.replay)
        mutants = replay_sample(files, old["mutants"])
        sample = "replay of %s (%d mutants)" % (args.replay, len(mutants))
        info = old.get("subsystems", {})
        args.seed, args.count = old.get("seed"), old.get("count")
    else:
        mutants, info = draw_sample(files, args.seed, args.count, args.min_per_subsystem)
        sample = "seed %d, %d mutants" % (args.seed, len(mutants))
    if args.only:
        unknown = set(args.only) - {subsystem_of(p) for p in files if subsystem_of(p)}
        if unknown:
            raise Failure("unknown subsystem(s): %s" % ", ".join(sorted(unknown)))
        mutants = [m for m in mutants if m["subsystem"] in args.only]
        sample += ", only " + ", ".join(args.only)
    mark_reviewed_equivalents(mutants, load_reviewed_equivalents(args.equivalent))
    if args.list:
        for m in mutants:
            print("%-12s %-10s %-18s %s:%d  %s  ->  %s" % (
                m["id"], m["subsystem"], m["kind"], m["file"], m["line"], one_line(m["original_lines"]),
                one_line(m["mutated_lines"])))
        print("%d mutants (%s)" % (len(mutants), sample))
        return 0

    for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, on_signal)
    started = datetime.datetime.now().isoformat(timespec="seconds")
    session = Session(args, files, mutants, source)
    interrupted = False
    try:
        session.prepare()
        say("planting %d mutants" % len([m for m in mutants if m["status"] == "pending"]))
        session.run()
    except Interrupted:
        interrupted = True
        say("interrupted; the copy is restored")
    finally:
        for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
            signal.signal(signum, signal.SIG_IGN)  # a second Ctrl-C must not stop the restoring
        session.restore()
        session.runner.stop_all()
    for m in mutants:
        if m["status"] == "pending":
            m["status"] = "not-run"
    results = write_results(args, mutants, source, sample, started, interrupted, session.programs, info)
    print(render_report(results), end="")
    say("report: %s" % args.report)
    say("results: %s" % args.json)
    if interrupted:
        return 130
    if args.compare and compare(load_json(args.compare[0]), results):
        return 3
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except Failure as failure:
        print("mutation-check: %s" % failure, file=sys.stderr)
        sys.exit(2)
