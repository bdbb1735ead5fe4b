"""Binding of arguments to parameters and their conversion, for every method.

A call whose arguments bind and convert reaches the region lookup, so on a
fresh engine "masterdata for region jp is not loaded" marks an accepted call.
"""
import collections

import pytest

from _vorava_devo_zuvoro._native import NativeEngine, NativeUserData

ENGINE = NativeEngine()
USER = NativeUserData(b"{}")
NOT_LOADED = "masterdata for region jp is not loaded"
SCORE = '{"notes": []}'


def exact_live(*args, **kwargs):
    return ENGINE.calculate_exact_live(*args, **kwargs)


BINDING_CASES = [
    # (call, message)
    (lambda: ENGINE.recommend("jp", "{}"),
     "NativeEngine.recommend() missing 1 required positional argument: 'user_data'"),
    (lambda: ENGINE.recommend("jp"),
     "NativeEngine.recommend() missing 2 required positional arguments: "
     "'options_json' and 'user_data'"),
    (lambda: ENGINE.recommend(),
     "NativeEngine.recommend() missing 3 required positional arguments: "
     "'region', 'options_json' and 'user_data'"),
    (lambda: ENGINE.recommend(options_json="{}"),
     "NativeEngine.recommend() missing 2 required positional arguments: "
     "'region' and 'user_data'"),
    (lambda: ENGINE.recommend("jp", "{}", USER, 4),
     "NativeEngine.recommend() takes 3 positional arguments but 4 were given"),
    (lambda: ENGINE.recommend("jp", "{}", USER, region="jp"),
     "NativeEngine.recommend() got multiple values for argument 'region'"),
    (lambda: ENGINE.recommend("jp", "{}", USER, extra=1),
     "NativeEngine.recommend() got an unexpected keyword argument 'extra'"),
    (lambda: exact_live(*range(8)),
     "NativeEngine.calculate_exact_live() takes from 5 to 7 positional arguments but 8 were given"),
    (lambda: exact_live("jp", 1),
     "NativeEngine.calculate_exact_live() missing 3 required positional arguments: "
     "'skills', 'live_type' and 'music_score_json'"),
    (lambda: ENGINE.update_masterdata(base_dir="x"),
     "NativeEngine.update_masterdata() missing 1 required positional argument: 'region'"),
    (lambda: NativeEngine(1),
     "NativeEngine.__new__() takes 0 positional arguments but 1 was given"),
    (lambda: NativeEngine(region="jp"),
     "NativeEngine.__new__() got an unexpected keyword argument 'region'"),
    (lambda: NativeUserData(),
     "NativeUserData.__new__() missing 1 required positional argument: 'data'"),
    (lambda: NativeUserData(b"{}", b"{}"),
     "NativeUserData.__new__() takes 1 positional arguments but 2 were given"),
    (lambda: NativeUserData(b"{}", data=b"{}"),
     "NativeUserData.__new__() got multiple values for argument 'data'"),
    # Binding comes before conversion, and keywords before missing ones.
    (lambda: ENGINE.recommend(1, 2, 3, 4),
     "NativeEngine.recommend() takes 3 positional arguments but 4 were given"),
    (lambda: ENGINE.recommend(1, extra=1),
     "NativeEngine.recommend() got an unexpected keyword argument 'extra'"),
]


@pytest.mark.parametrize("call,message", BINDING_CASES)
def test_binding_errors(call, message):
    with pytest.raises(TypeError) as raised:
        call()
    assert str(raised.value) == message
    assert raised.value.__cause__ is None


class Text(str):
    pass


class Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class FailingSequence(collections.abc.Sequence):
    def __len__(self):
        raise ValueError("no length")

    def __getitem__(self, index):
        raise LookupError("broken item")


def local_object():
    class Local:
        pass

    return Local()


ACCEPTED_CASES = [
    lambda: ENGINE.recommend(region="jp", options_json="{}", user_data=USER),
    lambda: ENGINE.recommend(Text("jp"), Text("not json"), USER),
    lambda: exact_live("jp", True, [], "x", SCORE),
    lambda: exact_live("jp", Index(-(2**31)), (1, 2.5), "x", SCORE, 2**31 - 1),
    lambda: exact_live("jp", 0, range(3), "x", SCORE, fever_music_score_json=None),
    lambda: exact_live("jp", 0, b"ab", "x", SCORE, 0, SCORE),
    lambda: ENGINE.recommend_area_items("jp", (1, 2), USER),
    lambda: ENGINE.recommend_area_items("jp", [2**31 - 1, -(2**31), True], USER),
    lambda: ENGINE.recommend_music("jp", "{}", "{}"),
    lambda: ENGINE.get_world_bloom_support_cards("jp", "{}", USER),
    lambda: ENGINE.update_musicmetas("[]", region="jp"),
]


@pytest.mark.parametrize("call", ACCEPTED_CASES)
def test_accepted_arguments_reach_the_region_lookup(call):
    with pytest.raises(RuntimeError) as raised:
        call()
    assert str(raised.value) == NOT_LOADED


CONVERSION_CASES = [
    # (call, exception, message, message of the wrapped cause or None)
    (lambda: ENGINE.recommend(1, "{}", USER), TypeError,
     "argument 'region': 'int' object cannot be converted to 'PyString'",
     "'int' object cannot be converted to 'PyString'"),
    (lambda: ENGINE.recommend("jp", "{}", "user"), TypeError,
     "argument 'user_data': 'str' object cannot be converted to 'NativeUserData'",
     "'str' object cannot be converted to 'NativeUserData'"),
    (lambda: ENGINE.recommend(None, "{}", "user"), TypeError,
     "argument 'region': 'NoneType' object cannot be converted to 'PyString'",
     "'NoneType' object cannot be converted to 'PyString'"),
    (lambda: ENGINE.build_pool("jp", b"{}", USER), TypeError,
     "argument 'options_json': 'bytes' object cannot be converted to 'PyString'",
     "'bytes' object cannot be converted to 'PyString'"),
    (lambda: ENGINE.recommend_music("jp", "{}", local_object()), TypeError,
     "argument 'deck_json': 'local_object.<locals>.Local' object cannot be converted to "
     "'PyString'", "'local_object.<locals>.Local' object cannot be converted to 'PyString'"),
    (lambda: ENGINE.recommend("\ud800", "{}", USER), UnicodeEncodeError, None, None),
    (lambda: exact_live("jp", 2**31, [], "solo", SCORE), OverflowError,
     "out of range integral type conversion attempted", None),
    (lambda: exact_live("jp", -(2**31) - 1, [], "solo", SCORE), OverflowError,
     "out of range integral type conversion attempted", None),
    (lambda: exact_live("jp", 2**63, [], "solo", SCORE), OverflowError,
     "Python int too large to convert to C long", None),
    (lambda: exact_live("jp", 2.0, [], "solo", SCORE), TypeError,
     "argument 'power': 'float' object cannot be interpreted as an integer",
     "'float' object cannot be interpreted as an integer"),
    (lambda: exact_live("jp", 1, "123", "solo", SCORE), TypeError,
     "argument 'skills': Can't extract `str` to `Vec`", "Can't extract `str` to `Vec`"),
    (lambda: exact_live("jp", 1, (s for s in [1.0]), "solo", SCORE), TypeError,
     "argument 'skills': 'generator' object cannot be converted to 'Sequence'",
     "'generator' object cannot be converted to 'Sequence'"),
    (lambda: exact_live("jp", 1, {1.0: 1}, "solo", SCORE), TypeError,
     "argument 'skills': 'dict' object cannot be converted to 'Sequence'",
     "'dict' object cannot be converted to 'Sequence'"),
    (lambda: exact_live("jp", 1, [1.0, None], "solo", SCORE), TypeError,
     "argument 'skills': must be real number, not NoneType",
     "must be real number, not NoneType"),
    (lambda: exact_live("jp", 1, FailingSequence(), "solo", SCORE), LookupError,
     "broken item", None),
    (lambda: exact_live("jp", 1, [], 5, SCORE), TypeError,
     "argument 'live_type': 'int' object cannot be converted to 'PyString'",
     "'int' object cannot be converted to 'PyString'"),
    (lambda: exact_live("jp", 1, [], "solo", SCORE, None), TypeError,
     "argument 'multi_sum_power': 'NoneType' object cannot be interpreted as an integer",
     "'NoneType' object cannot be interpreted as an integer"),
    (lambda: exact_live("jp", 1, [], "solo", SCORE, 2**31), OverflowError,
     "out of range integral type conversion attempted", None),
    (lambda: exact_live("jp", 1, [], "solo", SCORE, 0, 1), TypeError,
     "argument 'fever_music_score_json': 'int' object cannot be converted to 'PyString'",
     "'int' object cannot be converted to 'PyString'"),
    (lambda: ENGINE.recommend_area_items("jp", "12345", USER), TypeError,
     "argument 'card_ids': Can't extract `str` to `Vec`", "Can't extract `str` to `Vec`"),
    (lambda: ENGINE.recommend_area_items("jp", (c for c in [1]), USER), TypeError,
     "argument 'card_ids': 'generator' object cannot be converted to 'Sequence'",
     "'generator' object cannot be converted to 'Sequence'"),
    (lambda: ENGINE.recommend_area_items("jp", [1, 2**31], USER), OverflowError,
     "out of range integral type conversion attempted", None),
    (lambda: ENGINE.recommend_area_items("jp", [1.5], USER), TypeError,
     "argument 'card_ids': 'float' object cannot be interpreted as an integer",
     "'float' object cannot be interpreted as an integer"),
    (lambda: ENGINE.update_masterdata_from_strings([], "jp"), TypeError,
     "argument 'tables': 'list' object cannot be converted to 'PyDict'",
     "'list' object cannot be converted to 'PyDict'"),
    (lambda: ENGINE.update_masterdata_from_strings({"cards.json": 1}, "jp"), TypeError,
     "argument 'tables': 'int' object cannot be converted to 'PyString'",
     "'int' object cannot be converted to 'PyString'"),
    (lambda: ENGINE.update_masterdata_from_strings({1: "[]"}, "jp"), TypeError,
     "argument 'tables': 'int' object cannot be converted to 'PyString'",
     "'int' object cannot be converted to 'PyString'"),
    (lambda: ENGINE.update_masterdata(b"/tmp", "jp"), TypeError,
     "argument 'base_dir': 'bytes' object cannot be converted to 'PyString'",
     "'bytes' object cannot be converted to 'PyString'"),
    (lambda: ENGINE.update_musicmetas([], "jp"), TypeError,
     "argument 'music_metas': 'list' object cannot be converted to 'PyString'",
     "'list' object cannot be converted to 'PyString'"),
    # The first failing argument in parameter order is the one reported.
    (lambda: ENGINE.recommend(1, 2, 3), TypeError,
     "argument 'region': 'int' object cannot be converted to 'PyString'",
     "'int' object cannot be converted to 'PyString'"),
    (lambda: ENGINE.update_masterdata_from_strings({}, 1), TypeError,
     "argument 'region': 'int' object cannot be converted to 'PyString'",
     "'int' object cannot be converted to 'PyString'"),
]


@pytest.mark.parametrize("call,exception,message,cause", CONVERSION_CASES)
def test_conversion_errors(call, exception, message, cause):
    with pytest.raises(exception) as raised:
        call()
    assert type(raised.value) is exception
    if message is not None:
        assert str(raised.value) == message
    if cause is None:
        assert raised.value.__cause__ is None
    else:
        assert type(raised.value.__cause__) is TypeError
        assert str(raised.value.__cause__) == cause


def test_methods_called_through_the_class_check_self():
    with pytest.raises(TypeError):
        NativeEngine.recommend(USER, "jp", "{}", USER)
