"""The JSON reader against Python's own json module, on generated documents.

Within the subset where both must agree (finite numbers, integers within 64
bits, nesting within 128 levels, no NaN or Infinity, no lone surrogates), both
accept or both reject every document, and accepted documents give equal values:
integers equal, floats bit for bit, integers never confused with floats.
"""
import json
import math
import pathlib
import random
import struct
import subprocess

import pytest

TOOL = pathlib.Path(__file__).resolve().parents[2] / "build" / "release" / "json_differential"

WHITESPACE = ["", "", "", " ", "\n", "\t", "\r\n  "]
PLAIN_CHARS = "abcxyz ABC019_-/:.,{}[]'é中𝄞"
ESCAPES = ['\\"', "\\\\", "\\/", "\\b", "\\f", "\\n", "\\r", "\\t", "\\u0041", "\\u00e9",
           "\\u4e2d", "\\ud834\\udd1e", "\\u0000", "\\u001F", "\\uFFFF"]
INTEGERS = ["0", "-0", "1", "-1", "42", "2147483647", "2147483648", "-2147483649",
            "9223372036854775807", "9223372036854775808", "-9223372036854775808",
            "18446744073709551615"]
FLOATS = ["0.0", "-0.0", "1.5", "1e5", "1E+5", "2.5e-3", "1.0e-7", "0.1", "123456.789",
          "1e308", "1.7976931348623157e308", "2.2250738585072014e-308", "5e-324",
          "1e-400", "9007199254740993.0", "0.30000000000000004", "1.23456789012345678901234567"]


def number(rng):
    kind = rng.random()
    if kind < 0.3:
        return rng.choice(INTEGERS)
    if kind < 0.5:
        return rng.choice(FLOATS)
    if kind < 0.7:
        return str(rng.randint(-10**6, 10**6))
    if kind < 0.85:
        bits = rng.getrandbits(64)
        value = struct.unpack("<d", struct.pack("<Q", bits))[0]
        return repr(value) if math.isfinite(value) else "1.0"
    mantissa = str(rng.randint(0, 10**rng.randint(1, 25)))
    text = ("-" if rng.random() < 0.3 else "") + mantissa
    if rng.random() < 0.5:
        text += "." + str(rng.randint(0, 10**rng.randint(1, 20)))
    if rng.random() < 0.5:
        text += rng.choice("eE") + rng.choice(["", "+", "-"]) + str(rng.randint(0, 330))
    return text


def string(rng):
    parts = []
    for _ in range(rng.randint(0, 8)):
        parts.append(rng.choice(ESCAPES) if rng.random() < 0.3 else rng.choice(PLAIN_CHARS))
    return '"' + "".join(parts) + '"'


def value(rng, depth, max_depth):
    kind = rng.random()
    if depth >= max_depth or kind < 0.45:
        scalar = rng.random()
        if scalar < 0.1:
            return rng.choice(["null", "true", "false"])
        if scalar < 0.6:
            return number(rng)
        return string(rng)
    ws = lambda: rng.choice(WHITESPACE)
    if kind < 0.7:
        items = [value(rng, depth + 1, max_depth) for _ in range(rng.randint(0, 4))]
        return "[" + ws() + ("," + ws()).join(items) + ws() + "]"
    keys = [string(rng) for _ in range(rng.randint(0, 4))]
    if keys and rng.random() < 0.3:
        keys.append(rng.choice(keys))  # a repeated key: the last one counts
    members = [k + ws() + ":" + ws() + value(rng, depth + 1, max_depth) for k in keys]
    return "{" + ws() + ("," + ws()).join(members) + ws() + "}"


def nested(rng, levels):
    opens = "".join(rng.choice(["[", '{"k":']) for _ in range(levels))
    closes = "".join("]" if c == "[" else "}" for c in reversed(opens.replace('{"k":', "{")))
    return opens + number(rng) + closes


MUTATION_CHARS = list('{}[],:"\\0-.eEntf \n\x01é') + ["\\u", "\\ud800", "1e999", "NaN", "-Infinity"]


def corrupt(rng, text):
    for _ in range(rng.randint(1, 3)):
        pos = rng.randint(0, len(text))
        action = rng.random()
        if action < 0.3 and text:
            text = text[:pos] + text[pos + 1:]
        elif action < 0.6:
            text = text[:pos] + rng.choice(MUTATION_CHARS) + text[pos:]
        elif action < 0.85 and text:
            text = text[:pos] + rng.choice(MUTATION_CHARS) + text[pos + 1:]
        else:
            text = text[:pos]
    return text


def documents(seed, count):
    rng = random.Random(seed)
    docs = []
    for i in range(count):
        if i % 50 == 0:
            doc = nested(rng, rng.choice([1, 64, 127, 128, 129]))
        else:
            doc = rng.choice(WHITESPACE) + value(rng, 0, rng.randint(1, 6)) + rng.choice(WHITESPACE)
        docs.append(doc)
        docs.append(corrupt(rng, doc))
    return docs


class OutsideSubset(Exception):
    """The document holds something the two readers need not agree on."""


def reject_constant(name):
    raise ValueError("not JSON: " + name)


def checked_int(text):
    number = int(text)
    if not -2**63 <= number < 2**64:
        raise OutsideSubset(text)
    return number


def checked_float(text):
    number = float(text)
    if not math.isfinite(number):
        raise OutsideSubset(text)
    return number


def has_surrogate(value):
    if isinstance(value, str):
        return any(0xD800 <= ord(c) <= 0xDFFF for c in value)
    if isinstance(value, list):
        return any(has_surrogate(v) for v in value)
    if isinstance(value, dict):
        return any(has_surrogate(k) or has_surrogate(v) for k, v in value.items())
    return False


def checked_pairs(pairs):
    # Sees every member, also those a repeated key later replaces.
    if any(has_surrogate(k) or has_surrogate(v) for k, v in pairs):
        raise OutsideSubset("surrogate")
    return dict(pairs)


def nesting_depth(doc):
    depth = deepest = 0
    in_string = escaped = False
    for c in doc:
        if in_string:
            if escaped:
                escaped = False
            elif c == "\\":
                escaped = True
            elif c == '"':
                in_string = False
        elif c == '"':
            in_string = True
        elif c in "[{":
            depth += 1
            deepest = max(deepest, depth)
        elif c in "]}":
            depth -= 1
    return deepest


REJECTED = object()


def python_reading(doc):
    """Python's value, REJECTED when Python rejects the document, or
    OutsideSubset when the document lies outside the shared subset."""
    try:
        value = json.loads(doc, parse_constant=reject_constant, parse_int=checked_int,
                           parse_float=checked_float, object_pairs_hook=checked_pairs)
    except OutsideSubset:
        return OutsideSubset
    except (ValueError, RecursionError):
        return REJECTED
    if has_surrogate(value) or nesting_depth(doc) > 128:
        return OutsideSubset
    return value


def same(a, b):
    if type(a) is not type(b):
        return False
    if isinstance(a, float):
        return struct.pack("<d", a) == struct.pack("<d", b)
    if isinstance(a, list):
        return len(a) == len(b) and all(same(x, y) for x, y in zip(a, b))
    if isinstance(a, dict):
        return a.keys() == b.keys() and all(same(a[k], b[k]) for k in a)
    return a == b


@pytest.mark.skipif(not TOOL.exists(), reason="json_differential is built by scripts/test.sh")
@pytest.mark.parametrize("seed", [1, 2, 3])
def test_reader_agrees_with_python_json(seed):
    docs = documents(seed, 1500)
    framed = b"".join(str(len(d.encode())).encode() + b"\n" + d.encode() for d in docs)
    out = subprocess.run([str(TOOL)], input=framed, capture_output=True, check=True).stdout
    answers = out.decode().split("\n")[:-1]
    assert len(answers) == len(docs)

    compared = accepted = 0
    for doc, answer in zip(docs, answers):
        expected = python_reading(doc)
        if expected is OutsideSubset:
            continue
        compared += 1
        if expected is REJECTED:
            assert answer.startswith("err "), (doc, answer)
            continue
        assert answer.startswith("ok "), (doc, answer)
        assert same(json.loads(answer[3:]), expected), (doc, answer)
        accepted += 1
    # The generator must keep producing both kinds of documents.
    assert accepted > len(docs) // 4
    assert compared - accepted > len(docs) // 5
