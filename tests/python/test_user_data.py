"""`NativeUserData(data)`: bytes only, UTF-8 checked, parsed once."""
import pytest

from _vorava_devo_zuvoro._native import NativeEngine, NativeUserData


class Payload(bytes):
    pass


@pytest.mark.parametrize(
    "data",
    [b"{}", b'{"userCards": []}', b"[]", b"5", b'"text"', b"null", b" \n{}\t", Payload(b"{}")],
)
def test_any_json_value_is_accepted(data):
    assert type(NativeUserData(data)) is NativeUserData
    assert type(NativeUserData(data=data)) is NativeUserData


@pytest.mark.parametrize(
    "data,message",
    [
        # Not UTF-8: the length of the invalid sequence and where it starts.
        (b"\xff", "invalid utf-8 sequence of 1 bytes from index 0"),
        (b"\xe3\x81", "incomplete utf-8 byte sequence from index 0"),
        (b'{"a":"\xe3\x81"}', "invalid utf-8 sequence of 2 bytes from index 6"),
        (b'{"name":"\xed\xa0\x80"}', "invalid utf-8 sequence of 1 bytes from index 9"),
        (b'"\xe3\x81\x82\xf0\x9f', "incomplete utf-8 byte sequence from index 4"),
        # Not JSON: the reader's description with the line and column.
        (b"", "EOF while parsing a value at line 1 column 0"),
        (b"   ", "EOF while parsing a value at line 1 column 3"),
        (b"{", "EOF while parsing an object at line 1 column 1"),
        (b"[1,]", "trailing comma at line 1 column 4"),
        (b"{} x", "trailing characters at line 1 column 4"),
        (b'{"a" 1}', "expected `:` at line 1 column 6"),
        (
            b'"a\nb"',
            "control character (\\u0000-\\u001F) found while parsing a string at line 2 column 0",
        ),
    ],
)
def test_faulty_text_is_a_value_error(data, message):
    with pytest.raises(ValueError) as raised:
        NativeUserData(data)
    assert str(raised.value) == message


@pytest.mark.parametrize(
    "data,type_name",
    [("{}", "str"), (bytearray(b"{}"), "bytearray"), (memoryview(b"{}"), "memoryview")],
)
def test_only_bytes_are_accepted(data, type_name):
    with pytest.raises(TypeError) as raised:
        NativeUserData(data)
    assert str(raised.value) == (
        f"argument 'data': '{type_name}' object cannot be converted to 'PyBytes'"
    )
    assert isinstance(raised.value.__cause__, TypeError)


def test_one_player_serves_many_requests():
    engine = NativeEngine()
    user_data = NativeUserData(b'{"userCards": []}')
    for region in ("jp", "en", "jp"):
        with pytest.raises(RuntimeError, match="is not loaded"):
            engine.recommend(region, "{}", user_data)
